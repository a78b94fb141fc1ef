// Quillon: start-up in a fixed order, then the event loop until the main
// window closes. One optional argument: a scenery file or a PNG picture that
// carries a scene, opened once the window shows (desktop file managers pass
// the file this way).
#include <QtCore/QLocale>
#include <QtCore/QStringList>
#include <QtCore/QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/CPUTime.h"
#include "engine/NumberFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/CyanDusk.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/options/OptionsChapters.h"

int main(int argc, char* argv[])
{
    using namespace quillon;
    CalibrateCPUTicks();
    // The options dialog's chapter list is made on first use, by the
    // registrations below.

    // Numbers follow fixed en-US conventions everywhere, whatever the user's
    // locale says (our number module never looks at the locale; Qt's own
    // conversions are pinned here).
    QLocale::setDefault(QLocale::c());

    TQuillonApplication app(argc, argv);
    InitResources();
    RegisterOptionsChapters();

    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillon"));
    QApplication::setOrganizationName(QStringLiteral("Borvik"));
    RequestStyle(app, QStringLiteral("Cyan Dusk"));

    // Qt has taken its own options out of the arguments by now.
    QString startFile;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(QLatin1Char('-')))
            std::fprintf(stderr, "quillon: unknown option ignored: %s\n", qPrintable(argument));
        else if (startFile.isEmpty())
            startFile = argument;
        else
            std::fprintf(stderr, "quillon: only one file is opened; ignored: %s\n", qPrintable(argument));
    }

    auto window = std::make_unique<TMainDialog>();
    window->SetStartFile(startFile);
    window->show();

    // For unattended runs (smoke tests): close the window after a while.
    if (const char* quitAfter = std::getenv("QUILLON_QUIT_AFTER_MS")) {
        const int ms = StrToIntDef(quitAfter, -1);
        if (ms >= 0)
            QTimer::singleShot(ms, window.get(), [w = window.get()] { w->close(); });
    }
    const int result = app.exec();
    window.reset();
    return result;
}

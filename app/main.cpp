// Quillon: start-up in a fixed order, then the event loop until the main
// window closes.
#include <QtCore/QLocale>
#include <QtCore/QTimer>

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

    auto window = std::make_unique<TMainDialog>();
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

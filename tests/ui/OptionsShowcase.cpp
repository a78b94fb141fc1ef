// Not a test: shows the options dialog on each chapter and the About box on
// a real X display and takes a picture of the screen after each, for a
// person to look at. Usage: quillon_options_showcase <folder>
// (under xvfb-run; needs ImageMagick's import).
#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtTest/QtTest>

#include <memory>

#include "resources/ResourcesInit.h"
#include "ui/auxiliary/AboutBox.h"
#include "ui/common/QuillonApplication.h"
#include "ui/common/CyanDusk.h"
#include "ui/main/MainDlg.h"
#include "ui/main/MainDlgOptions.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/OptionsDlg.h"

using namespace quillon;

namespace {

void Snap(const QString& Folder, const QString& Name)
{
    QTest::qWait(700);
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), QDir(Folder).filePath(Name + ".png")});
}

} // namespace

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    RegisterOptionsChapters();
    QApplication::setApplicationDisplayName(QStringLiteral("Quillon"));
    // The pictures show what users see: the program's own style.
    RequestStyle(app, QStringLiteral("Cyan Dusk"));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    auto window = std::make_unique<TMainDialog>();
    window->show();
    QTest::qWait(1500);
    TSession& host = window->Session();
    const QStringList names = {"algorithm", "view", "palette", "effects"};
    for (int chapter = 0; chapter < names.size(); ++chapter) {
        TOptionsDialog dialog(host, window.get());
        dialog.show();
        dialog.SetChapterIndex(chapter);
        Snap(folder, QStringLiteral("options-") + names[chapter]);
    }
    TAboutBox& about = MainAboutBox(*window);
    about.SetTemporaryDialog(false);
    QObject::connect(&about, &TDialogBox::initializing, &about, [](TBoxDialog& Dialog) { Dialog.SetModal(false); });
    about.Execute();
    about.Dialog()->show();
    Snap(folder, QStringLiteral("about"));
    return 0;
}

#include "ui/main/MainDlgOptions.h"

#include <QtGui/QAction>

#include "ui/auxiliary/AboutBox.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/MainDlg.h"
#include "ui/options/OptionsDlg.h"

namespace quillon {

TAboutBox& MainAboutBox(TMainDialog& Window)
{
    if (auto* box = Window.findChild<TAboutBox*>(QStringLiteral("AboutBox"), Qt::FindDirectChildrenOnly))
        return *box;
    auto* box = new TAboutBox(&Window);
    box->setObjectName(QStringLiteral("AboutBox"));
    box->SetParentWidget(&Window);
    box->SetCaption(QStringLiteral("About"));
    box->SetLanguageId(QStringLiteral("$0409"));
    box->SetInfo({QStringLiteral("Quillon is free software; pass it on."),
                  QStringLiteral("It comes without warranty of any kind."),
                  QStringLiteral("The images you make with it are yours.")});
    box->SetLinks({QStringLiteral("https://en.wikipedia.org/wiki/Mandelbrot_set")});
    return *box;
}

// "Options..." runs the options dialog on the window's session.
void TMainDialog::CreateOptionsCommands()
{
    connect(ActionOptions, &QAction::triggered, this,
            [this] { RunReported([this] { TOptionsDialog::Execute(Session(), this); }); });
    connect(ActionAbout, &QAction::triggered, this, [this] { RunReported([this] { MainAboutBox(*this).Execute(); }); });
    SetCommandAvailable(ActionOptions, true);
    SetCommandAvailable(ActionAbout, true);
}

} // namespace quillon

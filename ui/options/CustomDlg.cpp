#include "ui/options/CustomDlg.h"

#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "persist/RegFns.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/WidgetPlacement.h"

namespace quillon {

TCustomDialog::TCustomDialog(QWidget* Parent) : QDialog(Parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("PanelClient"));
    layout->addWidget(ClientArea, 1);

    PanelButtons = new QWidget(this);
    PanelButtons->setObjectName(QStringLiteral("PanelButtons"));
    PanelButtons->setFixedHeight(33);
    PanelButtonsLayout = new QHBoxLayout(PanelButtons);
    PanelButtonsLayout->setContentsMargins(0, 0, 2, 2);
    PanelButtonsLayout->setSpacing(4);
    PanelButtonsLayout->addStretch(1);
    ButtonOk = new QPushButton(tr("Ok"), PanelButtons);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setFixedSize(75, 25);
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(tr("Cancel"), PanelButtons);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setFixedSize(75, 25);
    PanelButtonsLayout->addWidget(ButtonOk, 0, Qt::AlignBottom);
    PanelButtonsLayout->addWidget(ButtonCancel, 0, Qt::AlignBottom);
    layout->addWidget(PanelButtons);

    // A failure of a handler is reported; the dialog stays open.
    connect(ButtonOk, &QPushButton::clicked, this, [this] { RunReported([this] { ButtonOkClick(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TCustomDialog::~TCustomDialog()
{
    if (TAppRegistry* store = DefaultAppRegistry()) {
        try {
            store->SavePlacement(TWidgetPlacement(*this), objectName().toStdString());
        } catch (const std::exception&) {
            // A store that cannot be written loses the placement, nothing else.
        }
    }
}

void TCustomDialog::LoadPlacement()
{
    TAppRegistry* store = DefaultAppRegistry();
    if (!store)
        return;
    TWidgetPlacement placement(*this);
    // Only a resizable dialog takes its stored size back.
    const bool resizable = minimumSize() != maximumSize();
    if (resizable)
        store->LoadPlacement(placement, objectName().toStdString(), {poPosition, poSize});
    else
        store->LoadPlacement(placement, objectName().toStdString(), {poPosition});
}

void TCustomDialog::SetFixedClientSize(int Width, int Height)
{
    setFixedSize(Width, Height);
}

void TCustomDialog::Initialize()
{
    FInitialized = true;
}

bool TCustomDialog::Execute()
{
    if (!FInitialized)
        Initialize();
    BeforeExecute();
    if (!FModal)
        return true;
    FExecuting = true;
    const int result = exec();
    FExecuting = false;
    return result == QDialog::Accepted;
}

bool TCustomDialog::IsModal() const
{
    return FExecuting && isVisible();
}

bool TCustomDialog::CloseQuery(int Result)
{
    return Result != QDialog::Accepted || AfterExecute();
}

void TCustomDialog::done(int Result)
{
    if (!CloseQuery(Result))
        return;
    QDialog::done(Result);
}

void TCustomDialog::ButtonOkClick()
{
    accept();
}

void TCustomDialog::showEvent(QShowEvent* Event)
{
    if (!FInitialized)
        Initialize();
    QDialog::showEvent(Event);
}

} // namespace quillon

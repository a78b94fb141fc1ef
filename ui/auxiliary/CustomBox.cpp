#include "ui/auxiliary/CustomBox.h"

namespace quillon {

TDialogBox::TDialogBox(QObject* Parent) : QObject(Parent)
{
    FDialogClass = [](TDialogBox& Box) { return new TBoxDialog(Box, Box.ParentWidget()); };
}

TDialogBox::~TDialogBox()
{
    delete FDialog.data();
}

void TDialogBox::SetCaption(const QString& Value)
{
    FCaption = Value;
    if (FDialog)
        FDialog->setWindowTitle(Value);
}

void TDialogBox::CreateDialog()
{
    FDialog = FDialogClass(*this);
    FDialog->FBox = this;
}

bool TDialogBox::DoBeforeExecute()
{
    bool canShow = true;
    if (FDialog)
        emit beforeExecute(*FDialog, canShow);
    return canShow;
}

void TDialogBox::DoInitialize()
{
    if (!FDialog)
        return;
    FDialog->setWindowTitle(FCaption);
    emit initializing(*FDialog);
}

bool TDialogBox::DoAfterExecute()
{
    bool canClose = true;
    if (FDialog)
        emit afterExecute(FDialog->result() == QDialog::Accepted, canClose);
    return canClose;
}

bool TDialogBox::Execute()
{
    if (!FDialog)
        CreateDialog();
    struct TFinally {
        TDialogBox& Box;
        ~TFinally()
        {
            if (Box.FTemporaryDialog) {
                delete Box.FDialog.data();
                Box.FDialog.clear();
            }
        }
    } finally{*this};
    FDialog->FCanShow = true;
    const bool modal = FDialog->Modal();
    const bool result = FDialog->Execute();
    // A box whose beforeExecute receiver said no was not shown.
    const bool shown = FDialog->FCanShow;
    FDialog->SetModal(modal);
    return result && shown;
}

// ---------------------------------------------------------------------------

TBoxDialog::TBoxDialog(TDialogBox& Box, QWidget* Parent) : TCustomDialog(Parent), FBox(&Box)
{
    setWindowTitle(tr("Dialog"));
}

TBoxDialog::~TBoxDialog()
{
    if (FBox && FBox->FDialog == this)
        FBox->FDialog.clear();
}

void TBoxDialog::Initialize()
{
    TCustomDialog::Initialize();
    if (FBox)
        FBox->DoInitialize();
}

void TBoxDialog::BeforeExecute()
{
    FCanShow = !FBox || FBox->DoBeforeExecute();
    // Not shown: Execute then returns at once.
    if (!FCanShow)
        SetModal(false);
}

bool TBoxDialog::AfterExecute()
{
    return TCustomDialog::AfterExecute() && (!FBox || FBox->DoAfterExecute());
}

} // namespace quillon

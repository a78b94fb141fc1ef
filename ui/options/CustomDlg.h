#pragma once
// The base of the program's modal dialogs: a client area above an OK/Cancel
// bar, the window placement kept under the dialog's object name, and three
// hooks around showing.
#include <QtWidgets/QDialog>

class QHBoxLayout;
class QPushButton;

namespace quillon {

class TCustomDialog : public QDialog {
    Q_OBJECT

public:
    explicit TCustomDialog(QWidget* Parent = nullptr);
    ~TCustomDialog() override;

    // When false, Execute prepares the dialog and returns true without showing it.
    bool Modal() const { return FModal; }
    void SetModal(bool Value) { FModal = Value; }
    bool Initialized() const { return FInitialized; }

    // Initializes on first use, runs BeforeExecute, shows the dialog modally
    // and answers whether it closed with OK.
    bool Execute();
    // True while the dialog is being shown modally.
    bool IsModal() const;
    // Whether the dialog may close with Result: with OK, AfterExecute decides.
    bool CloseQuery(int Result);

    QWidget* ClientArea = nullptr;
    QWidget* PanelButtons = nullptr;
    QHBoxLayout* PanelButtonsLayout = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    void done(int Result) override;

protected:
    virtual void Initialize();
    virtual void BeforeExecute() {}
    // May veto closing with OK.
    virtual bool AfterExecute() { return true; }
    // The OK button: closes with OK.
    virtual void ButtonOkClick();
    // Restores the placement stored under the object name: the position,
    // and the size too when the dialog is resizable. Concrete dialogs call it
    // once their components are built.
    void LoadPlacement();
    // Fixes the client size (the dialog frame is not resizable).
    void SetFixedClientSize(int Width, int Height);

    void showEvent(QShowEvent* Event) override;

private:
    bool FModal = true;
    bool FInitialized = false;
    bool FExecuting = false;
};

} // namespace quillon

#pragma once
// A dialog box component: owns the life cycle of a dialog form (created on
// Execute, freed afterwards unless kept), with events around showing.
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>

#include <functional>

#include "ui/options/CustomDlg.h"

namespace quillon {

class TBoxDialog;

class TDialogBox : public QObject {
    Q_OBJECT

public:
    // Makes the form of the box.
    using TDialogClass = std::function<TBoxDialog*(TDialogBox& Box)>;

    explicit TDialogBox(QObject* Parent = nullptr);
    ~TDialogBox() override;

    // Shows the dialog modally; true when it closed with OK.
    bool Execute();

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    bool TemporaryDialog() const { return FTemporaryDialog; }
    void SetTemporaryDialog(bool Value) { FTemporaryDialog = Value; }
    TBoxDialog* Dialog() const { return FDialog.data(); }
    void SetDialogClass(TDialogClass Value) { FDialogClass = std::move(Value); }
    // The parent window of the forms.
    void SetParentWidget(QWidget* Value) { FParentWidget = Value; }

    virtual void CreateDialog();
    virtual bool DoBeforeExecute();
    virtual void DoInitialize();
    virtual bool DoAfterExecute();

signals:
    // Around showing the form. Connect directly: CanShow and CanClose are
    // answered in place.
    void beforeExecute(TBoxDialog& Dialog, bool& CanShow);
    void initializing(TBoxDialog& Dialog);
    void afterExecute(bool Ok, bool& CanClose);

protected:
    QWidget* ParentWidget() const { return FParentWidget; }

private:
    friend class TBoxDialog;
    TDialogClass FDialogClass;
    QPointer<TBoxDialog> FDialog;
    QPointer<QWidget> FParentWidget;
    QString FCaption;
    bool FTemporaryDialog = true;
};

class TBoxDialog : public TCustomDialog {
    Q_OBJECT

public:
    explicit TBoxDialog(TDialogBox& Box, QWidget* Parent = nullptr);
    ~TBoxDialog() override;

    TDialogBox* Box() const { return FBox; }

protected:
    void Initialize() override;
    void BeforeExecute() override;
    bool AfterExecute() override;

private:
    friend class TDialogBox;
    QPointer<TDialogBox> FBox;
    bool FCanShow = true;
};

} // namespace quillon

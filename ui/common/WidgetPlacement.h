#pragma once
// Window placement of a QWidget in the terms of the settings store.
#include "persist/RegFns.h"

class QWidget;

namespace quillon {

class TWidgetPlacement : public IPlacementForm {
public:
    explicit TWidgetPlacement(QWidget& Widget) : FWidget(Widget) {}

    std::string Name() const override;
    TFormBounds Bounds() const override;
    TFormBounds NormalBounds() const override;
    void SetBounds(const TFormBounds& Bounds) override;
    int MonitorIndex() const override;
    TFormSize MonitorSize() const override;
    std::optional<TFormSize> MainFormSize() const override;

    // The application's main form (the main window), for centring dialogs.
    static void SetMainForm(QWidget* Form);
    static QWidget* MainForm();

private:
    QWidget& FWidget;
};

} // namespace quillon

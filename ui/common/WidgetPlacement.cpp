#include "ui/common/WidgetPlacement.h"

#include <QtCore/QPointer>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QWidget>

namespace quillon {
namespace {

QPointer<QWidget>& MainFormPointer()
{
    static QPointer<QWidget> form;
    return form;
}

} // namespace

// Positions are those of the frame (what the user sees), sizes those of the
// client area: move() and resize() take them back unchanged.
std::string TWidgetPlacement::Name() const
{
    return FWidget.objectName().toStdString();
}

TFormBounds TWidgetPlacement::Bounds() const
{
    return {FWidget.x(), FWidget.y(), FWidget.width(), FWidget.height()};
}

TFormBounds TWidgetPlacement::NormalBounds() const
{
    if (FWidget.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) {
        const QRect r = FWidget.normalGeometry();
        if (r.isValid())
            return {r.x(), r.y(), r.width(), r.height()};
    }
    return Bounds();
}

void TWidgetPlacement::SetBounds(const TFormBounds& B)
{
    FWidget.move(B.Left, B.Top);
    FWidget.resize(B.Width, B.Height);
}

int TWidgetPlacement::MonitorIndex() const
{
    const QScreen* screen = FWidget.screen();
    const int index = static_cast<int>(QGuiApplication::screens().indexOf(const_cast<QScreen*>(screen)));
    return index < 0 ? 0 : index;
}

TFormSize TWidgetPlacement::MonitorSize() const
{
    const QScreen* screen = FWidget.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return {screen->geometry().width(), screen->geometry().height()};
}

std::optional<TFormSize> TWidgetPlacement::MainFormSize() const
{
    QWidget* main = MainForm();
    if (!main || main == &FWidget)
        return std::nullopt;
    return TFormSize{main->width(), main->height()};
}

void TWidgetPlacement::SetMainForm(QWidget* Form)
{
    MainFormPointer() = Form;
}

QWidget* TWidgetPlacement::MainForm()
{
    return MainFormPointer().data();
}

} // namespace quillon

#include "ui/auxiliary/WebLink.h"

#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtGui/QMouseEvent>

namespace quillon {

TWebLink::TWebLink(QWidget* Parent) : QLabel(Parent)
{
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    SetFontColor(QColor(0x00, 0x00, 0xFF));
    setCursor(Qt::PointingHandCursor);
    resize(75, 17);
    OpenLink = [](const QString& Link) { QDesktopServices::openUrl(QUrl::fromUserInput(Link)); };
}

QColor TWebLink::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TWebLink::SetFontColor(const QColor& Value)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Value);
    setPalette(pal);
}

void TWebLink::SetBrowsedColor(const QColor& Value)
{
    FBrowsedColor = Value;
    if (FIsBrowsed)
        SetFontColor(Value);
}

void TWebLink::Browse()
{
    // What the desktop makes of the request is not examined.
    if (OpenLink)
        OpenLink(text());
    if (!FIsBrowsed) {
        FIsBrowsed = true;
        SetFontColor(FBrowsedColor);
    }
}

void TWebLink::enterEvent(QEnterEvent* Event)
{
    QLabel::enterEvent(Event);
    FFontColor = FontColor();
    SetFontColor(FHotColor);
}

void TWebLink::leaveEvent(QEvent* Event)
{
    QLabel::leaveEvent(Event);
    SetFontColor(FIsBrowsed ? FBrowsedColor : FFontColor);
}

void TWebLink::mouseReleaseEvent(QMouseEvent* Event)
{
    QLabel::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
        Browse();
}

} // namespace quillon

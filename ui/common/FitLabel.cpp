#include "ui/common/FitLabel.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>

namespace quillon {

namespace {

// Below this a text is unreadable anyway; it is drawn clipped then.
constexpr int SmallestPixelSize = 5;

bool Fits(const QFont& Font, const QString& Text, const QRect& Box)
{
    const QFontMetricsF metrics(Font);
    return metrics.horizontalAdvance(Text) <= Box.width() && metrics.height() <= Box.height() + 2;
}

} // namespace

QFont TFitLabel::FittedFont() const
{
    QFont fitted = font();
    const QRect box = contentsRect();
    if (text().isEmpty() || Fits(fitted, text(), box))
        return fitted;
    for (int size = QFontInfo(fitted).pixelSize() - 1; size >= SmallestPixelSize; --size) {
        fitted.setPixelSize(size);
        if (Fits(fitted, text(), box))
            break;
    }
    return fitted;
}

bool TFitLabel::TextFits() const
{
    return Fits(FittedFont(), text(), contentsRect());
}

void TFitLabel::paintEvent(QPaintEvent* Event)
{
    // The frame as the style draws it; the text in the fitted font.
    QFrame::paintEvent(Event);
    QPainter painter(this);
    painter.setFont(FittedFont());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

} // namespace quillon

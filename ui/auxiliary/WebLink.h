#pragma once
// A label that opens its text as a link: blue and underlined, navy under
// the mouse, purple once opened.
#include <QtGui/QColor>
#include <QtWidgets/QLabel>

#include <functional>

namespace quillon {

class TWebLink : public QLabel {
    Q_OBJECT

public:
    explicit TWebLink(QWidget* Parent = nullptr);

    QColor FontColor() const;
    void SetFontColor(const QColor& Value);
    QColor HotColor() const { return FHotColor; }
    void SetHotColor(const QColor& Value) { FHotColor = Value; }
    QColor BrowsedColor() const { return FBrowsedColor; }
    void SetBrowsedColor(const QColor& Value);
    bool IsBrowsed() const { return FIsBrowsed; }

    // Opens the link; the first time, it turns to the browsed color.
    void Browse();
    // How a link is opened (the desktop's handler unless replaced).
    std::function<void(const QString& Link)> OpenLink;

protected:
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    QColor FHotColor{0x00, 0x00, 0x80};
    QColor FBrowsedColor{0x80, 0x00, 0x80};
    QColor FFontColor;
    bool FIsBrowsed = false;
};

} // namespace quillon

#include "ui/common/CyanDusk.h"

#include <QtGui/QPalette>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyleFactory>

namespace quillon {
namespace {

QPalette CyanDuskPalette()
{
    const QColor window(0x2b, 0x30, 0x3f);
    const QColor base(0x22, 0x26, 0x32);
    const QColor text(0xe2, 0xea, 0xee);
    const QColor accent(0x1f, 0xb3, 0xc4);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window.lighter(110));
    p.setColor(QPalette::ToolTipBase, QColor(0x35, 0x3b, 0x4f));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, text.darker(160));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x34, 0x3a, 0x4c));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x8a, 0x80));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, QColor(0x10, 0x16, 0x1c));
    p.setColor(QPalette::Link, accent.lighter(120));
    p.setColor(QPalette::Light, window.lighter(150));
    p.setColor(QPalette::Midlight, window.lighter(125));
    // The application workspace behind the image.
    p.setColor(QPalette::Dark, QColor(0x4a, 0x55, 0x6b));
    p.setColor(QPalette::Mid, window.darker(130));
    p.setColor(QPalette::Shadow, QColor(0x0c, 0x0e, 0x13));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, text.darker(200));
    p.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(140));
    return p;
}

const char* CyanDuskStyleSheet()
{
    return R"(
QToolTip { border: 1px solid #1fb3c4; padding: 2px; }
QMenuBar { background: #262b38; }
QMenuBar::item:selected { background: #1fb3c4; color: #10161c; }
QMenu { border: 1px solid #1fb3c4; }
QMenu::item:selected { background: #1fb3c4; color: #10161c; }
QToolBar { background: #262b38; border: none; spacing: 2px; padding: 1px; }
QToolButton:checked { background: #3d5f6e; border: 1px solid #1fb3c4; border-radius: 3px; }
QToolButton:hover { background: #3a4256; border-radius: 3px; }
QStatusBar { background: #262b38; }
QStatusBar::item { border: none; }
QStatusBar QLabel { font-size: 11px; }
QToolBar QToolButton { padding: 0px; margin: 0px; }
QToolBar::separator { width: 6px; }
QLabel[bevel="true"] { border: 1px solid #3e4659; border-radius: 2px; padding: 0 2px; }
QSlider::groove:horizontal { height: 4px; background: #1a1e28; border-radius: 2px; }
QSlider::sub-page:horizontal { background: #168a98; border-radius: 2px; }
QSlider::handle:horizontal { background: #1fb3c4; width: 10px; margin: -6px 0; border-radius: 3px; }
QSlider::handle:horizontal:disabled { background: #56606f; }
)";
}

} // namespace

bool RequestStyle(QApplication& App, const QString& Name)
{
    if (Name != QLatin1String("Cyan Dusk"))
        return false;
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        App.setStyle(fusion);
    App.setPalette(CyanDuskPalette());
    App.setStyleSheet(QString::fromLatin1(CyanDuskStyleSheet()));
    return true;
}

} // namespace quillon

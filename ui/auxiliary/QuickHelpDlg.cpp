#include "ui/auxiliary/QuickHelpDlg.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QIcon>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QWindow>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include <initializer_list>

#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "ui/options/TrackBarEx.h"
#include "ui/options/TrackbarFrm.h"

namespace quillon {

TQuickHelpDialog* QuickHelpDialog = nullptr;

namespace {

// The card keeps its own plain look, whatever the application's style says.
const char* QuickHelpStyleSheet()
{
    return R"(
TQuickHelpDialog, QLabel, QFrame { background: white; color: black; }
QLabel#Label7 { color: navy; }
QSlider::groove:horizontal { height: 4px; background: #c8c8c8; border: 1px solid #a0a0a0; border-radius: 1px; }
QSlider::sub-page:horizontal { background: #c8c8c8; }
QSlider::handle:horizontal { background: #e8e8e8; border: 1px solid #808080; width: 8px; margin: -7px 0; border-radius: 1px; }
)";
}

QFont CardFont(int points, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

// The card's font, a point smaller at a time until Text fits Width (where a
// wider face stands in for the card's own).
QFont FittingFont(const QString& text, int width, int points, bool bold)
{
    QFont font = CardFont(points, bold);
    while (font.pointSize() > 6 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPointSize(font.pointSize() - 1);
    return font;
}

// Labels of the two columns: the left one ends where the right one begins,
// the right one at the card's edge. One font per column, the one its widest
// text fits in, so that the labels of a column match.
struct TCardLabel {
    const char* Name;
    const char* Text;
    int X;
    int Y;
};

void AddColumn(QWidget* parent, std::initializer_list<TCardLabel> labels, int width, bool bold)
{
    QFont font = CardFont(8, bold);
    for (const TCardLabel& l : labels) {
        const QFont fitting = FittingFont(QString::fromLatin1(l.Text), width, 8, bold);
        if (fitting.pointSize() < font.pointSize())
            font = fitting;
    }
    for (const TCardLabel& l : labels) {
        auto* label = new QLabel(QString::fromLatin1(l.Text), parent);
        label->setObjectName(QString::fromLatin1(l.Name));
        label->setFont(font);
        label->move(l.X, l.Y);
        label->adjustSize();
    }
}

QLabel* AddNote(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(CardFont(8, false));
    label->setWordWrap(true);
    label->setGeometry(x, y, 120, 28);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void AddBevel(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, y, width, 2);
}

TTrackbarFrame* AddTrackbar(QWidget* parent, const char* name, const QString& caption, int position, int y)
{
    auto* frame = new TTrackbarFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(7, y, 137, 25);
    frame->Label1->setText(caption);
    frame->Label1->setFixedWidth(50);
    frame->Label1->setFont(FittingFont(caption, 48, 8, false));
    frame->TrackBar->setFixedWidth(82);
    frame->TrackBar->setValue(position);
    // A picture: nothing on it reacts, and a press on it drags the card.
    frame->Panel1->setEnabled(false);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

} // namespace

TQuickHelpDialog::TQuickHelpDialog(TRegIniFile& Store, QWidget* Owner)
    : QWidget(Owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), FStore(Store)
{
    setObjectName(QStringLiteral("QuickHelpDialog"));
    setAttribute(Qt::WA_StyledBackground);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QString::fromLatin1(QuickHelpStyleSheet()));
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setFont(CardFont(8, false));
    setFixedSize(288, 256);
    setWindowOpacity(200.0 / 255.0);

    Label7 = new QLabel(QStringLiteral("Quick help"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setFont(FittingFont(Label7->text(), 94, 12, true));
    Label7->move(7, 7);
    Label7->adjustSize();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(7, 48, 82, 65);
    Image1->setPixmap(MousePicture(Image1->size()));

    AddBevel(this, "Bevel3", 103, 48, 137);

    Image3 = new QLabel(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(103, 60, 91, 28);
    Image3->setPixmap(SelectModePicture(Image3->size()));

    AddColumn(this,
              {{"Label1", "<Double Click>", 104, 10},
               {"Label4", "<Right Click>", 104, 29},
               {"Label5", "<Click>", 104, 94},
               {"Label9", "<Wheel>", 104, 114},
               {"Label11", "<Ctrl><Wheel>", 104, 133}},
              94, true);
    AddColumn(this,
              {{"Label2", "Render", 200, 10},
               {"Label3", "Last view", 200, 29},
               {"Label6", "Select", 201, 94},
               {"Label10", "Zoom selection", 201, 114},
               {"Label12", "Rotate selection", 201, 133}},
              84, false);
    // Below the mouse picture, where the card has room.
    AddColumn(this, {{"Label15", "<Shift><Wheel>", 7, 119}}, 94, true);
    AddColumn(this, {{"Label16", "Zoom at pointer", 7, 134}}, 94, false);
    // Beside the Select mode picture: the keys of the history.
    AddColumn(this, {{"Label17", "<Alt><Left/Right>", 198, 54}}, 86, true);
    AddColumn(this, {{"Label18", "Last / Next view", 198, 70}}, 86, false);
    AddBevel(this, "Bevel1", 11, 152, 264);

    TrackbarFrame1 = AddTrackbar(this, "TrackbarFrame1", QStringLiteral("Steps"), 2, 163);
    AddNote(this, "Label8", QStringLiteral("Limits Number of iterations per pixel"), 150, 160);
    TrackbarFrame2 = AddTrackbar(this, "TrackbarFrame2", QStringLiteral("Limit"), 5, 193);
    AddNote(this, "Label13", QStringLiteral("Limits the iteration absolute value"), 150, 190);
    TrackbarFrame3 = AddTrackbar(this, "TrackbarFrame3", QStringLiteral("Animation"), 8, 222);
    AddNote(this, "Label14", QStringLiteral("Controls the palette rotation speed"), 150, 220);

    ButtonClose = new QLabel(QString(QChar(0x00D7)), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setFont(CardFont(11, true));
    ButtonClose->setAlignment(Qt::AlignCenter);
    ButtonClose->setGeometry(261, 9, 18, 17);
    ButtonClose->setCursor(Qt::PointingHandCursor);
    ButtonClose->installEventFilter(this);

    FOffset = QPoint(FStore.ReadInteger(settings::SectionQuickHelpDialog, settings::KeyOffsetX, 5),
                     FStore.ReadInteger(settings::SectionQuickHelpDialog, settings::KeyOffsetY, 5));
}

TQuickHelpDialog::~TQuickHelpDialog()
{
    if (QuickHelpDialog == this)
        QuickHelpDialog = nullptr;
    try {
        FStore.WriteInteger(settings::SectionQuickHelpDialog, settings::KeyOffsetX, FOffset.x());
        FStore.WriteInteger(settings::SectionQuickHelpDialog, settings::KeyOffsetY, FOffset.y());
    } catch (...) {
        // A store that cannot be written loses only the card's place.
    }
}

QPoint TQuickHelpDialog::WorkspaceOrigin() const
{
    return OnWorkspaceOrigin ? OnWorkspaceOrigin() : QPoint(0, 0);
}

void TQuickHelpDialog::Place()
{
    const QPoint offset = FOffset;
    move(WorkspaceOrigin() + offset);
    // Placing is not a drag: the offset stays what it was.
    FOffset = offset;
}

void TQuickHelpDialog::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    FOffset = pos() - WorkspaceOrigin();
}

void TQuickHelpDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The whole surface is the title bar: the window system moves the window
    // where it can, otherwise the card follows the pointer itself.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    FDragging = true;
    FDragStart = event->globalPosition().toPoint();
    FWindowStart = pos();
}

void TQuickHelpDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (FDragging)
        move(FWindowStart + event->globalPosition().toPoint() - FDragStart);
}

void TQuickHelpDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (FDragging && event->button() == Qt::LeftButton)
        FDragging = false;
}

bool TQuickHelpDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ButtonClose && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit closeRequested();
        return true;
    }
    if (watched == ButtonClose && event->type() == QEvent::MouseButtonPress)
        return true; // the close symbol does not start a drag
    return QWidget::eventFilter(watched, event);
}

QPixmap TQuickHelpDialog::MousePicture(const QSize& size)
{
    // A mouse seen from above, scaled proportionally into the box: body,
    // two buttons and the wheel between them.
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height() - 2;
    const qreal w = h * 0.62;
    const QRectF body((size.width() - w) / 2, 1, w, h);
    QPainterPath shell;
    shell.addRoundedRect(body, w * 0.48, h * 0.36);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    p.setBrush(QColor(0xee, 0xee, 0xee));
    p.drawPath(shell);
    const qreal split = body.top() + h * 0.42;
    p.drawLine(QPointF(body.left() + 1, split), QPointF(body.right() - 1, split));
    p.drawLine(QPointF(body.center().x(), body.top()), QPointF(body.center().x(), split));
    // The left button lit: the one the card speaks of.
    QPainterPath left;
    left.addRoundedRect(body, w * 0.48, h * 0.36);
    QPainterPath leftHalf;
    leftHalf.addRect(QRectF(body.left(), body.top(), w / 2, split - body.top()));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9c, 0xc8, 0xf0));
    p.drawPath(left.intersected(leftHalf).translated(0.75, 0.75));
    const QRectF wheel(body.center().x() - w * 0.08, body.top() + h * 0.12, w * 0.16, h * 0.2);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    p.setBrush(QColor(0x70, 0x70, 0x70));
    p.drawRoundedRect(wheel, w * 0.08, w * 0.08);
    return pixmap;
}

QPixmap TQuickHelpDialog::SelectModePicture(const QSize& size)
{
    // The tool bar's "Select mode" button: its icon and caption on a pressed face.
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QColor(0x1f, 0xb3, 0xc4));
    p.setBrush(QColor(0x3d, 0x5f, 0x6e));
    p.drawRoundedRect(face, 3, 3);
    const QIcon icon(QStringLiteral(":/icons/modeselection.png"));
    icon.paint(&p, QRect(4, (size.height() - 20) / 2, 20, 20));
    p.setPen(QColor(0xe2, 0xea, 0xee));
    const QString caption = QStringLiteral("Select mode");
    const QRect text(27, 0, size.width() - 29, size.height());
    p.setFont(FittingFont(caption, text.width(), 8, false));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, caption);
    return pixmap;
}

} // namespace quillon

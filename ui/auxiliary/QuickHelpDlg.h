#pragma once
// The quick-help card: a small borderless, semi-transparent window over the
// main window's image that sums up the mouse and the control bar. It is
// dragged by any point of its surface and keeps its offset from the
// workspace, also across runs.
#include <QtWidgets/QWidget>

#include <functional>

class QLabel;

namespace quillon {

class TRegIniFile;
class TTrackbarFrame;

class TQuickHelpDialog : public QWidget {
    Q_OBJECT

public:
    // Reads the offset from Store, which must outlive the window.
    TQuickHelpDialog(TRegIniFile& Store, QWidget* Owner);
    // Writes the offset back.
    ~TQuickHelpDialog() override;

    // The top-left corner relative to the workspace's client origin.
    QPoint Offset() const { return FOffset; }
    // Puts the window at the workspace origin plus the offset.
    void Place();

    // The workspace's client origin in screen coordinates.
    std::function<QPoint()> OnWorkspaceOrigin;

signals:
    // The close symbol was clicked.
    void closeRequested();

public:

    QLabel* ButtonClose = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image3 = nullptr;
    TTrackbarFrame* TrackbarFrame1 = nullptr;
    TTrackbarFrame* TrackbarFrame2 = nullptr;
    TTrackbarFrame* TrackbarFrame3 = nullptr;

    // The two pictures, drawn here.
    static QPixmap MousePicture(const QSize& size);
    static QPixmap SelectModePicture(const QSize& size);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint WorkspaceOrigin() const;

    TRegIniFile& FStore;
    QPoint FOffset{5, 5};
    // Dragging by hand where the window system cannot move the window itself.
    bool FDragging = false;
    QPoint FDragStart;   // pointer, screen coordinates
    QPoint FWindowStart; // window position at the press
};

// The quick-help window while one is shown.
extern TQuickHelpDialog* QuickHelpDialog;

} // namespace quillon

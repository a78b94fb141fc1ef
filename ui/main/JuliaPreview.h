#pragma once
// The Julia preview: a small tool window that shows, while the Mandelbrot set
// is explored, the Julia set of the plane point under the pointer, colored as
// the main image. It keeps its offset from the workspace, also across runs, as
// the quick-help card does; a double-click in it asks the main window to show
// that Julia set.
//
// The pictures come from a TJuliaPreviewRenderer: one low-priority worker on
// the vectorised kernel that keeps only the newest request. While the main
// rendering runs the worker is paused, so the main image keeps every core.
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "ui/main/logic/JuliaPreviewRenderer.h"

class QTimer;

namespace quillon {

class TProcessor;
class TRegIniFile;

class TJuliaPreview : public QWidget {
    Q_OBJECT

public:
    // The picture's size in pixels.
    static constexpr int PictureWidth = 240;
    static constexpr int PictureHeight = 180;

    // Reads the offset from Store, which must outlive the window. Source is
    // the main image's processor: its limits and colors are the preview's.
    TJuliaPreview(TRegIniFile& Store, const TProcessor& Source, QWidget* Owner);
    // Writes the offset back.
    ~TJuliaPreview() override;

    // The pointer is over plane point Z of the Mandelbrot set: a picture of
    // its Julia set is requested.
    void PointerAt(const TPoint2D& Z);
    // The point of the newest request, and of the picture shown (if any).
    TPoint2D RequestedPoint() const { return FRequest.JuliaPoint; }
    bool HasPicture() const { return FHasPicture; }
    TPoint2D ShownPoint() const { return FShownPoint; }
    // The picture shown, with the main image's colors of the moment.
    QImage Picture() const;
    // Pictures shown since the window opened.
    int PicturesShown() const { return FPicturesShown; }
    TJuliaPreviewRenderer& Renderer() { return *FRenderer; }

    // The top-left corner relative to the workspace's client origin.
    QPoint Offset() const { return FOffset; }
    // Puts the window at the workspace origin plus the offset.
    void Place();

    // The workspace's client origin in screen coordinates.
    std::function<QPoint()> OnWorkspaceOrigin;
    // True while the main rendering runs: the preview waits for it.
    std::function<bool()> OnMainBusy;

signals:
    // A double-click asks for the Julia set shown.
    void juliaSetRequested(const TPoint2D& JuliaPoint);
    // The user closed the window with the window system's close button.
    void closedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint WorkspaceOrigin() const;
    void UpdatePause();
    // Shows the pictures the worker left in FArrived. Posted from the worker by
    // name, and the pictures pass under a mutex: Qt's event queue is invisible to
    // ThreadSanitizer, so a posted functor carrying them would look like a race.
    Q_INVOKABLE void TakeArrivedPictures();
    void PictureArrived(TJuliaPreviewPicture&& Picture);

    TRegIniFile& FStore;
    const TProcessor& FSource;
    std::unique_ptr<TJuliaPreviewRenderer> FRenderer;
    TJuliaPreviewRequest FRequest;
    QImage FPicture;
    TPoint2D FShownPoint;
    bool FHasPicture = false;
    int FPicturesShown = 0;
    QPoint FOffset;
    // Looks again while the preview waits for the main rendering.
    QTimer* FBusyTimer = nullptr;
    // Pictures a second, for the debug log.
    QTimer* FRateTimer = nullptr;
    int FRateCount = 0;
    int FRateRequests = 0;
    std::mutex FArrivedMutex;
    std::deque<TJuliaPreviewPicture> FArrived;
};

} // namespace quillon

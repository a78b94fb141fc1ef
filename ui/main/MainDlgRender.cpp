// Render control: starting and stopping, the view and size setters, palette
// changes, the progress timer and painting.
#include "ui/main/MainDlg.h"

#include <QtGui/QGuiApplication>

#include <cmath>
#include <QtGui/QPainter>
#include <QtWidgets/QLabel>
#include <QtCore/QTimer>
#include <QtGui/QAction>

#include <chrono>
#include <cstdio>

#include "colormap/ColorMap.h"
#include "ui/main/Cursors.h"
#include "ui/main/PaintBox.h"
#include "ui/main/logic/StatusTexts.h"

namespace quillon {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

std::int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Renderings shorter than this show no progress.
constexpr std::int64_t ProgressDelayNs = 500'000'000;

} // namespace

// --- Following the session ------------------------------------------------------

void TMainDialog::SessionChanged(TSessionChanges Changes)
{
    if (Changes.Contains(scSize)) {
        RecordingSizeChanged();
        SetStatusPanel(1, Q(SizeToStr(Size())));
    }
    // The zoom figure depends on the image width.
    if (Changes.Contains(scView) || Changes.Contains(scSize))
        UpdateViewPanels();
    if (Changes.Contains(scParameters))
        UpdateParameterControls();
    if (Changes.Contains(scRunning)) {
        if (FSession->Rendering())
            RenderingStarted();
        else if (Timer->isActive())
            RenderingFinished();
    }
    PaintBox->update();
}

void TMainDialog::RenderingStarted()
{
    SetGlobalCursor(gcHourglass);
    SetRenderIcon(IconRenderRunning);
    SetCommandEnabled(ActionZoomIn, false);
    SetCommandEnabled(ActionZoomOut, false);
    SetCommandEnabled(ActionHome, false);
    FFinishedPaintDue = false;
    FRenderStartedNs = SteadyNs();
    Timer->start();
}

void TMainDialog::RenderingFinished()
{
    Timer->stop();
    SetGlobalCursor(RotatePalette() ? gcAnimate : gcNone);
    SetRenderIcon(IconRender);
    SetCommandEnabled(ActionZoomIn, true);
    SetCommandEnabled(ActionZoomOut, true);
    SetCommandEnabled(ActionHome, true);
    SetStatusPanel(13, Q(ElapsedText(Processor().ElapsedMs())));
    FFinishedPaintDue = true;
    // Not from inside a stop: its caller may be about to change the processor.
    if (FSizePending)
        QTimer::singleShot(0, this, [this] { ApplyPendingSize(); });
}

void TMainDialog::RenderingEnded()
{
    // Nothing to do when the rendering was stopped and finished already, or
    // when a newer one runs.
    if (FSession->CheckRendering())
        PaintBox->repaint();
}

void TMainDialog::TimerTimer()
{
    // A long rendering shows how far it got; RenderingFinished puts the
    // duration back in its place.
    FSession->CheckRendering();
    if (Running() && SteadyNs() - FRenderStartedNs >= ProgressDelayNs)
        SetStatusPanel(13, Q(ProgressText(Processor().LinesDone(), Processor().Height())));
    // Painted at once: the partly computed image shows every tick.
    PaintBox->repaint();
}

void TMainDialog::FinishedImagePainted()
{
    FFinishedPaintDue = false;
    const std::int64_t ended = FEndedAt.load(std::memory_order_relaxed);
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    FFinishedPaintDelayMs = static_cast<double>(now - ended) / 1e6;
    if (FTraceRendering)
        std::fprintf(stderr, "quillon: rendering %.1f ms, finished image painted %.1f ms after its end\n",
                     Processor().ElapsedMs(), FFinishedPaintDelayMs);
}

void TMainDialog::UpdateSize()
{
    // A collapsed workspace (a window shrunk to nothing) has no image to show.
    const QSize pixels = PaintBoxPixels();
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return;
    SetSize(TSize{pixels.width(), pixels.height()});
}

void TMainDialog::UpdateViewPanels()
{
    const TView view = View();
    SetStatusPanel(7, Q(CenterText(view)));
    // The panel holds three decimals; deep views need all the digits.
    StatusPanel(7)->setToolTip(Q(PreciseCenterText(view)));
    SetStatusPanel(9, Q(ZoomText(ZoomFigure(Processor().Width(), view.Scale))));
    SetStatusPanel(11, Q(AngleText(view)));
    SetStatusPanel(14, std::abs(view.Scale) <= DeepestScale ? tr("Deepest") : QString());
}

bool TMainDialog::RotatePalette() const
{
    return TimerRotatePalette->isActive();
}

// --- Painting ------------------------------------------------------------------

qreal TMainDialog::PixelRatio() const
{
    return PaintBox->devicePixelRatioF();
}

QSize TMainDialog::PaintBoxPixels() const
{
    const qreal ratio = PixelRatio();
    return QSize(qRound(PaintBox->width() * ratio), qRound(PaintBox->height() * ratio));
}

void TMainDialog::UpdateImageOffset()
{
    // Truncating division: negative when the image is larger than the workspace.
    const QSize pixels = PaintBoxPixels();
    FImageOffset = QPoint((pixels.width() - Processor().Width()) / 2, (pixels.height() - Processor().Height()) / 2);
}

void TMainDialog::PaintBoxPaint(QPainter& Painter)
{
    UpdateImageOffset();
    // Images drawn at the screen's ratio cover one device pixel per pixel.
    const qreal ratio = PixelRatio();
    const TPaletteBitmap& bitmap = Processor().Bitmap();
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (w <= 0 || h <= 0)
        return;
    // Only the trace times the recoloring.
    const auto paintStart = FTraceRendering ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
    if (SmoothShown()) {
        // One recoloring from the index image and the continuous values per paint.
        if (FImage.width() != w || FImage.height() != h || FImage.format() != QImage::Format_RGB32)
            FImage = QImage(w, h, QImage::Format_RGB32);
        Processor().CopySmoothPixels(reinterpret_cast<std::uint32_t*>(FImage.bits()),
                                     static_cast<int>(FImage.bytesPerLine() / 4), 0, h);
    } else {
        if (FImage.width() != w || FImage.height() != h || FImage.format() != QImage::Format_Indexed8)
            FImage = QImage(w, h, QImage::Format_Indexed8);
        bitmap.CopyPixels(FImage.bits(), static_cast<int>(FImage.bytesPerLine()), true);
        const auto table = bitmap.ColorTable();
        QList<QRgb> colors(static_cast<qsizetype>(table.size()));
        for (std::size_t i = 0; i < table.size(); ++i)
            colors[static_cast<qsizetype>(i)] = 0xFF000000u | table[i];
        FImage.setColorTable(colors);
    }
    if (FFinishedPaintDue && !Running())
        FinishedImagePainted();
    if (FTraceRendering && RotatePalette())
        TraceAnimationFrame(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                                 paintStart)
                                .count());
    // The overlay only while no rendering runs.
    if (Running() || ToolMode() != tmSelection || !Selection().GetValid()) {
        FImage.setDevicePixelRatio(ratio);
        Painter.drawImage(QPointF(FImageOffset) / ratio, FImage);
        return;
    }
    // The overlay inverts what lies below: drawn in device pixels on a raster
    // image of the whole paint box, background included.
    const QSize pixels = PaintBoxPixels();
    if (FComposite.size() != pixels)
        FComposite = QImage(pixels, QImage::Format_RGB32);
    FComposite.setDevicePixelRatio(1);
    FImage.setDevicePixelRatio(1);
    FComposite.fill(PanelWorkspace->palette().color(PanelWorkspace->backgroundRole()));
    {
        QPainter composite(&FComposite);
        composite.drawImage(FImageOffset, FImage);
        DrawSelection(composite);
    }
    FComposite.setDevicePixelRatio(ratio);
    Painter.drawImage(QPointF(0, 0), FComposite);
}

void TMainDialog::TraceAnimationFrame(std::int64_t paintNs)
{
    TAnimationTrace& t = FAnimationTrace;
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    if (t.SinceNs == 0) {
        t = {now, 0, 0, 0};
        return;
    }
    ++t.Frames;
    t.PaintNs += paintNs;
    const double seconds = static_cast<double>(now - t.SinceNs) / 1e9;
    if (seconds < 2)
        return;
    std::fprintf(stderr,
                 "quillon: palette animation %dx%d%s: %d ticks, %d frames in %.2f s (%.1f frames/s), "
                 "recoloring %.2f ms per frame\n",
                 Processor().Width(), Processor().Height(), SmoothShown() ? " smooth" : "", t.Ticks, t.Frames,
                 seconds, t.Frames / seconds, static_cast<double>(t.PaintNs) / 1e6 / t.Frames);
    t = {now, 0, 0, 0};
}

TPoint2D TMainDialog::PaintBoxToLog(const QPoint& P) const
{
    return Processor().PixelToLog(TPoint{P.x() - FImageOffset.x(), P.y() - FImageOffset.y()});
}

bool TMainDialog::DeepView() const
{
    return View().HasPreciseCenter() || TProcessor::NeedsDeep(View(), Processor().Size());
}

TPreciseCenter TMainDialog::PaintBoxToPrecise(const QPoint& P) const
{
    if (!DeepView()) {
        const TPoint2D z = PaintBoxToLog(P);
        return {TPreciseNumber(z.x), TPreciseNumber(z.y)};
    }
    const TPoint2D offset = Processor().PixelToOffset(TPoint{P.x() - FImageOffset.x(), P.y() - FImageOffset.y()});
    return MoveView(View(), offset).PreciseCenter();
}

QPoint TMainDialog::ViewCenterToPaintBox(const TView& V) const
{
    if (!DeepView() && !V.HasPreciseCenter()) return LogToPaintBox(V.Center);
    // The centres' difference at full precision, then the pixel at that
    // offset: deep views are beyond the doubles of LogToPaintBox, whose
    // matrix moves by the centre over the scale.
    const TPreciseCenter a = V.PreciseCenter(), b = View().PreciseCenter();
    TMatrix2D toPixel = Processor().PxToOffsetMatrix;
    toPixel.Inverse();
    const TPoint2D c = toPixel.Transform(TPoint2D{a.X.Minus(b.X).ToDouble(), a.Y.Minus(b.Y).ToDouble()});
    return QPoint(RoundToInt(c.x) + FImageOffset.x(), RoundToInt(c.y) + FImageOffset.y());
}

QPoint TMainDialog::LogToPaintBox(const TPoint2D& Z) const
{
    const TPoint p = Processor().LogToPixel(Z);
    return QPoint(p.x + FImageOffset.x(), p.y + FImageOffset.y());
}

// --- Global cursor ---------------------------------------------------------------

void TMainDialog::SetGlobalCursor(TGlobalCursor Value)
{
    if (Value == FGlobalCursor)
        return;
    if (FGlobalCursor != gcNone)
        QGuiApplication::restoreOverrideCursor();
    FGlobalCursor = Value;
    FCursorFrameTimer->stop();
    if (Value == gcHourglass) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (Value == gcAnimate) {
        // The animated cursor: its frames follow one another on a timer.
        FCursorFrame = 0;
        QGuiApplication::setOverrideCursor(Cursor(crAnimate));
        if (AnimatedCursorFrames().size() > 1)
            FCursorFrameTimer->start();
    }
}

void TMainDialog::UpdateGlobalCursor()
{
    if (RotatePalette())
        SetGlobalCursor(gcAnimate);
    else if (Timer->isActive())
        SetGlobalCursor(gcHourglass);
    else
        SetGlobalCursor(gcNone);
}

} // namespace quillon

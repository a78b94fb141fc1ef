// Render control: starting and stopping, the view and size setters, palette
// changes, the progress timer and painting.
#include "ui/main/MainDlg.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtWidgets/QLabel>
#include <QtCore/QTimer>
#include <QtGui/QAction>

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

} // namespace

bool TMainDialog::Running() const
{
    return FProcessor->Running();
}

void TMainDialog::SetRunning(bool Value)
{
    if (!Value) {
        // A rendering that ended since the last progress tick is finished here
        // too, so its window-size lock and hourglass do not wait for the tick.
        if (!Running() && !Timer->isActive())
            return;
        FProcessor->SetRunning(false);
        RenderingFinished();
        PaintBox->update();
        return;
    }
    if (Running())
        return;
    if (FLockCount != 0)
        return;
    SetGlobalCursor(gcHourglass);
    SetRenderIcon(IconRenderRunning);
    SetCommandEnabled(ActionZoomIn, false);
    SetCommandEnabled(ActionZoomOut, false);
    SetCommandEnabled(ActionHome, false);
    LockWindowSize(true);
    FProcessor->Start();
    ++FRenderStartCount;
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
    LockWindowSize(false);
    SetStatusPanel(13, Q(ElapsedText(FProcessor->ElapsedMs())));
}

void TMainDialog::TimerTimer()
{
    if (!FProcessor->Running())
        RenderingFinished();
    // Painted at once: the partly computed image shows every tick.
    PaintBox->repaint();
}

void TMainDialog::CheckAutoRender()
{
    if (FAutoRender)
        SetRunning(true);
}

void TMainDialog::SetAutoRender(bool Value)
{
    if (Value == FAutoRender)
        return;
    FAutoRender = Value;
    ActionAutoRender->setChecked(Value);
}

TView TMainDialog::View() const
{
    return FProcessor->View();
}

void TMainDialog::SetView(const TView& Value)
{
    if (!((Value.GetValid() && !(Value == FProcessor->View())) || FInitializing))
        return;
    FProcessor->SetView(Value);
    UpdateViewPanels();
    PaintBox->update();
    SetRunning(true);
}

TSize TMainDialog::Size() const
{
    return FProcessor->Size();
}

void TMainDialog::SetSize(const TSize& Value)
{
    if (Value == Size())
        return;
    FProcessor->SetSize(Value);
    RecordingSizeChanged();
    SetStatusPanel(1, Q(SizeToStr(Value)));
    // The zoom figure depends on the image width.
    UpdateViewPanels();
    PaintBox->update();
    SetRunning(true);
}

void TMainDialog::UpdateSize()
{
    // A collapsed workspace (a window shrunk to nothing) has no image to show.
    const QSize pixels = PaintBoxPixels();
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return;
    SetSize(TSize{pixels.width(), pixels.height()});
}

void TMainDialog::Setup(const TSize& ASize, const TView& AView)
{
    if (ASize == Size() && AView == View())
        return;
    LockRendering();
    try {
        SetView(AView);
        SetSize(ASize);
    } catch (...) {
        UnlockRendering();
        throw;
    }
    UnlockRendering();
    PaintBox->update();
    SetRunning(true);
}

void TMainDialog::UpdateViewPanels()
{
    const TView view = FProcessor->View();
    SetStatusPanel(7, Q(CenterText(view)));
    SetStatusPanel(9, Q(ZoomText(ZoomFigure(FProcessor->Width(), view.Scale))));
    SetStatusPanel(11, Q(AngleText(view)));
}

void TMainDialog::ColorMapChanged()
{
    ApplyColorMap();
}

void TMainDialog::ApplyColorMap()
{
    const std::vector<TColor> colors = FColorMap->AsColorArray();
    SetRunning(false);
    FProcessor->SetColors(colors);
    SetRunning(true);
    PaintBox->update();
}

int TMainDialog::MaxSteps() const
{
    return FProcessor->MaxSteps();
}

double TMainDialog::MaxAbs() const
{
    return FProcessor->MaxAbs();
}

bool TMainDialog::InteriorVisible() const
{
    return FProcessor->Options().Contains(poInterior);
}

void TMainDialog::SetInteriorVisible(bool Value)
{
    if (Value == InteriorVisible())
        return;
    TProcessorOptions options = FProcessor->Options();
    if (Value)
        options.Include(poInterior);
    else
        options.Exclude(poInterior);
    FProcessor->SetOptions(options);
    ActionInteriorVisible->setChecked(Value);
    CheckAutoRender();
}

bool TMainDialog::ColorWrapping() const
{
    return FProcessor->Options().Contains(poColorWrapping);
}

void TMainDialog::SetColorWrapping(bool Value)
{
    if (Value == ColorWrapping())
        return;
    TProcessorOptions options = FProcessor->Options();
    if (Value)
        options.Include(poColorWrapping);
    else
        options.Exclude(poColorWrapping);
    FProcessor->SetOptions(options);
    CheckAutoRender();
}

TAlgorithm TMainDialog::Algorithm() const
{
    return FProcessor->Algorithm();
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
    FImageOffset = QPoint((pixels.width() - FProcessor->Width()) / 2, (pixels.height() - FProcessor->Height()) / 2);
}

void TMainDialog::PaintBoxPaint(QPainter& Painter)
{
    UpdateImageOffset();
    // Images drawn at the screen's ratio cover one device pixel per pixel.
    const qreal ratio = PixelRatio();
    const TPaletteBitmap& bitmap = FProcessor->Bitmap();
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (w <= 0 || h <= 0)
        return;
    if (FImage.width() != w || FImage.height() != h)
        FImage = QImage(w, h, QImage::Format_Indexed8);
    bitmap.CopyPixels(FImage.bits(), static_cast<int>(FImage.bytesPerLine()), true);
    const auto table = bitmap.ColorTable();
    QList<QRgb> colors(static_cast<qsizetype>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i)
        colors[static_cast<qsizetype>(i)] = 0xFF000000u | table[i];
    FImage.setColorTable(colors);
    // The overlay only while no rendering runs.
    if (Running() || FToolMode != tmSelection || !FSelection.GetValid()) {
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

TPoint2D TMainDialog::PaintBoxToLog(const QPoint& P) const
{
    return FProcessor->PixelToLog(TPoint{P.x() - FImageOffset.x(), P.y() - FImageOffset.y()});
}

QPoint TMainDialog::LogToPaintBox(const TPoint2D& Z) const
{
    const TPoint p = FProcessor->LogToPixel(Z);
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

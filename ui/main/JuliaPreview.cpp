#include "ui/main/JuliaPreview.h"

#include <QtCore/QLoggingCategory>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

#include <cstring>

#include "engine/MandelbrotProcessor.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"

namespace quillon {

// "quillon.juliapreview.info=true" in QT_LOGGING_RULES logs the pictures shown each second.
Q_LOGGING_CATEGORY(lcJuliaPreview, "quillon.juliapreview", QtWarningMsg)

namespace {

// Beside the quick-help card, over the image.
constexpr int DefaultOffsetX = 300;
constexpr int DefaultOffsetY = 5;

} // namespace

TJuliaPreview::TJuliaPreview(TRegIniFile& Store, const TProcessor& Source, QWidget* Owner)
    : QWidget(Owner, Qt::Tool | Qt::WindowDoesNotAcceptFocus), FStore(Store), FSource(Source),
      FRenderer(std::make_unique<TJuliaPreviewRenderer>())
{
    setObjectName(QStringLiteral("JuliaPreview"));
    setWindowTitle(QStringLiteral("Julia preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(PictureWidth, PictureHeight);
    setToolTip(QStringLiteral("Double-click shows this Julia set"));

    FRequest.Size = TSize{PictureWidth, PictureHeight};
    FRequest.View = TJuliaPreviewRenderer::WholeSetView(FRequest.Size);

    // The worker hands each picture over to this thread; once the window is
    // gone Qt drops what is still on its way.
    FRenderer->OnPicture = [this](TJuliaPreviewPicture&& picture) {
        {
            const std::lock_guard lock(FArrivedMutex);
            FArrived.push_back(std::move(picture));
        }
        QMetaObject::invokeMethod(this, "TakeArrivedPictures", Qt::QueuedConnection);
    };

    FBusyTimer = new QTimer(this);
    FBusyTimer->setInterval(20);
    connect(FBusyTimer, &QTimer::timeout, this, [this] { UpdatePause(); });

    FRateTimer = new QTimer(this);
    FRateTimer->setInterval(1000);
    connect(FRateTimer, &QTimer::timeout, this, [this] {
        if (FRateCount > 0 || FRateRequests > 0)
            qCInfo(lcJuliaPreview, "%d pictures/s for %d pointer moves/s", FRateCount, FRateRequests);
        FRateCount = 0;
        FRateRequests = 0;
    });
    if (lcJuliaPreview().isInfoEnabled())
        FRateTimer->start();

    FOffset = QPoint(FStore.ReadInteger(settings::SectionJuliaPreview, settings::KeyOffsetX, DefaultOffsetX),
                     FStore.ReadInteger(settings::SectionJuliaPreview, settings::KeyOffsetY, DefaultOffsetY));
}

TJuliaPreview::~TJuliaPreview()
{
    // The worker ends before anything it reports to goes.
    FRenderer.reset();
    try {
        FStore.WriteInteger(settings::SectionJuliaPreview, settings::KeyOffsetX, FOffset.x());
        FStore.WriteInteger(settings::SectionJuliaPreview, settings::KeyOffsetY, FOffset.y());
    } catch (...) {
        // A store that cannot be written loses only the window's place.
    }
}

void TJuliaPreview::PointerAt(const TPoint2D& Z)
{
    const TProcessor& p = FSource;
    FRequest.JuliaPoint = Z;
    FRequest.MaxSteps = p.MaxSteps();
    FRequest.MaxAbs = p.MaxAbs();
    FRequest.ColorOffset = p.ColorOffset();
    FRequest.ColorCount = p.ColorCount();
    FRequest.ColorWrapping = p.Options().Contains(poColorWrapping);
    FRequest.Interior = p.Options().Contains(poInterior);
    FRequest.InteriorFactor = p.InteriorFactor();
    UpdatePause();
    FRenderer->Request(FRequest);
    ++FRateRequests;
}

void TJuliaPreview::UpdatePause()
{
    const bool busy = OnMainBusy && OnMainBusy();
    FRenderer->SetPaused(busy);
    // Nothing tells the preview when the main rendering ends: it looks.
    if (busy && !FBusyTimer->isActive())
        FBusyTimer->start();
    else if (!busy)
        FBusyTimer->stop();
}

void TJuliaPreview::TakeArrivedPictures()
{
    std::deque<TJuliaPreviewPicture> arrived;
    {
        const std::lock_guard lock(FArrivedMutex);
        arrived.swap(FArrived);
    }
    for (TJuliaPreviewPicture& picture : arrived)
        PictureArrived(std::move(picture));
}

void TJuliaPreview::PictureArrived(TJuliaPreviewPicture&& Picture)
{
    const int w = Picture.Size.Width;
    const int h = Picture.Size.Height;
    if (w <= 0 || h <= 0)
        return;
    if (FPicture.width() != w || FPicture.height() != h)
        FPicture = QImage(w, h, QImage::Format_Indexed8);
    for (int y = 0; y < h; ++y)
        std::memcpy(FPicture.scanLine(y), Picture.Indices.data() + static_cast<std::size_t>(y) * w,
                    static_cast<std::size_t>(w));
    FShownPoint = Picture.JuliaPoint;
    FHasPicture = true;
    ++FPicturesShown;
    ++FRateCount;
    // At once: a queued update would merge pictures the worker made apart.
    repaint();
}

QImage TJuliaPreview::Picture() const
{
    if (!FHasPicture)
        return {};
    QImage image = FPicture;
    const auto table = FSource.Bitmap().ColorTable();
    QList<QRgb> colors(static_cast<qsizetype>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i)
        colors[static_cast<qsizetype>(i)] = 0xFF000000u | table[i];
    image.setColorTable(colors);
    return image;
}

void TJuliaPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!FHasPicture) {
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::gray);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Move the pointer over the Mandelbrot set"));
        return;
    }
    painter.drawImage(rect(), Picture());
}

void TJuliaPreview::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FHasPicture) {
        emit juliaSetRequested(FShownPoint);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

QPoint TJuliaPreview::WorkspaceOrigin() const
{
    return OnWorkspaceOrigin ? OnWorkspaceOrigin() : QPoint(0, 0);
}

void TJuliaPreview::Place()
{
    const QPoint offset = FOffset;
    move(WorkspaceOrigin() + offset);
    // Placing is not a drag: the offset stays what it was.
    FOffset = offset;
}

void TJuliaPreview::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    FOffset = pos() - WorkspaceOrigin();
}

void TJuliaPreview::closeEvent(QCloseEvent* event)
{
    // Refusing a close would hold the application open when the main window
    // closes. Only the user's own close (from the window system) turns the
    // preview off; one that follows the main window keeps its state stored.
    QWidget::closeEvent(event);
    if (event->spontaneous())
        emit closedByUser();
}

} // namespace quillon

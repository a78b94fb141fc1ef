// The window on a high-density screen (two device pixels per pixel): the
// image is computed and painted in device pixels, and the mouse maps through
// the same ratio.
#include <QtTest/QtTest>

#include <QtGui/QMouseEvent>

#include <memory>

#include "persist/RegFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "WindowTestSupport.h"

using namespace quillon;

namespace {

TView V(double x, double y, double scale, double angle = 0)
{
    return TView::Create(TPoint2D::Create(x, y), scale, angle);
}

void Mouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A left-button drag in steps; positions in (logical) widget pixels.
void Drag(QWidget* w, const QPoint& from, const QPoint& to)
{
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 5; ++i)
        Mouse(w, QEvent::MouseMove, from + (to - from) * i / 5, Qt::NoButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The image as the window shows it.
QImage ScreenImage(const TMainDialog& w)
{
    const TPaletteBitmap& bitmap = w.Processor().Bitmap();
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
    bitmap.CopyPixels(image.bits(), static_cast<int>(image.bytesPerLine()), true);
    const auto table = bitmap.ColorTable();
    QList<QRgb> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = 0xFF000000u | table[static_cast<std::size_t>(i)];
    image.setColorTable(colors);
    return image.convertToFormat(QImage::Format_RGB32);
}

// The paint box as painted, one pixel per device pixel.
QImage Painted(TMainDialog& w)
{
    const QPixmap shot = w.PaintBox->grab();
    [&] { QCOMPARE(shot.devicePixelRatio(), 2.0); }();
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

// The pixels of Painted at Offset that differ from Image.
int Differing(const QImage& painted, const QPoint& offset, const QImage& image)
{
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            differing += painted.pixel(offset.x() + x, offset.y() + y) != image.pixel(x, y);
    return differing;
}

} // namespace

class MainDlgHiDpiTest : public QObject {
    Q_OBJECT

    std::unique_ptr<uitest::TTestStore> FStore;
    QStringList FErrors;
    std::unique_ptr<TMainDialog> FWindow;

    static bool Idle(const TMainDialog& w)
    {
        return !w.Running() && w.RenderIconIndex() == TMainDialog::IconRender;
    }

    TMainDialog& Open()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->SetQuickHelpVisible(false);
        FWindow->show();
        TMainDialog& w = *FWindow;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000); }();
        w.SetMaxSteps(60);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000); }();
        return w;
    }

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
    }

    void init()
    {
        FStore = std::make_unique<uitest::TTestStore>(FErrors);
    }

    void cleanup()
    {
        FWindow.reset();
        FStore.reset();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
    }

    void imageIsComputedAndPaintedInDevicePixels()
    {
        TMainDialog& w = Open();
        QCOMPARE(w.PixelRatio(), 2.0);
        const QSize logical = w.PaintBox->size();
        QVERIFY(logical.width() > 100 && logical.height() > 100);
        QCOMPARE(w.Size(), (TSize{2 * logical.width(), 2 * logical.height()}));
        QCOMPARE(w.StatusPanelText(1), QString::fromStdString(SizeToStr(w.Size())));
        QCOMPARE(w.ImageOffset(), QPoint(0, 0));
        QImage painted = Painted(w);
        QCOMPARE(painted.size(), logical * 2);
        QCOMPARE(Differing(painted, QPoint(0, 0), ScreenImage(w)), 0);

        // A smaller image of odd size, centred on a device pixel.
        w.Setup(TSize{301, 201}, w.View());
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QPoint offset((2 * logical.width() - 301) / 2, (2 * logical.height() - 201) / 2);
        QCOMPARE(w.ImageOffset(), offset);
        QCOMPARE(Differing(Painted(w), offset, ScreenImage(w)), 0);

        // Under the selection's overlay, the image away from it is painted alike.
        w.SetToolMode(tmSelection);
        w.SetSelection(V(w.View().Center.x, w.View().Center.y, w.View().Scale / 20));
        painted = Painted(w);
        const QImage screen = ScreenImage(w);
        QCOMPARE(Differing(painted, offset, screen.copy(0, 0, 40, 40)), 0);
        QCOMPARE(Differing(painted, offset + QPoint(261, 161), screen.copy(261, 161, 40, 40)), 0);
    }

    void mouseMapsThroughTheRatio()
    {
        TMainDialog& w = Open();
        w.Setup(w.Size(), V(-0.6, 0, 0.01, 0.5));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        // A pan by (50, 20) pixels moves the view by (100, 40) device pixels.
        w.SetToolMode(tmCursor);
        const TView before = w.View();
        const TPoint2D dz = w.Processor().PxToLogMatrix.TransformDistance(TPoint{100, 40});
        Drag(w.PaintBox, QPoint(100, 80), QPoint(150, 100));
        QCOMPARE(w.View().Center, TPoint2D::Create(before.Center.x - dz.x, before.Center.y - dz.y));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        // A click places the selection at the device pixel under the pointer.
        w.SetToolMode(tmSelection);
        Mouse(w.PaintBox, QEvent::MouseButtonPress, QPoint(60, 45), Qt::LeftButton, Qt::LeftButton);
        Mouse(w.PaintBox, QEvent::MouseButtonRelease, QPoint(60, 45), Qt::LeftButton, Qt::NoButton);
        QVERIFY(w.Selection().GetValid());
        QCOMPARE(w.Selection().Center, w.PaintBoxToLog(QPoint(120, 90)));
        // Its handles are hit where they are painted: the centre drags the selection.
        const TPoint2D moved = w.PaintBoxToLog(QPoint(160, 110));
        Drag(w.PaintBox, QPoint(60, 45), QPoint(80, 55));
        QCOMPARE(w.Selection().Center, moved);

        // A middle click zooms to the selection; the wheel sizes it.
        const double scale = w.Selection().Scale;
        QWheelEvent wheel(QPointF(70, 50), QPointF(w.PaintBox->mapToGlobal(QPoint(70, 50))), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w.PaintBox, &wheel);
        QVERIFY(w.Selection().Scale > scale);
        const TView target = w.Selection();
        Mouse(w.PaintBox, QEvent::MouseButtonPress, QPoint(10, 10), Qt::MiddleButton, Qt::MiddleButton);
        Mouse(w.PaintBox, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::MiddleButton, Qt::NoButton);
        QCOMPARE(w.View(), target);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
    }
};

int main(int argc, char* argv[])
{
    // Two device pixels per pixel, before the application reads the screens.
    qputenv("QT_SCALE_FACTOR", "2");
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgHiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgHiDpiTest.moc"

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
using namespace quillon::uitest;

namespace {

// The paint box as painted, one pixel per device pixel.
QImage Painted(TMainDialog& w)
{
    const QPixmap shot = uitest::PaintBox(w)->grab();
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

class MainDlgHiDpiTest : public QObject, TWindowTest {
    Q_OBJECT

    TMainDialog& Open()
    {
        TMainDialog& w = NewWindow();
        w.show();
        WaitIdle(w);
        w.SetMaxSteps(60);
        WaitIdle(w);
        return w;
    }

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
    }

    void init()
    {
        InitWindowTest();
    }

    void cleanup()
    {
        EndWindowTest();
    }

    void imageIsComputedAndPaintedInDevicePixels()
    {
        TMainDialog& w = Open();
        QCOMPARE(w.PixelRatio(), 2.0);
        const QSize logical = uitest::PaintBox(w)->size();
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
        QWidget* box = uitest::PaintBox(w);
        w.Setup(w.Size(), V(-0.6, 0, 0.01, 0.5));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        // A pan by (50, 20) pixels moves the view by (100, 40) device pixels.
        w.SetToolMode(tmCursor);
        const TView before = w.View();
        const TPoint2D dz = w.Processor().PxToLogMatrix.TransformDistance(TPoint{100, 40});
        Drag(box, QPoint(100, 80), QPoint(150, 100));
        QCOMPARE(w.View().Center, TPoint2D::Create(before.Center.x - dz.x, before.Center.y - dz.y));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        // A click places the selection at the device pixel under the pointer.
        w.SetToolMode(tmSelection);
        Mouse(box, QEvent::MouseButtonPress, QPoint(60, 45), Qt::LeftButton, Qt::LeftButton);
        Mouse(box, QEvent::MouseButtonRelease, QPoint(60, 45), Qt::LeftButton, Qt::NoButton);
        QVERIFY(w.Selection().GetValid());
        QCOMPARE(w.Selection().Center, w.PaintBoxToLog(QPoint(120, 90)));
        // Its handles are hit where they are painted: the centre drags the selection.
        const TPoint2D moved = w.PaintBoxToLog(QPoint(160, 110));
        Drag(box, QPoint(60, 45), QPoint(80, 55));
        QCOMPARE(w.Selection().Center, moved);

        // A middle click zooms to the selection; the wheel sizes it.
        const double scale = w.Selection().Scale;
        Wheel(box, QPoint(70, 50), -120);
        QVERIFY(w.Selection().Scale > scale);
        const TView target = w.Selection();
        Mouse(box, QEvent::MouseButtonPress, QPoint(10, 10), Qt::MiddleButton, Qt::MiddleButton);
        Mouse(box, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::MiddleButton, Qt::NoButton);
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

// The main window's exploring aids: the Julia preview, the way forward
// through the history and the zoom about the pointer.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtWidgets/QToolBar>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/JuliaPreview.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

namespace {

// The processor's own Julia image of the preview's request, top row first.
std::vector<std::uint8_t> ReferencePicture(const TProcessor& main, const TPoint2D& c)
{
    TProcessor p;
    const TSize size{TJuliaPreview::PictureWidth, TJuliaPreview::PictureHeight};
    p.SetSize(size);
    p.SetView(TJuliaPreviewRenderer::WholeSetView(size));
    p.SetAlgorithm(alJulia);
    p.SetJuliaPoint(c);
    p.SetMaxSteps(main.MaxSteps());
    p.SetMaxAbs(main.MaxAbs());
    p.SetOptions(main.Options());
    p.SetInteriorFactor(main.InteriorFactor());
    p.SetColors(main.Colors());
    p.SetColorOffset(main.ColorOffset());
    p.Start();
    while (p.Running())
        QTest::qWait(1);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.Width) * size.Height);
    p.Bitmap().CopyPixels(pixels.data(), size.Width, true);
    return pixels;
}

std::vector<std::uint8_t> Indices(const QImage& image)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * image.width(), image.constScanLine(y),
                    static_cast<std::size_t>(image.width()));
    return pixels;
}

} // namespace

class MainDlgExploreTest : public QObject, TWindowTest {
    Q_OBJECT

    // Zooms into three selections, each view idle: the history holds the
    // start and the first two targets.
    static std::vector<TView> ZoomThrice(TMainDialog& w)
    {
        std::vector<TView> views{w.View()};
        for (const TView& target : {V(-0.7, 0.1, 0.004), V(-0.72, 0.12, 0.001, 0.2), V(-0.74, 0.13, 0.0002, 0.1)}) {
            w.SetSelection(target);
            w.ZoomToTarget();
            WaitIdle(w);
            views.push_back(w.View());
        }
        return views;
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

    // --- Julia preview -----------------------------------------------------------

    void previewShowsTheJuliaSetOfThePointUnderThePointer()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        w.SetMaxSteps(80);
        w.SetColorWrapping(true);
        w.Processor().SetColorOffset(7);
        WaitIdle(w);
        QVERIFY(!uitest::Action(w, "ActionJuliaPreview")->isChecked());
        uitest::Action(w, "ActionJuliaPreview")->trigger();
        QVERIFY(uitest::Action(w, "ActionJuliaPreview")->isChecked());
        TJuliaPreview* preview = w.JuliaPreview();
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->windowTitle(), QStringLiteral("Julia preview"));

        for (const QPoint& p : {ImagePoint(w, 120, 140), ImagePoint(w, 300, 40)}) {
            const TPoint2D z = w.PaintBoxToLog(p);
            Hover(box, p);
            QCOMPARE(preview->RequestedPoint(), z);
            QTRY_VERIFY_WITH_TIMEOUT(preview->HasPicture() && preview->ShownPoint() == z, 10000);
            const QImage picture = preview->Picture();
            QCOMPARE(picture.size(), QSize(TJuliaPreview::PictureWidth, TJuliaPreview::PictureHeight));
            QVERIFY(Indices(picture) == ReferencePicture(w.Processor(), z));
            // The main image's colors.
            QCOMPARE(picture.color(1), QRgb(0xFF000000u | w.Processor().Bitmap().ColorTable()[1]));
        }

        // Not while the Julia set is shown: the picture stays.
        const TPoint2D shown = preview->ShownPoint();
        uitest::Action(w, "ActionJulia")->trigger();
        WaitIdle(w);
        Hover(box, ImagePoint(w, 10, 10));
        QCOMPARE(preview->RequestedPoint(), shown);
        uitest::Action(w, "ActionJulia")->trigger();
        WaitIdle(w);

        // Its place and state outlive the window.
        preview->move(preview->pos() + QPoint(30, 20));
        const QPoint offset = preview->Offset();
        // Closing the main window closes the preview too, without turning it off.
        QVERIFY(w.close());
        QVERIFY(w.JuliaPreview());
        FWindow.reset();
        TAppRegistry reg;
        reg.SetCompanyKey(settings::CompanyKey);
        reg.SetApplicationKey(settings::ApplicationKey);
        TRegIniFile& store = reg.Registry();
        QCOMPARE(store.ReadInteger(settings::SectionJuliaPreview, settings::KeyOffsetX, -1), offset.x());
        QCOMPARE(store.ReadInteger(settings::SectionJuliaPreview, settings::KeyOffsetY, -1), offset.y());
        QVERIFY(store.ReadBool(settings::SectionView, settings::KeyJuliaPreviewVisible, false));
        TMainDialog& again = Open();
        QVERIFY(again.JuliaPreview());
        QVERIFY(uitest::Action(again, "ActionJuliaPreview")->isChecked());
        QCOMPARE(again.JuliaPreview()->Offset(), offset);
        uitest::Action(again, "ActionJuliaPreview")->trigger();
        QVERIFY(!again.JuliaPreview());

        // The window system's close button turns it off.
        uitest::Action(again, "ActionJuliaPreview")->trigger();
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        // Straight to the handler: sendEvent would take the mark away.
        static_cast<QObject*>(again.JuliaPreview())->event(&close);
        QTRY_VERIFY(!again.JuliaPreview());
        QVERIFY(!uitest::Action(again, "ActionJuliaPreview")->isChecked());
    }

    void requestsOvertakenWhileTheMainImageRendersAreDropped()
    {
        // Inside the set at the step limit: a rendering that takes a while.
        TMainDialog& w = Open(V(-0.2, 0, 0.0001));
        w.SetJuliaPreviewVisible(true);
        TJuliaPreview* preview = w.JuliaPreview();
        uitest::StartLongRendering(w, 1024);
        QVERIFY(w.Running());
        const QPoint points[] = {ImagePoint(w, 10, 10), ImagePoint(w, 200, 100), ImagePoint(w, 390, 290)};
        for (const QPoint& p : points)
            Hover(uitest::PaintBox(w), p);
        // The preview waits for the main image; two of the three requests were overtaken.
        QVERIFY(preview->Renderer().Paused());
        QCOMPARE(preview->Renderer().DroppedCount(), 2);
        QVERIFY(!preview->HasPicture());
        WaitIdle(w);
        const TPoint2D last = w.PaintBoxToLog(points[2]);
        QTRY_VERIFY_WITH_TIMEOUT(preview->HasPicture(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(preview->Renderer().Idle(), 10000);
        QVERIFY(!preview->Renderer().Paused());
        QCOMPARE(preview->ShownPoint(), last);
        QCOMPARE(preview->PicturesShown(), 1);
        QCOMPARE(preview->Renderer().FinishedCount(), 1);
    }

    void doubleClickInThePreviewShowsThatJuliaSet()
    {
        TMainDialog& w = Open();
        const std::vector<TView> views = ZoomThrice(w);
        const TView selection = V(-0.741, 0.131, 0.00005);
        w.SetSelection(selection);
        w.SetJuliaPreviewVisible(true);
        TJuliaPreview* preview = w.JuliaPreview();
        const QPoint p = ImagePoint(w, 250, 100);
        Hover(uitest::PaintBox(w), p);
        QTRY_VERIFY_WITH_TIMEOUT(preview->HasPicture() && preview->Renderer().Idle(), 10000);
        const TPoint2D c = preview->ShownPoint();
        QCOMPARE(c, w.PaintBoxToLog(p));
        const int renders = w.RenderStartCount();

        QTest::mouseDClick(preview, Qt::LeftButton, Qt::NoModifier, QPoint(120, 90));
        QCOMPARE(w.Algorithm(), alJulia);
        QVERIFY(uitest::Action(w, "ActionJulia")->isChecked());
        QCOMPARE(w.JuliaPoint(), c);
        QCOMPARE(w.View(), HomeView(alJulia));
        QCOMPARE(w.History().Count(), 0);
        QCOMPARE(w.RenderStartCount(), renders + 1); // one rendering, of that point
        WaitIdle(w);

        // In the Julia set a double-click changes only the point.
        w.SetSelection(V(0.1, 0.1, 0.001));
        w.ZoomToTarget();
        WaitIdle(w);
        const TView juliaView = w.View();
        QTest::mouseDClick(preview, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(w.Algorithm(), alJulia);
        QCOMPARE(w.View(), juliaView);
        WaitIdle(w);

        // The switch back finds the Mandelbrot state as it was.
        uitest::Action(w, "ActionJulia")->trigger();
        QCOMPARE(w.Algorithm(), alMandelbrot);
        QCOMPARE(w.View(), views.back());
        QCOMPARE(w.Selection(), selection);
        QCOMPARE(w.History().Count(), 3);
        WaitIdle(w);
    }

    // --- Next view ---------------------------------------------------------------

    void nextViewGoesForwardAfterLastView()
    {
        TMainDialog& w = Open();
        QCOMPARE(uitest::Action(w, "ActionPopHistory")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Left));
        QCOMPARE(uitest::Action(w, "ActionNextView")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Right));
        QCOMPARE(uitest::Action(w, "ActionNextView")->text(), QStringLiteral("&Next view"));
        // On the tool bar, Next view beside Last view.
        const QList<QAction*> bar = uitest::Child<QToolBar>(w, "ToolBar")->actions();
        QVERIFY(bar.contains(uitest::Action(w, "ActionPopHistory")));
        QCOMPARE(bar.indexOf(uitest::Action(w, "ActionNextView")),
                 bar.indexOf(uitest::Action(w, "ActionPopHistory")) + 1);

        const std::vector<TView> views = ZoomThrice(w);
        // Nothing ahead yet.
        uitest::Action(w, "ActionNextView")->trigger();
        QCOMPARE(w.View(), views[3]);
        QVERIFY(Idle(w));

        for (int i = 2; i >= 0; --i) {
            uitest::Action(w, "ActionPopHistory")->trigger();
            QCOMPARE(w.View(), views[static_cast<std::size_t>(i)]);
            WaitIdle(w);
        }
        QCOMPARE(w.History().ForwardCount(), 3);
        for (int i = 1; i <= 3; ++i) {
            uitest::Action(w, "ActionNextView")->trigger();
            QCOMPARE(w.View(), views[static_cast<std::size_t>(i)]);
            QVERIFY(!w.Selection().GetValid());
            WaitIdle(w);
        }
        QCOMPARE(w.History().Count(), 3);

        // The keys, also one after the other while the rendering of the first may run.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(w.View(), views[2]);
        QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(w.View(), views[1]);
        QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(w.View(), views[2]);
        WaitIdle(w);

        // The Julia set and back keep the way forward too.
        uitest::Action(w, "ActionJulia")->trigger();
        WaitIdle(w);
        uitest::Action(w, "ActionJulia")->trigger();
        WaitIdle(w);
        uitest::Action(w, "ActionNextView")->trigger();
        QCOMPARE(w.View(), views[3]);
        WaitIdle(w);
    }

    void aNewViewClearsTheWayForward_data()
    {
        QTest::addColumn<QString>("action");
        for (const char* a : {"zoom into a target", "zoom in", "shift wheel", "pan", "home", "reset", "load scene"})
            QTest::newRow(a) << QString::fromLatin1(a);
    }

    void aNewViewClearsTheWayForward()
    {
        QFETCH(QString, action);
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        const std::vector<TView> views = ZoomThrice(w);
        const QString scene = FStore->filePath(QStringLiteral("scene.qsf"));
        w.SaveToFile(scene);
        uitest::Action(w, "ActionPopHistory")->trigger();
        WaitIdle(w);
        uitest::Action(w, "ActionPopHistory")->trigger();
        WaitIdle(w);
        QCOMPARE(w.History().ForwardCount(), 2);

        if (action == "zoom into a target") {
            w.SetSelection(V(-0.71, 0.11, 0.0001));
            w.ZoomToTarget();
        } else if (action == "zoom in") {
            uitest::Action(w, "ActionZoomIn")->trigger();
        } else if (action == "shift wheel") {
            Wheel(box, ImagePoint(w, 30, 30), 120, Qt::ShiftModifier);
        } else if (action == "pan") {
            w.SetToolMode(tmCursor);
            const QPoint a = ImagePoint(w, 100, 100);
            Mouse(box, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
            for (int i = 1; i <= 5; ++i)
                Mouse(box, QEvent::MouseMove, a + QPoint(10 * i, 6 * i), Qt::NoButton, Qt::LeftButton);
            Mouse(box, QEvent::MouseButtonRelease, a + QPoint(50, 30), Qt::LeftButton, Qt::NoButton);
        } else if (action == "home") {
            uitest::Action(w, "ActionHome")->trigger();
        } else if (action == "reset") {
            uitest::Action(w, "ActionReset")->trigger();
        } else if (action == "load scene") {
            QVERIFY(w.OpenFile(scene));
        }
        QVERIFY(!(w.View() == views[1]));
        QCOMPARE(w.History().ForwardCount(), 0);
        WaitIdle(w);
        const TView now = w.View();
        uitest::Action(w, "ActionNextView")->trigger();
        QCOMPARE(w.View(), now);
        QVERIFY(Idle(w));
    }

    // --- Zoom at the pointer -----------------------------------------------------------

    void shiftWheelZoomsAboutThePointer()
    {
        TMainDialog& w = Open(V(-0.6, 0.1, 0.01, 0.4));
        QWidget* box = uitest::PaintBox(w);
        const QPoint p = ImagePoint(w, 90, 230);
        const TPoint2D anchor = w.PaintBoxToLog(p);
        const TView start = w.View();
        Wheel(box, p, 120, Qt::ShiftModifier);
        QCOMPARE(w.View().Scale, start.Scale * 0.8);
        QCOMPARE(w.View().Angle, start.Angle);
        QVERIFY(Distance(w.PaintBoxToLog(p), anchor) < 1e-6 * w.View().Scale);
        // Refused while rendering, as the plain wheel is: the zoom commands stay
        // disabled until the window sees the rendering end.
        QVERIFY(!uitest::Action(w, "ActionZoomIn")->isEnabled());
        Wheel(box, p, 120, Qt::ShiftModifier);
        QCOMPARE(w.View().Scale, start.Scale * 0.8);
        WaitIdle(w);
        Wheel(box, p, -120, Qt::ShiftModifier);
        QCOMPARE(w.View().Scale, start.Scale * 0.8 * 1.25);
        QVERIFY(Distance(w.PaintBoxToLog(p), anchor) < 1e-6 * w.View().Scale);
        WaitIdle(w);

        // Also with a selection, which the plain wheel resizes: the view zooms, the selection stays.
        const TView selection = V(-0.6, 0.1, 0.001);
        w.SetSelection(selection);
        const QPoint q = ImagePoint(w, 300, 50);
        const TPoint2D anchor2 = w.PaintBoxToLog(q);
        Wheel(box, q, 120, Qt::ShiftModifier);
        QVERIFY(Distance(w.PaintBoxToLog(q), anchor2) < 1e-6 * w.View().Scale);
        QCOMPARE(w.Selection(), selection);
        WaitIdle(w);

        // The plain wheel still zooms about the centre.
        w.SetSelection(TView{});
        const TView before = w.View();
        Wheel(box, q, 120);
        QCOMPARE(w.View().Center, before.Center);
        QCOMPARE(w.View().Scale, before.Scale * 0.8);
        WaitIdle(w);
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgExploreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgExploreTest.moc"

// The main window's display: the selection overlay and what it encloses,
// palette animation with its cursor, the Mandelbrot/Julia switch, the window
// modes (full screen, control bar, interior) and the help window.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolBar>

#include <memory>

#include "colormap/ColorMap.h"
#include "resources/ResourcesInit.h"
#include "ui/auxiliary/HelpViewer.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/Cursors.h"
#include "ui/main/MainDlg.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

class MainDlgDisplayTest : public QObject, TWindowTest {
    Q_OBJECT

    // The workspace as painted.
    static QImage WorkspaceShot(const TMainDialog& w)
    {
        return uitest::Child<QFrame>(w, "PanelWorkspace")->grab().toImage().convertToFormat(QImage::Format_RGB32);
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

    void overlayEnclosesTheRegionTheZoomShows_data()
    {
        QTest::addColumn<double>("viewAngle");
        QTest::addColumn<double>("selectionAngle");
        QTest::newRow("upright") << 0.0 << 0.0;
        QTest::newRow("rotated view") << 30.0 << 30.0;
        QTest::newRow("rotated selection") << 0.0 << 25.0;
        QTest::newRow("both rotated") << -40.0 << 70.0;
    }

    void overlayEnclosesTheRegionTheZoomShows()
    {
        QFETCH(double, viewAngle);
        QFETCH(double, selectionAngle);
        TMainDialog& w = Open(V(-0.6, 0.0, 0.01, viewAngle * Deg));
        const TView selection = V(-0.75, 0.15, 0.005, selectionAngle * Deg);
        w.SetSelection(selection);
        QCOMPARE(w.GetSelectionSize(), (TSize{200, 150}));
        // The overlay is what differs between selection mode and cursor mode.
        const QImage with = WorkspaceShot(w);
        w.SetToolMode(tmCursor);
        const QImage without = WorkspaceShot(w);
        w.SetToolMode(tmSelection);
        auto drawnNear = [&](const QPoint& p) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (with.pixel(p + QPoint(dx, dy)) != without.pixel(p + QPoint(dx, dy)))
                        return true;
            return false;
        };
        // Exclusive-or: a thin edge pixel is the inverse of the image below.
        const TCorners k = w.GetSelectionCorners();
        const QPoint midTop = (Q(k[0]) + Q(k[3])) / 2;
        bool inverted = false;
        for (int dy = -1; dy <= 1 && !inverted; ++dy)
            for (int dx = -1; dx <= 1 && !inverted; ++dx) {
                const QPoint q = midTop + QPoint(dx, dy);
                inverted = (with.pixel(q) & 0xFFFFFF) == (~without.pixel(q) & 0xFFFFFF);
            }
        QVERIFY(inverted);
        // The four corners are drawn (handles), and so are the edge midpoints.
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(drawnNear(Q(k[static_cast<std::size_t>(i)])), qPrintable(QString::number(i)));
            QVERIFY(drawnNear((Q(k[static_cast<std::size_t>(i)]) + Q(k[static_cast<std::size_t>((i + 1) % 4)])) / 2));
        }
        // Away from the rectangle nothing is drawn.
        QCOMPARE(with.pixel(0, 0), without.pixel(0, 0));

        // Zoom into it: the new image's corners lie where the overlay drew them.
        const TMatrix2D oldLogToPx = w.Processor().LogToPxMatrix;
        const QPoint offset = w.ImageOffset();
        w.ZoomToTarget();
        QCOMPARE(w.View(), selection);
        const int W = w.Processor().Width(), H = w.Processor().Height();
        const TPoint imageCorners[4] = {{0, 0}, {0, H}, {W, H}, {W, 0}};
        for (int i = 0; i < 4; ++i) {
            const TPoint2D z = w.Processor().PixelToLog(imageCorners[i]);
            const TPoint2D old = oldLogToPx.Transform(z);
            const QPointF onScreen(old.x + offset.x(), old.y + offset.y());
            const QPointF drawn(k[static_cast<std::size_t>(i)].x, k[static_cast<std::size_t>(i)].y);
            QVERIFY2(QLineF(onScreen, drawn).length() <= 1.0,
                     qPrintable(QStringLiteral("corner %1: %2,%3 vs %4,%5")
                                    .arg(i)
                                    .arg(onScreen.x())
                                    .arg(onScreen.y())
                                    .arg(drawn.x())
                                    .arg(drawn.y())));
        }
        w.SetRunning(false);
    }

    void overlayOnlyWhileIdleAndThinBelowSixteenPixels()
    {
        TMainDialog& w = Open();
        w.SetSelection(V(-0.6, 0, 0.00035)); // 14 x 10 pixels
        QVERIFY(IsSmallSelection(w.GetSelectionSize()));
        const TCorners k = w.GetSelectionCorners();
        const QImage small = WorkspaceShot(w);
        // No red handles: every drawn pixel is an inversion.
        w.SetToolMode(tmCursor);
        const QImage plain = WorkspaceShot(w);
        w.SetToolMode(tmSelection);
        int drawn = 0;
        for (int y = k[0].y - 6; y <= k[2].y + 6; ++y)
            for (int x = k[0].x - 6; x <= k[2].x + 6; ++x)
                if (small.pixel(x, y) != plain.pixel(x, y)) {
                    ++drawn;
                    QCOMPARE(small.pixel(x, y) & 0xFFFFFF, ~plain.pixel(x, y) & 0xFFFFFF);
                }
        QVERIFY(drawn > 0);
        // While rendering runs, no overlay.
        uitest::StartLongRendering(w);
        QVERIFY(w.Running());
        const QImage running = WorkspaceShot(w);
        w.SetRunning(false);
        const QPoint c = w.LogToPaintBox(w.Selection().Center);
        const QImage idle = WorkspaceShot(w);
        bool differs = false;
        for (int x = c.x() - 8; x <= c.x() + 8; ++x)
            differs = differs || running.pixel(x, c.y()) != idle.pixel(x, c.y());
        QVERIFY(differs);
    }

    void animationSpeedTable_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("rate");
        const int intervals[] = {1000, 647, 419, 271, 176, 114, 74, 48, 31, 20};
        const char* rates[] = {"1.0", "1.5", "2.4", "3.7", "5.7", "8.8", "13.5", "20.8", "32.3", "50.0"};
        for (int s = 1; s <= 10; ++s)
            QTest::newRow(qPrintable(QString::number(s))) << s << intervals[s - 1] << QString::fromLatin1(rates[s - 1]);
    }

    void animationSpeedTable()
    {
        QFETCH(int, speed);
        QFETCH(int, interval);
        QFETCH(QString, rate);
        TMainDialog& w = Open();
        w.SetAnimationSpeed(speed);
        QCOMPARE(uitest::Child<QTimer>(w, "TimerRotatePalette")->interval(), interval);
        QCOMPARE(w.AnimationSpeed(), speed);
        QCOMPARE(QString::number(w.AnimationSpeedToFrameRate(speed), 'f', 1), rate);
    }

    void aRotationCycleRestoresThePalette()
    {
        TMainDialog& w = Open();
        const auto table = w.Processor().Bitmap().ColorTable();
        const int count = w.Processor().ColorCount();
        QCOMPARE(count, 256);
        for (TUpDown direction : {drUp, drDown}) {
            w.SetAnimationDirection(direction);
            w.TimerRotatePaletteTimer();
            QVERIFY(w.Processor().Bitmap().ColorTable() != table);
            for (int i = 1; i < count - 1; ++i)
                w.TimerRotatePaletteTimer();
            QVERIFY(w.Processor().Bitmap().ColorTable() == table);
        }
        // Reset palette undoes a rotation and renders once.
        w.TimerRotatePaletteTimer();
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionResetPalette")->trigger();
        QCOMPARE(w.Processor().Colors(), w.ColorMap().AsColorArray());
        QVERIFY(w.Processor().Bitmap().ColorTable() == table);
        QCOMPARE(w.RenderStartCount(), starts + 1);
    }

    void animationRunsDuringARenderingWithItsCursor()
    {
        TMainDialog& w = Open();
        w.SetAnimationSpeed(10);
        // Off and idle: no global cursor; on: the animated one, cycling its frames.
        uitest::Action(w, "ActionAnimatePalette")->trigger();
        QVERIFY(w.RotatePalette());
        QVERIFY(uitest::Action(w, "ActionAnimatePalette")->isChecked());
        QVERIFY(QGuiApplication::overrideCursor());
        QTRY_VERIFY(w.AnimatedCursorFrame() != 0);
        // A long rendering: the palette keeps turning meanwhile.
        uitest::StartLongRendering(w);
        QVERIFY(w.Running());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        const auto table = w.Processor().Bitmap().ColorTable();
        QTRY_VERIFY(w.Processor().Bitmap().ColorTable() != table);
        QVERIFY(w.Running());
        // Off while rendering: the hourglass; off when idle: nothing.
        uitest::Action(w, "ActionAnimatePalette")->trigger();
        QVERIFY(!w.RotatePalette());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        w.SetRunning(false);
        QVERIFY(!QGuiApplication::overrideCursor());
        uitest::Action(w, "ActionAnimatePalette")->trigger();
        uitest::Action(w, "ActionAnimatePalette")->trigger();
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void juliaAndBackRestoresTheMandelbrotState()
    {
        TMainDialog& w = Open();
        // A history of two views and a selection.
        w.SetSelection(V(-0.7, 0.1, 0.004));
        w.ZoomToTarget();
        w.SetSelection(V(-0.72, 0.12, 0.001, 10 * Deg));
        w.ZoomToTarget();
        const TView selection = V(-0.74, 0.13, 0.0002, 5 * Deg);
        w.SetSelection(selection);
        WaitIdle(w);
        const TView view = w.View();
        TViewHistory history;
        history.Assign(w.History());

        uitest::Action(w, "ActionJulia")->trigger();
        QCOMPARE(w.Algorithm(), alJulia);
        QVERIFY(uitest::Action(w, "ActionJulia")->isChecked());
        QCOMPARE(w.Processor().JuliaPoint(), selection.Center);
        QCOMPARE(w.View(), V(0, 0, 0.00625));
        QCOMPARE(w.History().Count(), 0);
        QVERIFY(!w.Selection().GetValid());
        // A few zooms in the Julia set.
        for (double s : {0.003, 0.001, 0.0004}) {
            w.SetSelection(V(0.1, 0.1, s));
            w.ZoomToTarget();
        }
        uitest::Action(w, "ActionJulia")->trigger();
        QCOMPARE(w.Algorithm(), alMandelbrot);
        QVERIFY(!uitest::Action(w, "ActionJulia")->isChecked());
        QCOMPARE(w.View(), view);
        QCOMPARE(w.Selection(), selection);
        QCOMPARE(w.History().Count(), history.Count());
        TView a, b;
        while (history.Pop(a)) {
            QVERIFY(const_cast<TViewHistory&>(w.History()).Pop(b));
            QCOMPARE(b, a);
        }
        // Without a selection, the view's centre is the Julia point.
        uitest::Action(w, "ActionSelectionDelete")->trigger();
        uitest::Action(w, "ActionJulia")->trigger();
        QCOMPARE(w.Processor().JuliaPoint(), view.Center);
        w.SetRunning(false);
    }

    void fullScreenControlBarInteriorAndHelp()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        // Refused while rendering.
        uitest::StartLongRendering(w);
        uitest::Action(w, "ActionFullScreen")->trigger();
        QVERIFY(!w.FullScreen());
        QVERIFY(!uitest::Action(w, "ActionFullScreen")->isChecked());
        w.SetRunning(false);
        w.SetMaxSteps(50);
        WaitIdle(w);

        uitest::Action(w, "ActionControlBar")->trigger();
        QVERIFY(uitest::Child<QWidget>(w, "PanelControls")->isHidden());
        QCOMPARE(uitest::Child<QFrame>(w, "PanelWorkspace")->frameWidth(), 0); // no border at start-up
        uitest::Action(w, "ActionFullScreen")->trigger();
        QVERIFY(w.FullScreen());
        QCOMPARE(uitest::Child<QFrame>(w, "PanelWorkspace")->frameWidth(), 0);
        QVERIFY(uitest::Action(w, "ActionFullScreen")->isChecked());
        QVERIFY(w.windowState() & Qt::WindowFullScreen);
        QVERIFY(uitest::Child<QMenuBar>(w, "MainMenuBar")->isHidden());
        QVERIFY(uitest::Child<QStatusBar>(w, "StatusBar")->isHidden());
        QCOMPARE(uitest::Child<QToolBar>(w, "ToolBar")->parentWidget(), uitest::Child<QFrame>(w, "PanelWorkspace"));
        QCOMPARE(uitest::Child<QToolBar>(w, "ToolBar")->pos(), QPoint(10, 10));
        QVERIFY(uitest::Action(w, "ToolBarExit")->isVisible());
        QTRY_COMPARE(w.Size(), (TSize{box->width(), box->height()}));
        WaitIdle(w);

        uitest::Action(w, "ActionFullScreen")->trigger();
        QVERIFY(!w.FullScreen());
        QVERIFY(!(w.windowState() & Qt::WindowFullScreen));
        QVERIFY(!uitest::Child<QMenuBar>(w, "MainMenuBar")->isHidden());
        QVERIFY(!uitest::Child<QStatusBar>(w, "StatusBar")->isHidden());
        QVERIFY(!uitest::Child<QWidget>(w, "PanelControls")->isHidden()); // shown again, though hidden before
        QCOMPARE(w.toolBarArea(uitest::Child<QToolBar>(w, "ToolBar")), Qt::TopToolBarArea);
        QVERIFY(!uitest::Action(w, "ToolBarExit")->isVisible());
        // A thin border around the workspace from now on.
        QCOMPARE(uitest::Child<QFrame>(w, "PanelWorkspace")->frameWidth(), 1);
        QTRY_COMPARE(box->pos(), QPoint(1, 1));
        // The image follows the workspace once the resize has settled.
        QTRY_COMPARE(w.Size(), (TSize{box->width(), box->height()}));
        QTest::qWait(400);
        WaitIdle(w);

        // Hiding the control bar does not render.
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionControlBar")->trigger();
        QVERIFY(uitest::Child<QWidget>(w, "PanelControls")->isHidden());
        QTest::qWait(50);
        QCOMPARE(w.RenderStartCount(), starts);

        // Interior renders also with auto-render off.
        w.SetAutoRender(false);
        uitest::Action(w, "ActionInteriorVisible")->trigger();
        QVERIFY(w.InteriorVisible());
        QVERIFY(uitest::Action(w, "ActionInteriorVisible")->isChecked());
        QCOMPARE(w.RenderStartCount(), starts + 1);
        w.SetRunning(false);

        // Help shows our own pages.
        uitest::Action(w, "ActionHelp")->trigger();
        QVERIFY(w.HelpViewer());
        QVERIFY(w.HelpViewer()->isVisible());
        QCOMPARE(w.HelpViewer()->Browser->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
        QVERIFY(w.HelpViewer()->Browser->toPlainText().contains(QLatin1String("How to explore")));
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgDisplayTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgDisplayTest.moc"

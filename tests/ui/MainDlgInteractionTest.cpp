// The main window driven through its paint box with mouse, wheel and key
// events: tool modes, panning, zooming and the selection, and the mode table
// of what the mouse does where.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QStatusBar>

#include <memory>

#include "colormap/ColorMap.h"
#include "persist/RegFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/Cursors.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "ui/options/TrackBarEx.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

class MainDlgInteractionTest : public QObject, TWindowTest {
    Q_OBJECT
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

    void toolModeCommandsFormARadioGroup()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        QCOMPARE(w.ToolMode(), tmSelection);
        QCOMPARE(box->cursor().pixmap().cacheKey(), Cursor(crCross).pixmap().cacheKey());
        uitest::Action(w, "ActionModeCursor")->trigger();
        QCOMPARE(w.ToolMode(), tmCursor);
        QVERIFY(uitest::Action(w, "ActionModeCursor")->isChecked());
        QVERIFY(!uitest::Action(w, "ActionModeSelection")->isChecked());
        QCOMPARE(box->cursor().shape(), Qt::ArrowCursor);
        // Choosing the mode in force again keeps its check mark.
        uitest::Action(w, "ActionModeCursor")->trigger();
        QVERIFY(uitest::Action(w, "ActionModeCursor")->isChecked());
        uitest::Action(w, "ActionModeSelection")->trigger();
        QCOMPARE(w.ToolMode(), tmSelection);
        QVERIFY(!uitest::Action(w, "ActionModeCursor")->isChecked());
        QVERIFY(uitest::Action(w, "ActionModeSelection")->isChecked());
    }

    void clickAndDragInCursorModePan()
    {
        TMainDialog& w = Open(V(-0.6, 0.1, 0.01, 30 * Deg));
        QWidget* box = uitest::PaintBox(w);
        w.SetToolMode(tmCursor);
        const TView start = w.View();
        // A click without movement pans by nothing: no rendering.
        const int starts = w.RenderStartCount();
        Click(box, ImagePoint(w, 200, 150));
        QCOMPARE(w.View(), start);
        QCOMPARE(w.RenderStartCount(), starts);

        // The plane point under the press ends under the release.
        const QPoint from = ImagePoint(w, 100, 80), to = ImagePoint(w, 260, 200);
        const TPoint2D grabbed = w.PaintBoxToLog(from);
        Press(box, from);
        MoveTo(box, to);
        QCOMPARE(w.DragAction(), daMoveView);
        QCOMPARE(box->cursor().pixmap().cacheKey(), Cursor(crMove).pixmap().cacheKey());
        QCOMPARE(w.View(), start); // nothing moves during the drag
        Release(box, to);
        QCOMPARE(w.View().Scale, start.Scale);
        QCOMPARE(w.View().Angle, start.Angle);
        QVERIFY(Distance(w.PaintBoxToLog(to), grabbed) < 1e-12);
        QCOMPARE(box->cursor().shape(), Qt::ArrowCursor);
        WaitIdle(w);

        // With Shift the move cursor never shows, yet the release pans.
        const TPoint2D grabbed2 = w.PaintBoxToLog(from);
        Drag(box, from, to, Qt::ShiftModifier);
        QVERIFY(Distance(w.PaintBoxToLog(to), grabbed2) < 1e-12);
    }

    void exactlyTenPixelsIsNoDrag()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        const QPoint p = ImagePoint(w, 200, 150);
        // Cursor mode: no drag starts at 10 px, one does at 10.6.
        w.SetToolMode(tmCursor);
        Press(box, p);
        MoveTo(box, p + QPoint(6, 8));
        QCOMPARE(w.DragAction(), daNone);
        MoveTo(box, p + QPoint(7, 8));
        QCOMPARE(w.DragAction(), daMoveView);
        Release(box, p);
        WaitIdle(w);

        // Selection mode: a release exactly 10 px away is a click and places the selection.
        w.SetToolMode(tmSelection);
        const TView view = w.View();
        Press(box, p);
        MoveTo(box, p + QPoint(6, 8));
        Release(box, p + QPoint(6, 8));
        QCOMPARE(w.View(), view);
        QVERIFY(w.Selection().GetValid());
        QVERIFY(Distance(w.Selection().Center, w.PaintBoxToLog(p + QPoint(6, 8))) < 1e-12);
        QCOMPARE(w.Selection().Scale, view.Scale / 10);
        QCOMPARE(box->cursor().pixmap().cacheKey(), Cursor(crMove).pixmap().cacheKey());

        // With Ctrl held, a drag neither pans nor places.
        const TView selection = w.Selection();
        Drag(box, ImagePoint(w, 40, 40), ImagePoint(w, 90, 60), Qt::ControlModifier);
        QCOMPARE(w.View(), view);
        QCOMPARE(w.Selection(), selection);
    }

    void selectionIsPlacedMovedTurnedStretchedAndEscapeRestoresIt()
    {
        TMainDialog& w = Open(V(-0.6, 0, 0.01, 10 * Deg));
        QWidget* box = uitest::PaintBox(w);
        QCOMPARE(w.ToolMode(), tmSelection);
        Click(box, ImagePoint(w, 200, 150));
        const TView placed = w.Selection();
        QVERIFY(placed.GetValid());
        QCOMPARE(placed.Angle, w.View().Angle);
        QCOMPARE(w.GetSelectionSize(), (TSize{40, 30}));

        // Moving: the centre jumps to the pointer.
        const QPoint centre = w.LogToPaintBox(placed.Center);
        Press(box, centre);
        QCOMPARE(w.DragAction(), daMoveSelection);
        MoveTo(box, centre + QPoint(40, 20));
        QVERIFY(Distance(w.Selection().Center, w.PaintBoxToLog(centre + QPoint(40, 20))) < 1e-12);
        // Escape: back to where the drag began, and the release does nothing.
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(w.Selection(), placed);
        QCOMPARE(w.DragAction(), daNone);
        Release(box, centre + QPoint(40, 20));
        QCOMPARE(w.Selection(), placed);
        Drag(box, centre, centre + QPoint(40, 20));
        const TView moved = w.Selection();
        QVERIFY(Distance(moved.Center, w.PaintBoxToLog(centre + QPoint(40, 20))) < 1e-12);
        QCOMPARE(moved.Scale, placed.Scale);

        // Turning by P0: the rectangle follows the pointer around the centre.
        TCorners k = w.GetSelectionCorners();
        const QPoint c = w.LogToPaintBox(moved.Center);
        const QPoint p0 = Q(k[0]);
        // A quarter turn counter-clockwise on screen: (dx, dy) -> (dy, -dx).
        const QPoint quarter = c + QPoint((p0 - c).y(), -(p0 - c).x());
        Press(box, p0);
        QCOMPARE(w.DragAction(), daAngle);
        MoveTo(box, quarter);
        QVERIFY(std::abs(w.Selection().Angle - (moved.Angle + 90 * Deg)) < 1e-6);
        QCOMPARE(w.Selection().Center, moved.Center);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(w.Selection(), moved);
        Release(box, quarter);
        // With Ctrl the angle snaps to 5 degrees.
        Press(box, p0);
        MoveTo(box, c + QPoint((p0 - c).x() + 3, (p0 - c).y() - 7), Qt::LeftButton, Qt::ControlModifier);
        const double snapped = w.Selection().Angle / (5 * Deg);
        QVERIFY2(std::abs(snapped - std::round(snapped)) < 1e-9, qPrintable(QString::number(snapped)));
        QVERIFY(w.Selection().Angle != moved.Angle);
        Release(box, p0);
        // A turn of less than 10 px keeps the centre.
        QCOMPARE(w.Selection().Center, moved.Center);

        // Stretching by P1 away from the centre to twice the distance doubles the scale.
        w.SetSelection(moved);
        k = w.GetSelectionCorners();
        const QPoint p1 = Q(k[1]);
        Press(box, p1);
        QCOMPARE(w.DragAction(), daSize);
        MoveTo(box, c + (p1 - c) * 2);
        QVERIFY(std::abs(w.Selection().Scale / moved.Scale - 2) < 1e-6);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(w.Selection(), moved);
        Release(box, c + (p1 - c) * 2);
        QCOMPARE(w.Selection(), moved);

        // Escape without a drag passes on and changes nothing.
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(w.Selection(), moved);
        // Delete selection.
        uitest::Action(w, "ActionSelectionDelete")->trigger();
        QVERIFY(!w.Selection().GetValid());
        QCOMPARE(w.Selection().Center, moved.Center);
    }

    void escapeDuringAViewDragCancelsThePan()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        w.SetSelection(V(-0.9, 0.3, 0.001));
        const TView view = w.View(), selection = w.Selection();
        const QPoint from = ImagePoint(w, 300, 250);
        Press(box, from);
        MoveTo(box, from - QPoint(80, 80));
        QCOMPARE(w.DragAction(), daMoveView);
        QTest::keyClick(box, Qt::Key_Escape);
        Release(box, from - QPoint(80, 80));
        QCOMPARE(w.View(), view);
        QCOMPARE(w.Selection(), selection);
    }

    void doubleClickAndMiddleClickZoomIntoTheSelection()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        const TView start = w.View();
        const TView selection = V(-0.7, 0.05, 0.002, 20 * Deg);
        // Middle click: into the selection as it stands.
        w.SetSelection(selection);
        Click(box, ImagePoint(w, 10, 10), Qt::MiddleButton);
        QCOMPARE(w.View(), selection);
        QVERIFY(!w.Selection().GetValid());
        QCOMPARE(w.History().Count(), 1);
        WaitIdle(w);

        // Double-click: the first click moves the selection there, the second zooms into it.
        const TView second = V(-0.7, 0.05, 0.0005, 35 * Deg);
        w.SetSelection(second);
        const QPoint p = ImagePoint(w, 120, 90);
        const TPoint2D target = w.PaintBoxToLog(p);
        DoubleClick(box, p);
        QVERIFY(Distance(w.View().Center, target) < 1e-12);
        QCOMPARE(w.View().Scale, second.Scale);
        QCOMPARE(w.View().Angle, second.Angle);
        QCOMPARE(w.History().Count(), 2);
        WaitIdle(w);
        // The history holds the views left.
        uitest::Action(w, "ActionPopHistory")->trigger();
        QCOMPARE(w.View(), selection);
        uitest::Action(w, "ActionPopHistory")->trigger();
        QCOMPARE(w.View(), start);
    }

    // The commands the wheel runs over a selection: In grows it by 15 %, Out
    // shrinks it as much; centre, angle and view stay; also while rendering;
    // without a selection nothing happens.
    void zoomSelectionInAndOut()
    {
        TMainDialog& w = Open();
        const TView view = w.View();
        uitest::Action(w, "ActionZoomSelectionIn")->trigger();
        uitest::Action(w, "ActionZoomSelectionOut")->trigger();
        QVERIFY(!w.Selection().GetValid());

        const TView selection = V(-0.5, 0.1, 0.002, 0.3);
        w.SetSelection(selection);
        uitest::StartLongRendering(w);
        QVERIFY(w.Running());
        QVERIFY(uitest::Action(w, "ActionZoomSelectionIn")->isEnabled());
        QVERIFY(uitest::Action(w, "ActionZoomSelectionOut")->isEnabled());
        uitest::Action(w, "ActionZoomSelectionIn")->trigger();
        QCOMPARE(w.Selection().Scale, 0.002 * 1.15);
        QCOMPARE(w.Selection().Center.x, selection.Center.x);
        QCOMPARE(w.Selection().Center.y, selection.Center.y);
        QCOMPARE(w.Selection().Angle, selection.Angle);
        uitest::Action(w, "ActionZoomSelectionOut")->trigger();
        uitest::Action(w, "ActionZoomSelectionOut")->trigger();
        QCOMPARE(w.Selection().Scale, 0.002 * 1.15 / 1.15 / 1.15);
        QCOMPARE(w.Selection().Angle, selection.Angle);
        QCOMPARE(w.View(), view);
        w.SetRunning(false);
    }

    void wheelZoomsTheViewOrResizesTheSelection()
    {
        TMainDialog& w = Open();
        QWidget* box = uitest::PaintBox(w);
        const TView start = w.View();
        // Over any part of the window, not only the image.
        Wheel(uitest::Child<QStatusBar>(w, "StatusBar"), QPoint(5, 5), 120);
        QCOMPARE(w.View().Scale, start.Scale * 0.8);
        // Not while rendering: the zoom commands are disabled until the window
        // sees the rendering end (the workers may be done already).
        QVERIFY(!uitest::Action(w, "ActionZoomOut")->isEnabled());
        Wheel(box, ImagePoint(w, 5, 5), -120);
        QCOMPARE(w.View().Scale, start.Scale * 0.8);
        WaitIdle(w);
        Wheel(box, ImagePoint(w, 5, 5), -120);
        QVERIFY(std::abs(w.View().Scale - start.Scale) < 1e-18);
        WaitIdle(w);

        // With a selection the wheel resizes it, in any tool mode.
        w.SetToolMode(tmCursor);
        w.SetSelection(V(-0.6, 0, 0.001));
        for (int i = 0; i < 3; ++i)
            Wheel(box, ImagePoint(w, 5, 5), 120);
        QVERIFY(std::abs(w.Selection().Scale - 0.001 / std::pow(1.15, 3)) < 1e-15);
        for (int i = 0; i < 3; ++i)
            Wheel(uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps"), QPoint(2, 2), -120);
        QVERIFY(std::abs(w.Selection().Scale - 0.001) < 1e-15);
        QCOMPARE(w.MaxSteps(), 50); // the track bar under the pointer did not take it
        QVERIFY(std::abs(w.View().Scale - start.Scale) < 1e-18);

        // Ctrl+wheel: from 7 degrees to 10 going up, to 0 going down.
        w.SetSelectionAngle(7 * Deg);
        Wheel(box, ImagePoint(w, 5, 5), 120, Qt::ControlModifier);
        QVERIFY(std::abs(w.SelectionAngle() - 10 * Deg) < 1e-12);
        w.SetSelectionAngle(7 * Deg);
        Wheel(box, ImagePoint(w, 5, 5), -120, Qt::ControlModifier);
        QVERIFY(std::abs(w.SelectionAngle()) < 1e-12);
    }

    // The mode table's inputs at P; a drag goes 100 x 60 pixels up and left.
    static void Send(QWidget* box, const QString& input, const QPoint& p)
    {
        if (input == QLatin1String("click"))
            Click(box, p);
        else if (input == QLatin1String("drag"))
            Drag(box, p, p - QPoint(100, 60));
        else if (input == QLatin1String("dblclick"))
            DoubleClick(box, p);
        else if (input == QLatin1String("middle"))
            Click(box, p, Qt::MiddleButton);
        else if (input == QLatin1String("right"))
            Click(box, p, Qt::RightButton);
        else if (input == QLatin1String("wheel"))
            Wheel(box, p, 120);
        else
            QFAIL("unknown input");
    }

    // Each row: the tool mode, the input, whether a selection exists, and the effect.
    void modeTable_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("withSelection");
        QTest::addColumn<QString>("effect");
        const struct {
            const char* Name;
            TToolMode Mode;
            const char* Input;
            bool WithSelection;
            const char* Effect;
        } rows[] = {
            {"none click", tmNone, "click", false, "nothing"},
            {"none drag", tmNone, "drag", false, "nothing"},
            {"none double-click", tmNone, "dblclick", true, "history only"},
            {"none middle", tmNone, "middle", false, "history only"},
            {"none right", tmNone, "right", false, "last view"},
            {"none wheel", tmNone, "wheel", false, "zoom view"},
            {"none wheel selection", tmNone, "wheel", true, "resize selection"},
            {"cursor click", tmCursor, "click", false, "nothing"},
            {"cursor drag", tmCursor, "drag", true, "pan"},
            {"cursor double-click", tmCursor, "dblclick", false, "zoom point"},
            {"cursor double-click selection", tmCursor, "dblclick", true, "zoom point"},
            {"cursor middle", tmCursor, "middle", false, "zoom point"},
            {"cursor right", tmCursor, "right", true, "last view"},
            {"cursor wheel", tmCursor, "wheel", false, "zoom view"},
            {"selection click", tmSelection, "click", false, "place"},
            {"selection click moves", tmSelection, "click", true, "place"},
            {"selection drag", tmSelection, "drag", true, "pan"},
            {"selection double-click", tmSelection, "dblclick", false, "zoom point"},
            {"selection double-click selection", tmSelection, "dblclick", true, "zoom point"},
            {"selection middle selection", tmSelection, "middle", true, "zoom selection"},
            {"selection middle", tmSelection, "middle", false, "zoom point"},
            {"selection right", tmSelection, "right", false, "last view"},
            {"selection wheel selection", tmSelection, "wheel", true, "resize selection"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.Name) << int(r.Mode) << QString::fromLatin1(r.Input) << r.WithSelection
                                  << QString::fromLatin1(r.Effect);
    }

    void modeTable()
    {
        QFETCH(int, mode);
        QFETCH(QString, input);
        QFETCH(bool, withSelection);
        QFETCH(QString, effect);
        const TView first = V(-0.6, 0, 0.01);
        TMainDialog& w = Open(first);
        QWidget* box = uitest::PaintBox(w);
        // One view in the history, for the right button.
        w.SetSelection(V(-0.55, 0.05, 0.004, 15 * Deg));
        w.ZoomToTarget();
        WaitIdle(w);
        const TView selection = V(-0.56, 0.07, 0.0004, 25 * Deg);
        if (withSelection)
            w.SetSelection(selection);
        w.SetToolMode(static_cast<TToolMode>(mode));
        const TView view = w.View();
        const TView before = w.Selection();
        const int history = w.History().Count();
        // Well away from the selection's handles.
        const QPoint p = ImagePoint(w, 300, 220);
        const TPoint2D clicked = w.PaintBoxToLog(p);

        Send(box, input, p);

        if (effect == QLatin1String("nothing")) {
            QCOMPARE(w.View(), view);
            QCOMPARE(w.Selection(), before);
            QCOMPARE(w.History().Count(), history);
        } else if (effect == QLatin1String("pan")) {
            QVERIFY(Distance(w.PaintBoxToLog(p - QPoint(100, 60)), clicked) < 1e-12);
            QCOMPARE(w.View().Scale, view.Scale);
            QCOMPARE(w.Selection(), before);
            QCOMPARE(w.History().Count(), history);
        } else if (effect == QLatin1String("place")) {
            QCOMPARE(w.View(), view);
            QVERIFY(Distance(w.Selection().Center, clicked) < 1e-12);
            QCOMPARE(w.Selection().Scale, withSelection ? selection.Scale : view.Scale / 10);
            QCOMPARE(w.Selection().Angle, withSelection ? selection.Angle : view.Angle);
        } else if (effect == QLatin1String("history only")) {
            QCOMPARE(w.View(), view);
            QCOMPARE(w.History().Count(), history + 1);
            QVERIFY(!w.Selection().GetValid());
        } else if (effect == QLatin1String("last view")) {
            QCOMPARE(w.View(), first);
            QCOMPARE(w.History().Count(), history - 1);
        } else if (effect == QLatin1String("zoom view")) {
            QCOMPARE(w.View().Scale, view.Scale * 0.8);
            QCOMPARE(w.Selection(), before);
        } else if (effect == QLatin1String("resize selection")) {
            QCOMPARE(w.View(), view);
            QCOMPARE(w.Selection().Scale, selection.Scale / 1.15);
        } else if (effect == QLatin1String("zoom point")) {
            // Centred on the point, with the selection's scale and angle or a tenth of the view's scale.
            QVERIFY(Distance(w.View().Center, clicked) < 1e-12);
            QCOMPARE(w.View().Scale, withSelection ? selection.Scale : view.Scale / 10);
            QCOMPARE(w.View().Angle, withSelection ? selection.Angle : view.Angle);
            QCOMPARE(w.History().Count(), history + 1);
            QVERIFY(!w.Selection().GetValid());
        } else if (effect == QLatin1String("zoom selection")) {
            QCOMPARE(w.View(), selection);
            QCOMPARE(w.History().Count(), history + 1);
            QVERIFY(!w.Selection().GetValid());
        } else {
            QFAIL("unknown effect");
        }
        w.SetRunning(false);
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgInteractionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgInteractionTest.moc"

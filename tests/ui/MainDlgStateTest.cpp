// The main window's history and stored state: Last view, Home and Reset, the
// settings written on close and read at the next start (malformed values
// among them), and failures inside event handlers.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtCore/QTimer>

#include <memory>

#include "colormap/ColorMap.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/options/TrackBarEx.h"
#include "WindowTestSupport.h"

using namespace quillon;

using uitest::Idle;
using uitest::V;

class MainDlgStateTest : public QObject, uitest::TWindowTest {
    Q_OBJECT

    TMainDialog& Open()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->show();
        return *FWindow;
    }

    void WriteStore(const char* key, const char* value)
    {
        TAppRegistry reg;
        reg.SetCompanyKey(settings::CompanyKey);
        reg.SetApplicationKey(settings::ApplicationKey);
        reg.Registry().WriteString(settings::SectionCurrent, key, value);
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

    // Test functions here check their reports themselves.
    void cleanup()
    {
        EndWindowTest(true);
    }

    void lastViewHomeAndHistory()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const TView start = w.View();
        // Last view with an empty history does nothing.
        int starts = w.RenderStartCount();
        uitest::Action(w, "ActionPopHistory")->trigger();
        QCOMPARE(w.RenderStartCount(), starts);
        QVERIFY(!w.Selection().GetValid());

        const TView a = V(-0.7, 0.1, 0.001), b = V(-0.75, 0.1, 0.0001), c = V(-0.745, 0.11, 0.00001);
        for (const TView& target : {a, b, c}) {
            w.SetSelection(target);
            w.ZoomToTarget();
            QCOMPARE(w.View(), target);
            QVERIFY(!w.Selection().GetValid());
        }
        QCOMPARE(w.History().Count(), 3);
        // Back three times: each left view becomes the selection.
        for (const auto& [back, left] : {std::pair{b, c}, std::pair{a, b}, std::pair{start, a}}) {
            uitest::Action(w, "ActionPopHistory")->trigger();
            QCOMPARE(w.View(), back);
            QCOMPARE(w.Selection(), left);
        }
        starts = w.RenderStartCount();
        uitest::Action(w, "ActionPopHistory")->trigger();
        QCOMPARE(w.View(), start);
        QCOMPARE(w.RenderStartCount(), starts);
    }

    void homeMarksWhereTheExplorationStarted()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const TView a = V(-0.7, 0.1, 0.001), b = V(-0.75, 0.1, 0.0001);
        // Empty history: the selection stays as it is.
        w.SetSelection(b);
        uitest::Action(w, "ActionHome")->trigger();
        QCOMPARE(w.Selection(), b);

        // One zoom: the zoomed-into view is marked.
        w.SetSelection(a);
        w.ZoomToTarget();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        uitest::Action(w, "ActionHome")->trigger();
        QCOMPARE(w.View(), V(-0.6, 0, 0.00625));
        QCOMPARE(w.Selection(), a);
        QCOMPARE(w.History().Count(), 0);

        // Several zooms: the first zoom's target, not the last.
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.SetSelection(a);
        w.ZoomToTarget();
        w.SetSelection(b);
        w.ZoomToTarget();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        uitest::Action(w, "ActionHome")->trigger();
        QCOMPARE(w.Selection(), a);
        // After Home, Last view does nothing.
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionPopHistory")->trigger();
        QCOMPARE(w.View(), V(-0.6, 0, 0.00625));
        QCOMPARE(w.RenderStartCount(), starts);
    }

    void homeIsRefusedWhileRenderingLastViewIsNot()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const TView a = V(-0.7, 0.1, 0.001);
        w.SetSelection(a);
        w.ZoomToTarget();
        uitest::StartLongRendering(w);
        QVERIFY(w.Running());
        uitest::Action(w, "ActionHome")->trigger();
        QCOMPARE(w.View(), a);
        // The right button steps back, also while rendering; the rendering goes on.
        QTest::mouseClick(uitest::PaintBox(w), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(w.View(), V(-0.6, 0, 0.00625));
        QCOMPARE(w.Selection(), a);
        QVERIFY(w.Running());
        w.SetRunning(false);
    }

    void resetRestoresTheDefaults()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.SetAutoRender(false);
        w.SetMaxSteps(300);
        w.SetMaxAbs(4.5);
        w.SetInteriorVisible(true);
        w.SetSelection(V(-0.7, 0.1, 0.001));
        w.ZoomToTarget();
        w.SetSelection(V(-0.7, 0.1, 0.0001));
        w.ColorMap().SetAsString("$000000\r\n$FFFFFF, 10\r\n");
        w.Processor().SetColorOffset(3);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionReset")->trigger();
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QCOMPARE(w.History().Count(), 0);
        QVERIFY(!w.Selection().GetValid());
        QCOMPARE(w.MaxSteps(), 50);
        QCOMPARE(w.MaxAbs(), 2.0);
        const auto* steps = uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps");
        const auto* limit = uitest::Child<TTrackBarEx>(w, "TrackBarMaxAbs");
        QCOMPARE(steps->value(), 50);
        QCOMPARE(limit->value(), 20);
        QCOMPARE(steps->toolTip(), QStringLiteral("Maximum steps = 50"));
        QCOMPARE(limit->toolTip(), QStringLiteral("Maximum absolute value = 2.0"));
        QCOMPARE(w.StatusPanelText(3), QStringLiteral("50"));
        QCOMPARE(w.View(), V(-0.6, 0, 0.00625));
        QVERIFY(!w.InteriorVisible());
        QVERIFY(!uitest::Action(w, "ActionInteriorVisible")->isChecked());
        QCOMPARE(w.Processor().Algorithm(), alMandelbrot);
        QVERIFY(w.ColorMap().Compare(w.DefaultColorMap()));
        QCOMPARE(w.Processor().Colors(), w.DefaultColorMap().AsColorArray());
        QCOMPARE(w.Processor().ColorOffset(), 0);
        // Left alone: auto-render.
        QVERIFY(!w.AutoRender());
    }

    void resetInstallsTheDefaultPaletteAlsoWhenTheMapIsUnchanged()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.Processor().RotatePalette(drUp);
        w.Processor().SetColorOffset(5);
        QVERIFY(w.Processor().Colors() != w.DefaultColorMap().AsColorArray());
        w.Reset();
        QCOMPARE(w.Processor().Colors(), w.DefaultColorMap().AsColorArray());
        QCOMPARE(w.Processor().ColorOffset(), 0);
    }

    void settingsWrittenOnCloseAndReadOnNextStart()
    {
        {
            TMainDialog& w = Open();
            QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
            w.SetAutoRender(false);
            w.SetToolMode(tmCursor);
            w.SetMaxSteps(123);
            w.SetMaxAbs(3.5);
            w.SetAnimationSpeed(8);
            w.SetAnimationDirection(drDown);
            w.SetInteriorVisible(true);
            w.Processor().SetInteriorFactor(42.5);
            w.SetColorWrapping(true);
            w.SetSmoothColors(true);
            w.ColorMap().SetAsString("$000000\r\n$FF0000, 20\r\n$00FF00, 30\r\n");
            w.Processor().SetColorOffset(17);
            w.SetRunning(false);
            w.move(40, 30);
            w.resize(950, 650);
            w.close();
            FWindow.reset();
        }
        QVERIFY(FErrors.isEmpty());
        TMainDialog& w = Open();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(w.size(), QSize(950, 650));
        QCOMPARE(w.pos(), QPoint(40, 30));
        QVERIFY(!w.AutoRender());
        QCOMPARE(w.ToolMode(), tmCursor);
        QCOMPARE(w.MaxSteps(), 123);
        QCOMPARE(w.MaxAbs(), 3.5);
        QCOMPARE(w.AnimationSpeed(), 8);
        QCOMPARE(w.AnimationDirection(), drDown);
        QVERIFY(w.InteriorVisible());
        QCOMPARE(w.Processor().InteriorFactor(), 42.5);
        QVERIFY(w.ColorWrapping());
        QVERIFY(w.SmoothColors());
        QCOMPARE(w.ColorMap().Count(), 3);
        QCOMPARE(w.Processor().ColorCount(), 51);
        // The offset belongs to the stored map and survives its installation.
        QCOMPARE(w.Processor().ColorOffset(), 17);
    }

    void malformedStoredValuesAreReportedAndTheOthersKept()
    {
        const char* map = "$000000\r\n$FF0000, 20\r\n$00FF00, 30\r\n";
        WriteStore(settings::KeyMaxSteps, "77");
        WriteStore(settings::KeyMaxAbs, "abc");
        WriteStore(settings::KeyAnimationSpeed, "8");
        WriteStore(settings::KeyInteriorFactor, "1.5x");
        WriteStore(settings::KeyColorOffset, "12");
        WriteStore(settings::KeyColorMap, map);
        {
            TMainDialog& w = Open();
            // One report per malformed value; the window opens.
            QCOMPARE(FErrors.size(), 2);
            QVERIFY2(FErrors[0].contains(QStringLiteral("abc")), qPrintable(FErrors[0]));
            QVERIFY2(FErrors[1].contains(QStringLiteral("1.5x")), qPrintable(FErrors[1]));
            QVERIFY(w.isVisible());
            // Only the malformed values fall back to their defaults.
            QCOMPARE(w.MaxSteps(), 77);
            QCOMPARE(w.MaxAbs(), 2.0);
            QCOMPARE(w.AnimationSpeed(), 8);
            QCOMPARE(w.Processor().InteriorFactor(), 100.0);
            QCOMPARE(w.ColorMap().Count(), 3);
            QCOMPARE(w.Processor().ColorOffset(), 12);
            QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
            w.close();
            FWindow.reset();
        }
        // Closing keeps the user's values: the color map is not overwritten by the default one.
        TAppRegistry reg;
        reg.SetCompanyKey(settings::CompanyKey);
        reg.SetApplicationKey(settings::ApplicationKey);
        QCOMPARE(reg.Registry().ReadString(settings::SectionCurrent, settings::KeyColorMap, ""), std::string(map));
        QCOMPARE(reg.Registry().ReadInteger(settings::SectionCurrent, settings::KeyAnimationSpeed, 0), 8);
        QCOMPARE(reg.Registry().ReadInteger(settings::SectionCurrent, settings::KeyColorOffset, 0), 12);
    }

    // A stored map that cannot be the palette is reported once and replaced by
    // the default; the store then receives a map the next start accepts.
    void storedMapThatCannotBeThePaletteIsReplaced_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<QString>("message");
        QTest::newRow("first count above 1") << QByteArray("$000000, 2\r\n$FF0000, 20\r\n")
                                             << QStringLiteral("Invalid color map.");
        QTest::newRow("more than 256 colors") << QByteArray("$000000\r\n$FF0000, 300\r\n")
                                              << QStringLiteral("Invalid number of colors (up to 256).");
        QTest::newRow("one color") << QByteArray("$000000\r\n") << QStringLiteral("Invalid palette.");
    }

    void storedMapThatCannotBeThePaletteIsReplaced()
    {
        QFETCH(QByteArray, map);
        QFETCH(QString, message);
        WriteStore(settings::KeyColorMap, map.constData());
        {
            TMainDialog& w = Open();
            QCOMPARE(FErrors, QStringList{message});
            TColorMap standard;
            SetApplicationDefaultColorMap(standard);
            QVERIFY(w.ColorMap().Compare(standard));
            QCOMPARE(w.Processor().ColorCount(), standard.ColorCount());
            QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
            w.close();
            FWindow.reset();
        }
        FErrors.clear();
        TMainDialog& w = Open();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
    }

    void storedSpeedOutOfRangeIsClamped()
    {
        WriteStore(settings::KeyAnimationSpeed, "20");
        TMainDialog& w = Open();
        QCOMPARE(w.AnimationSpeed(), 10);
        QCOMPARE(uitest::Child<QTimer>(w, "TimerRotatePalette")->interval(), 20);
    }

    void animationSpeedFollowsItsTrackBar()
    {
        TMainDialog& w = Open();
        QTest::keyClick(uitest::Child<TTrackBarEx>(w, "TrackBarAnimationSpeed"), Qt::Key_Right);
        QCOMPARE(w.AnimationSpeed(), 6);
        QCOMPARE(uitest::Child<QTimer>(w, "TimerRotatePalette")->interval(), 114);
        QCOMPARE(uitest::Child<TTrackBarEx>(w, "TrackBarAnimationSpeed")->toolTip(), QStringLiteral("8.8 frames/s"));
    }

    void failureInAnEventHandlerIsReportedAndTheWindowStaysUsable()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        QTimer::singleShot(0, &w, [&w] { w.Setup(TSize{0, 10}, w.View()); });
        QTRY_COMPARE(FErrors.size(), 1);
        QCOMPARE(FErrors.first(), QStringLiteral("Invalid size."));
        QVERIFY(w.isVisible());
        QCOMPARE(w.LockCount(), 0);
        // A rendering starts (it may have ended already on its own).
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionZoomIn")->trigger();
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgStateTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgStateTest.moc"

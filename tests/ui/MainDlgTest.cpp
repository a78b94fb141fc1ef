// The main window on the offscreen platform: start-up, its parts and status
// panels, render control, the control bar and the image's size and place.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QLabel>

#include <memory>

#include "SliderDriver.h"
#include "colormap/ColorMap.h"
#include "engine/NumberFns.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FitLabel.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "ui/options/TrackBarEx.h"
#include "WindowTestSupport.h"

using namespace quillon;

using uitest::Idle;
using uitest::V;

class MainDlgTest : public QObject, uitest::TWindowTest {
    Q_OBJECT

    TMainDialog& Open()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->show();
        return *FWindow;
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

    void firstStartWithEmptyStore()
    {
        TMainDialog& w = Open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillon"));
        QVERIFY(w.AutoRender());
        QVERIFY(uitest::Action(w, "ActionAutoRender")->isChecked());
        QCOMPARE(w.ToolMode(), tmSelection);
        QVERIFY(uitest::Action(w, "ActionModeSelection")->isChecked());
        QCOMPARE(w.MaxSteps(), 50);
        QCOMPARE(w.MaxAbs(), 2.0);
        QCOMPARE(w.AnimationSpeed(), 5);
        QCOMPARE(uitest::Child<QTimer>(w, "TimerRotatePalette")->interval(), 176);
        QCOMPARE(w.AnimationDirection(), drUp);
        QVERIFY(w.QuickHelpVisible());
        const auto* steps = uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps");
        const auto* limit = uitest::Child<TTrackBarEx>(w, "TrackBarMaxAbs");
        QCOMPARE(steps->value(), 50);
        QCOMPARE(limit->value(), 20);
        QCOMPARE(uitest::Child<TTrackBarEx>(w, "TrackBarAnimationSpeed")->value(), 5);
        QCOMPARE(steps->toolTip(), QStringLiteral("Maximum steps = 50"));
        QCOMPARE(limit->toolTip(), QStringLiteral("Maximum absolute value = 2.0"));
        QCOMPARE(w.StatusPanelText(3), QStringLiteral("50"));
        QCOMPARE(w.StatusPanelText(5), QStringLiteral("2.0"));
        QCOMPARE(w.StatusPanelText(7), QStringLiteral("-0.600, 0.000"));
        QCOMPARE(w.StatusPanelText(11), QStringLiteral("0\u00B0"));
        // The image takes the workspace's size at the first show.
        const QWidget* box = uitest::PaintBox(w);
        QCOMPARE(w.Size(), (TSize{box->width(), box->height()}));
        QCOMPARE(w.StatusPanelText(1), QStringLiteral("%1x%2").arg(box->width()).arg(box->height()));
        QVERIFY(FErrors.isEmpty());
    }

    // Tests and tools reach the window's parts by the names of the members
    // that hold them: each name is there once, on an object of its kind.
    void partsAreNamedAfterTheirMembers()
    {
        const TMainDialog& w = Open();
        const std::pair<const char*, const char*> parts[] = {
            {"MainMenuBar", "QMenuBar"}, {"ToolBar", "QToolBar"}, {"PanelControls", "QWidget"},
            {"LabelMaxSteps", "QLabel"}, {"LabelMaxAbs", "QLabel"}, {"LabelAnimationSpeed", "QLabel"},
            {"TrackBarMaxSteps", "quillon::TTrackBarEx"}, {"TrackBarMaxAbs", "quillon::TTrackBarEx"},
            {"TrackBarAnimationSpeed", "quillon::TTrackBarEx"}, {"PanelWorkspace", "QFrame"},
            {"PaintBox", "quillon::TPaintBox"}, {"StatusBar", "QStatusBar"}, {"Timer", "QTimer"},
            {"TimerRotatePalette", "QTimer"}, {"OpenDialog", "QFileDialog"}, {"SaveDialog", "QFileDialog"},
            {"SaveImageDialog", "QFileDialog"}, {"ComboBoxImageSamples", "QComboBox"},
            {"SaveAniDialog", "QFileDialog"}, {"MenuFile", "QMenu"}, {"MenuEdit", "QMenu"}, {"MenuView", "QMenu"},
            {"MenuTools", "QMenu"}, {"MenuHelp", "QMenu"}, {"ModeGroup", "QActionGroup"},
            {"ToolBarExit", "QAction"},
        };
        for (const auto& [name, kind] : parts) {
            const QList<QObject*> found = w.findChildren<QObject*>(QString::fromLatin1(name));
            QVERIFY2(found.size() == 1, name);
            QVERIFY2(found.front()->inherits(kind), name);
        }
        const char* actions[] = {
            "ActionRender", "ActionReset", "ActionLoadFromFile", "ActionSaveToFile", "ActionSaveImageAs",
            "ActionExit", "ActionPopHistory", "ActionNextView", "ActionScreenShot", "ActionSelectionDelete",
            "ActionZoomIn", "ActionZoomOut", "ActionZoomSelectionIn", "ActionZoomSelectionOut", "ActionFullScreen",
            "ActionControlBar", "ActionInteriorVisible", "ActionHome", "ActionJuliaPreview", "ActionModeCursor",
            "ActionModeSelection", "ActionAutoRender", "ActionAnimatePalette", "ActionResetPalette",
            "ActionRecordAnimation", "ActionJulia", "ActionOptions", "ActionQuickHelp", "ActionHelp", "ActionAbout",
        };
        for (const char* name : actions) {
            QCOMPARE(w.findChildren<QAction*>(QString::fromLatin1(name)).size(), 1);
            QVERIFY2(uitest::Child<QAction>(w, name)->parent() == &w, name);
        }
    }

    void statusPanelsShowEveryValueWhole_data()
    {
        QTest::addColumn<int>("panel");
        QTest::addColumn<QString>("text");
        QTest::newRow("size") << 1 << QStringLiteral("15360x8640");
        QTest::newRow("steps 100000") << 3 << QStringLiteral("100000");
        QTest::newRow("steps largest") << 3 << QStringLiteral("2147483647");
        QTest::newRow("limit") << 5 << QStringLiteral("1000000.0");
        QTest::newRow("center signs") << 7 << QStringLiteral("-0.253, -0.272");
        QTest::newRow("center far") << 7 << QStringLiteral("-1234.567, -1234.567");
        QTest::newRow("zoom") << 9 << QStringLiteral("1.23E+015");
        QTest::newRow("angle") << 11 << QStringLiteral("-180\u00B0");
        QTest::newRow("elapsed") << 13 << QStringLiteral("1234567.8ms");
        QTest::newRow("label") << 6 << QStringLiteral("Center");
    }

    void statusPanelsShowEveryValueWhole()
    {
        QFETCH(int, panel);
        QFETCH(QString, text);
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        auto* label = qobject_cast<TFitLabel*>(w.StatusPanel(panel));
        QVERIFY(label);
        const int width = label->width();
        label->setText(text);
        // The width binds; the text fits it, drawn smaller when it must.
        QCOMPARE(label->width(), width);
        QVERIFY2(label->TextFits(), qPrintable(QStringLiteral("%1 in %2 px").arg(text).arg(label->contentsRect().width())));
        QVERIFY(QFontMetricsF(label->FittedFont()).horizontalAdvance(text) <= label->contentsRect().width());
        // Short values keep the panel's own font.
        label->setText(QStringLiteral("1"));
        QCOMPARE(label->FittedFont(), label->font());
    }

    void panelLabelsAndCommands()
    {
        TMainDialog& w = Open();
        const char* labels[] = {"Size", "", "Steps", "", "Max", "", "Center", "", "Zoom", "", "Angle", "", "Stats"};
        const int widths[] = {30, 70, 40, 40, 30, 40, 45, 80, 40, 80, 40, 50, 50, 80, 50};
        for (int i = 0; i < 15; ++i) {
            QCOMPARE(w.StatusPanel(i)->width(), widths[i]);
            if (i < 13 && *labels[i])
                QCOMPARE(w.StatusPanelText(i), QString::fromLatin1(labels[i]));
        }
        QCOMPARE(w.StatusPanelText(14), QString());
        QCOMPARE(uitest::Action(w, "ActionRender")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(uitest::Action(w, "ActionRender")->toolTip(), QStringLiteral("Start rendering"));
        // Hints are tool tips only: a status tip hides the panels.
        for (QAction* action : w.findChildren<QAction*>())
            QVERIFY2(action->statusTip().isEmpty(), qPrintable(action->objectName()));
        QCOMPARE(uitest::Action(w, "ActionReset")->toolTip(), QStringLiteral("Resets view, colors and parameters"));
        QCOMPARE(uitest::Action(w, "ActionJulia")->text(), QStringLiteral("Toggle Mandelbrot/Julia set"));
        QVERIFY(uitest::Action(w, "ActionOptions")->isEnabled());
        QVERIFY(uitest::Action(w, "ActionAbout")->isEnabled());
        // Every command is available.
        for (QAction* action : w.findChildren<QAction*>(QRegularExpression(QStringLiteral("^Action"))))
            QVERIFY2(TMainDialog::CommandAvailable(action), qPrintable(action->objectName()));
        QVERIFY(uitest::Action(w, "ToolBarExit") && !uitest::Action(w, "ToolBarExit")->isVisible());
    }

    void renderingFinishesAndShowsItsTime()
    {
        TMainDialog& w = Open();
        // Started at the end of the first show: zooming and Home wait for it.
        QCOMPARE(w.RenderStartCount(), 1);
        QCOMPARE(w.RenderIconIndex(), TMainDialog::IconRenderRunning);
        QVERIFY(!uitest::Action(w, "ActionHome")->isEnabled());
        QVERIFY(!uitest::Action(w, "ActionZoomIn")->isEnabled());
        QVERIFY(uitest::Child<QTimer>(w, "Timer")->isActive());
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        QVERIFY(!uitest::Child<QTimer>(w, "Timer")->isActive());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(uitest::Action(w, "ActionHome")->isEnabled());
        QVERIFY(uitest::Action(w, "ActionZoomIn")->isEnabled());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\dms$")).match(w.StatusPanelText(13)).hasMatch());
        // The finished image is on screen: the centre of the main cardioid is interior (black).
        const QImage shot = uitest::PaintBox(w)->grab().toImage();
        const QPoint centre = w.LogToPaintBox(TPoint2D::Create(-0.2, 0.0));
        QCOMPARE(QColor(shot.pixel(centre)), QColor(Qt::black));
    }

    void renderCommandStopsARunningRendering()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        uitest::StartLongRendering(w); // auto-render: a long rendering starts
        QVERIFY(w.Running());
        uitest::Action(w, "ActionRender")->trigger();
        QVERIFY(!w.Running());
        QCOMPARE(w.RenderIconIndex(), TMainDialog::IconRender);
        QCOMPARE(w.StatusPanelText(13), QString::fromStdString(Format("%.1fms", {w.Processor().ElapsedMs()})));
        uitest::Action(w, "ActionRender")->trigger();
        QVERIFY(w.Running());
        w.SetRunning(false);
    }

    void autoRenderOffRendersOnlyViewChanges()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        uitest::Action(w, "ActionAutoRender")->trigger();
        QVERIFY(!w.AutoRender());
        QVERIFY(!uitest::Action(w, "ActionAutoRender")->isChecked());
        const int starts = w.RenderStartCount();
        QTest::keyClick(uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps"), Qt::Key_Right);
        QCOMPARE(w.MaxSteps(), 51);
        QCOMPARE(w.StatusPanelText(3), QStringLiteral("51"));
        QCOMPARE(uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps")->toolTip(), QStringLiteral("Maximum steps = 51"));
        QCOMPARE(w.RenderStartCount(), starts);
        QVERIFY(!w.Running());
        uitest::Action(w, "ActionZoomIn")->trigger();
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QCOMPARE(w.View().Scale, 0.00625 * 0.8);
    }

    void dragOfStepsRendersOnceAtRelease()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        TTrackBarEx& bar = *uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps");
        const QPoint from = test::HandleCentre(bar, 50);
        const QPoint to = test::HandleCentre(bar, 300);
        test::SendMouse(bar, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 10; ++i)
            test::SendMouse(bar, QEvent::MouseMove, from + (to - from) * i / 10, Qt::NoButton, Qt::LeftButton);
        // Nothing is applied while the thumb moves.
        QCOMPARE(w.MaxSteps(), 50);
        QCOMPARE(w.RenderStartCount(), starts);
        test::SendMouse(bar, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w.MaxSteps(), bar.value());
        QVERIFY(qAbs(w.MaxSteps() - 300) <= 10);
        QCOMPARE(w.RenderStartCount(), starts + 1);
    }

    void valuesOutsideTheTrackBarRanges()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.SetMaxAbs(2.5);
        QCOMPARE(uitest::Child<TTrackBarEx>(w, "TrackBarMaxAbs")->value(), 25);
        QCOMPARE(w.StatusPanelText(5), QStringLiteral("2.5"));
        w.SetMaxSteps(5000);
        QCOMPARE(w.Processor().MaxSteps(), 5000);
        QCOMPARE(w.StatusPanelText(3), QStringLiteral("5000"));
        QCOMPARE(uitest::Child<TTrackBarEx>(w, "TrackBarMaxSteps")->value(), 1000);
        w.SetRunning(false);
        // The current value again changes nothing and starts nothing.
        const int starts = w.RenderStartCount();
        w.SetMaxSteps(5000);
        QCOMPARE(w.RenderStartCount(), starts);
    }

    void oneRenderingAfterSetupResetAndALockHolder()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        int starts = w.RenderStartCount();
        w.Setup(TSize{320, 200}, V(-0.5, 0.1, 0.01));
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QCOMPARE(w.Size(), (TSize{320, 200}));
        QCOMPARE(w.StatusPanelText(1), QStringLiteral("320x200"));
        QCOMPARE(w.View(), V(-0.5, 0.1, 0.01));
        QCOMPARE(w.StatusPanelText(7), QStringLiteral("-0.500, 0.100"));
        QCOMPARE(w.StatusPanelText(9), QStringLiteral("0.3")); // 1 / 320 / 0.01
        // The same size and view again: nothing.
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        starts = w.RenderStartCount();
        w.Setup(TSize{320, 200}, V(-0.5, 0.1, 0.01));
        QCOMPARE(w.RenderStartCount(), starts);

        w.Reset();
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        starts = w.RenderStartCount();
        {
            TRenderLock lock(w.Session());
            w.SetMaxSteps(77);
            w.SetView(V(0.1, 0.2, 0.001));
            w.SetRunning(true);
            QCOMPARE(w.RenderStartCount(), starts);
            QVERIFY(!w.Running());
        }
        w.SetRunning(true);
        QCOMPARE(w.RenderStartCount(), starts + 1);
    }

    void zoomFigureForms_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal") << 99.96 << "100.0";
        QTest::newRow("exactly 100") << 100.0 << "100";
        QTest::newRow("100000") << 100000.0 << "100000";
        QTest::newRow("exponent") << 123456.7 << "1.23E+005";
    }

    void zoomFigureForms()
    {
        QFETCH(double, zoom);
        QFETCH(QString, text);
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        // Width 400: scale = 1 / 400 / zoom (a power of two keeps the figure exact enough).
        w.Setup(TSize{400, 300}, V(-0.6, 0, 1.0 / 400 / zoom));
        QCOMPARE(w.StatusPanelText(9), text);
        w.SetRunning(false);
    }

    void viewSetterIgnoresEqualAndEmptyViews()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        w.SetView(w.View());
        w.SetView(V(1, 1, 0));
        QCOMPARE(w.RenderStartCount(), starts);
        QCOMPARE(w.View(), V(-0.6, 0, 0.00625));
    }

    void imageIsCentredUnscaled()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.Setup(TSize{101, 61}, V(-0.2, 0, 0.0001)); // all interior: a black image
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QPoint offset((uitest::PaintBox(w)->width() - 101) / 2, (uitest::PaintBox(w)->height() - 61) / 2);
        QCOMPARE(w.ImageOffset(), offset);
        // The workspace paints the background the image leaves uncovered.
        const QImage shot = uitest::Child<QFrame>(w, "PanelWorkspace")->grab().toImage();
        const QRgb background = uitest::Child<QFrame>(w, "PanelWorkspace")->palette().color(QPalette::Dark).rgb();
        QCOMPARE(QColor(shot.pixel(offset)), QColor(Qt::black));
        QCOMPARE(QColor(shot.pixel(offset + QPoint(100, 60))), QColor(Qt::black));
        QCOMPARE(shot.pixel(offset + QPoint(101, 30)), background);
        QCOMPARE(shot.pixel(offset + QPoint(50, 61)), background);
        QCOMPARE(shot.pixel(offset - QPoint(1, 1)), background);
        // Mouse positions map through the offset.
        QCOMPARE(w.PaintBoxToLog(offset + QPoint(50, 30)).x, w.Processor().PixelToLog(TPoint{50, 30}).x);
    }

    void resizeDuringRenderingWaitsForItsEnd()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QSize minimum = w.minimumSize();
        const QSize maximum = w.maximumSize();
        uitest::StartLongRendering(w);
        QVERIFY(w.Running());
        // The window is never pinned: it takes the size it is given.
        QCOMPARE(w.minimumSize(), minimum);
        QCOMPARE(w.maximumSize(), maximum);
        const TSize image = w.Size();
        const QSize before = w.size();
        w.resize(before + QSize(50, 40));
        QCOMPARE(w.size(), before + QSize(50, 40));
        // The resize has ended, with a button held or not; the image keeps
        // its size while the rendering runs, shown 1:1.
        QTest::qWait(400);
        QVERIFY(w.Running());
        QCOMPARE(w.Size(), image);
        const int starts = w.RenderStartCount();
        // Stopped: the image takes the workspace's size and renders.
        const QWidget* box = uitest::PaintBox(w);
        w.SetRunning(false);
        QTRY_COMPARE_WITH_TIMEOUT(w.Size(), (TSize{box->width(), box->height()}), 5000);
        QCOMPARE(w.RenderStartCount(), starts + 1);
        w.SetRunning(false);

        // A rendering that ends by itself gives way the same way.
        w.SetMaxSteps(50);
        w.SetRunning(true);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        w.SetMaxSteps(3000);
        w.SetRunning(true);
        QVERIFY(w.Running());
        w.resize(before);
        QTRY_COMPARE_WITH_TIMEOUT(w.Size(), (TSize{box->width(), box->height()}), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 30000);
    }

    void finishedImageIsPaintedAtOnce()
    {
        TMainDialog& w = Open();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        // Only the end of the rendering can paint the finished image now.
        uitest::Child<QTimer>(w, "Timer")->setInterval(60 * 60 * 1000);
        w.Setup(TSize{200, 150}, V(-0.75, 0.1, 0.02));
        QVERIFY(w.Running() || w.RenderIconIndex() == TMainDialog::IconRenderRunning);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        QVERIFY(uitest::Child<QTimer>(w, "Timer")->isActive() == false);
        QVERIFY(w.StatusPanelText(13).endsWith(QLatin1String("ms")));
        QTRY_VERIFY(w.FinishedPaintDelayMs() >= 0);
        qInfo("finished image painted %.1f ms after the rendering ended", w.FinishedPaintDelayMs());
        // What the paint box shows is the finished image.
        const QImage shot = uitest::PaintBox(w)->grab().toImage();
        const QPoint offset = w.ImageOffset();
        const TPaletteBitmap& bitmap = w.Processor().Bitmap();
        for (const QPoint p : {QPoint(0, 0), QPoint(199, 149), QPoint(100, 75), QPoint(37, 120)}) {
            const QRgb expected = 0xFF000000u | bitmap.ColorTable()[bitmap.GetBuffer(p.x(), p.y())];
            QCOMPARE(QColor(shot.pixel(offset + p)), QColor(expected));
        }
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgTest.moc"

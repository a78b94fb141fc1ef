// The main window on an X server with a real window manager (openbox, started
// by wm_session.sh): maximize and restore, full screen and back, a resize
// while a long rendering runs, and the quick-help card at start. The window
// manager, not the test, decides the window's geometry; the window must keep
// what it was given, stay on the screen, and its image must end at the
// workspace's size.
#include <QtTest/QtTest>

#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtGui/QAction>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>

#include <memory>

#include "resources/ResourcesInit.h"
#include "ui/auxiliary/QuickHelpDlg.h"
#include "ui/common/CyanDusk.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "WindowTestSupport.h"

using namespace quillon;

namespace {

QString WindowId(const QWidget& w)
{
    return QStringLiteral("0x%1").arg(w.winId(), 0, 16);
}

// Asks the window manager, as a desktop's own controls do.
void Wm(const QWidget& w, const QStringList& arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("wmctrl"), QStringList{"-i", "-r", WindowId(w)} + arguments), 0);
}

void WmResize(const QWidget& w, const QSize& size)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                               {"windowsize", WindowId(w), QString::number(size.width()), QString::number(size.height())}),
             0);
}

// The managed windows from bottom to top, as the window manager stacks them.
QStringList Stacking()
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    xprop.waitForFinished();
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    QStringList ids;
    for (const QString& id : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << QStringLiteral("0x%1").arg(id.trimmed().toULongLong(nullptr, 16), 0, 16);
    return ids;
}

} // namespace

class MainDlgDesktopTest : public QObject, uitest::TWindowTest {
    Q_OBJECT

    TMainDialog& Open()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->show();
        [this] { QVERIFY(QTest::qWaitForWindowExposed(FWindow.get())); }();
        return *FWindow;
    }

    static QRect Screen(const TMainDialog& w) { return w.screen()->geometry(); }

    // No rendering runs, the window has noticed it, and the image fills the
    // workspace.
    static bool Settled(const TMainDialog& w)
    {
        const QSize pixels = w.PaintBoxPixels();
        return uitest::Idle(w) && w.Size() == (TSize{pixels.width(), pixels.height()});
    }

    static QString State(const TMainDialog& w)
    {
        const QSize pixels = w.PaintBoxPixels();
        const QRect f = w.frameGeometry();
        return QStringLiteral("running %1 icon %2 image %3x%4 workspace %5x%6 frame %7,%8 %9x%10 onscreen %11")
            .arg(w.Running()).arg(w.RenderIconIndex()).arg(w.Size().Width).arg(w.Size().Height)
            .arg(pixels.width()).arg(pixels.height()).arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())
            .arg(OnScreen(w));
    }

    // The window's area and its status bar are on the screen. Qt's frame margins
    // may lag behind the window manager's (openbox drops the border of a
    // maximized window), so the frame is not what is checked.
    static bool OnScreen(const TMainDialog& w)
    {
        const QRect screen = Screen(w);
        if (!screen.contains(w.geometry()))
            return false;
        const QWidget* status = uitest::Child<QStatusBar>(w, "StatusBar");
        const QWidget* bottom = status->isVisible() ? status : uitest::PaintBox(w);
        return screen.contains(QRect(bottom->mapToGlobal(QPoint(0, 0)), bottom->size()));
    }

    void Shot(const char* name)
    {
        const QString folder = qEnvironmentVariable("QUILLON_SHOT_DIR");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        QTest::qWait(300);
        QProcess::execute(QStringLiteral("import"),
                          {"-window", "root", QDir(folder).filePath(QString::fromLatin1(name) + ".png")});
    }

    // The geometry holds: the window manager does not take it back later.
    void HoldsFor(const TMainDialog& w, int ms)
    {
        const QRect frame = w.frameGeometry();
        const Qt::WindowStates states = w.windowState();
        QTest::qWait(ms);
        QCOMPARE(w.frameGeometry(), frame);
        QCOMPARE(w.windowState(), states);
    }

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "run by wm_session.sh");
    }

    void init()
    {
        InitWindowTest();
    }

    void cleanup()
    {
        if (FWindow)
            FWindow->SetRunning(false);
        EndWindowTest();
    }

    void quickHelpIsOnTopAtStart()
    {
        TMainDialog& w = Open();
        QVERIFY(w.QuickHelpVisible());
        TQuickHelpDialog* card = w.QuickHelp();
        QTRY_VERIFY(card->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(card));
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        QTest::qWait(300);
        const QStringList stacking = Stacking();
        const qsizetype main = stacking.indexOf(WindowId(w));
        const qsizetype help = stacking.indexOf(WindowId(*card));
        QVERIFY2(main >= 0 && help > main, qPrintable(stacking.join(' ')));
        // And the screen shows it: white card where the image would be.
        const QImage screen = w.screen()->grabWindow(0).toImage();
        const QPoint spot = card->geometry().topLeft() + QPoint(265, 100);
        QCOMPARE(QColor(screen.pixel(spot)), QColor(Qt::white));
        Shot("quickhelp-on-top-at-start");
    }

    void maximizeThenRestore()
    {
        TMainDialog& w = Open();
        w.SetQuickHelpVisible(false);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        const QSize before = w.size();

        Wm(w, {"-b", "add,maximized_vert,maximized_horz"});
        QTRY_VERIFY_WITH_TIMEOUT(w.windowState() & Qt::WindowMaximized, 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(Settled(w) && OnScreen(w) && w.size() != before, qPrintable(State(w)), 10000);
        HoldsFor(w, 600);
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QVERIFY(OnScreen(w));
        QVERIFY(Settled(w));
        // It fills the screen's width, border to border.
        QCOMPARE(w.geometry().width(), Screen(w).width());
        // Not pinned: it could shrink and grow from here.
        QVERIFY(w.minimumWidth() < before.width() && w.minimumHeight() < before.height());
        QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        Shot("maximized");

        Wm(w, {"-b", "remove,maximized_vert,maximized_horz"});
        QTRY_VERIFY_WITH_TIMEOUT(!(w.windowState() & Qt::WindowMaximized), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), before, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w) && OnScreen(w), 10000);
        HoldsFor(w, 600);
        QCOMPARE(w.size(), before);
        QVERIFY(Settled(w));
        Shot("restored");
    }

    void fullScreenThenBack()
    {
        TMainDialog& w = Open();
        w.SetQuickHelpVisible(false);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        const QSize before = w.size();

        uitest::Action(w, "ActionFullScreen")->trigger();
        QVERIFY(w.FullScreen());
        QTRY_COMPARE_WITH_TIMEOUT(w.frameGeometry(), Screen(w), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        HoldsFor(w, 600);
        QCOMPARE(w.frameGeometry(), Screen(w));
        QVERIFY(Settled(w));
        // Every button of the floating bar shows, Exit last; nothing hides
        // behind an extension arrow.
        QAction* exitAction = uitest::Action(w, "ToolBarExit");
        QVERIFY(exitAction->isVisible());
        const QToolBar* bar = uitest::Child<QToolBar>(w, "ToolBar");
        QWidget* exitButton = bar->widgetForAction(exitAction);
        QVERIFY(exitButton && exitButton->isVisible());
        QVERIFY(bar->rect().contains(exitButton->geometry()));
        const auto* extension = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(!extension || !extension->isVisible());
        Shot("fullscreen");

        uitest::Action(w, "ActionFullScreen")->trigger();
        QVERIFY(!w.FullScreen());
        QTRY_VERIFY_WITH_TIMEOUT(!(w.windowState() & Qt::WindowFullScreen), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), before, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w) && OnScreen(w), 10000);
        HoldsFor(w, 600);
        QCOMPARE(w.size(), before);
        QVERIFY(OnScreen(w));
        QVERIFY(Settled(w));
        Shot("back-from-fullscreen");
    }

    void resizeDuringALongRendering()
    {
        TMainDialog& w = Open();
        w.SetQuickHelpVisible(false);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        const QSize start = w.size();
        // Inside the set every pixel takes all its steps: a long rendering.
        uitest::StartLongRendering(w, 1000000);
        w.SetView(TView::Create(TPoint2D::Create(-0.2, 0), 0.002, 0));
        QVERIFY(w.Running());
        const TSize image = w.Size();

        // A drag in steps, with pauses longer than the end of a resize: every
        // step is taken, and the image keeps its size meanwhile.
        for (const QSize step : {start + QSize(80, 60), start + QSize(160, 90), start + QSize(120, 140)}) {
            WmResize(w, step);
            QTRY_COMPARE_WITH_TIMEOUT(w.size(), step, 5000);
            QTest::qWait(350);
            QCOMPARE(w.size(), step);
            QVERIFY(w.Running());
            QCOMPARE(w.Size(), image);
            QVERIFY(OnScreen(w));
        }
        Shot("resize-during-rendering");

        // Stopped: the image takes the workspace's size (and renders).
        w.SetMaxSteps(50);
        w.SetRunning(false);
        QTRY_VERIFY_WITH_TIMEOUT(Settled(w), 10000);
        QCOMPARE(w.size(), start + QSize(120, 140));
        QVERIFY(OnScreen(w));
        Shot("after-resize-during-rendering");
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    // As the program starts: its own style, so the screenshots show what users see.
    RequestStyle(app, QStringLiteral("Cyan Dusk"));
    MainDlgDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgDesktopTest.moc"

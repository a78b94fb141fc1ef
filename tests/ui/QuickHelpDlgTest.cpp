// The quick-help card: its place relative to the workspace, dragged, hidden,
// shown and across runs; travelling with the window; its close symbol.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtWidgets/QLabel>

#include <memory>
#include <utility>

#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/auxiliary/QuickHelpDlg.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "WindowTestSupport.h"

using namespace quillon;

namespace {

void Mouse(QWidget* w, QEvent::Type type, const QPoint& local, const QPoint& global, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Drags the card by a point of its surface.
void DragCard(QWidget* card, const QPoint& by)
{
    const QPoint local(60, 130);
    const QPoint global = card->mapToGlobal(local);
    Mouse(card, QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        Mouse(card, QEvent::MouseMove, local, global + by * i / 4, Qt::NoButton, Qt::LeftButton);
    Mouse(card, QEvent::MouseButtonRelease, local, global + by, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class QuickHelpDlgTest : public QObject, uitest::TWindowTest {
    Q_OBJECT

    TMainDialog& Open()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->move(200, 150);
        FWindow->show();
        // The card follows once the window is on the screen.
        [this] {
            QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
            QTRY_VERIFY_WITH_TIMEOUT(!FWindow->QuickHelp() || FWindow->QuickHelp()->isVisible(), 5000);
        }();
        return *FWindow;
    }

    void Close()
    {
        FWindow->SetRunning(false);
        FWindow->close();
        FWindow.reset();
    }

    static QPoint Origin(const TMainDialog& w)
    {
        return uitest::Child<QFrame>(w, "PanelWorkspace")->mapToGlobal(QPoint(0, 0));
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

    void firstRunOpensFivePixelsIntoTheWorkspace()
    {
        {
            // Not before the window is on the screen: a window manager would
            // stack the window mapped later above it.
            TMainDialog early;
            early.show();
            QVERIFY(early.QuickHelpVisible());
            QVERIFY(early.windowHandle() && !early.windowHandle()->isExposed());
            QVERIFY(!early.QuickHelp()->isVisible());
            QVERIFY(QTest::qWaitForWindowExposed(&early));
            QTRY_VERIFY(early.QuickHelp()->isVisible());
        }
        FStore->Renew();
        TMainDialog& w = Open();
        QVERIFY(w.QuickHelpVisible());
        QVERIFY(uitest::Action(w, "ActionQuickHelp")->isChecked());
        TQuickHelpDialog* card = w.QuickHelp();
        QVERIFY(card && card == QuickHelpDialog);
        QVERIFY(card->isVisible());
        QVERIFY(card->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(card->size(), QSize(288, 256));
        QCOMPARE(qRound(card->windowOpacity() * 255), 200);
        QCOMPARE(card->pos(), Origin(w) + QPoint(5, 5));
        QCOMPARE(card->findChild<QLabel*>(QStringLiteral("Label10"))->text(), QStringLiteral("Zoom selection"));
        // One font per column: the keys bold, what they do plain, each whole.
        const std::pair<QStringList, int> columns[] = {
            {{"Label1", "Label4", "Label5", "Label9", "Label11"}, 94},
            {{"Label2", "Label3", "Label6", "Label10", "Label12"}, 84}};
        for (const auto& [names, width] : columns) {
            const QFont font = card->findChild<QLabel*>(names.first())->font();
            for (const QString& name : names) {
                const QLabel* label = card->findChild<QLabel*>(name);
                QCOMPARE(label->font(), font);
                QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= width);
            }
        }
    }

    // The lines added to the card's own take free room: each whole, inside
    // the card, over none of its other parts.
    void addedLinesFitTheCard()
    {
        TMainDialog& w = Open();
        TQuickHelpDialog* card = w.QuickHelp();
        QVERIFY(card);
        const QStringList added{"Label15", "Label16", "Label17", "Label18"};
        QCOMPARE(card->findChild<QLabel*>(QStringLiteral("Label17"))->text(), QStringLiteral("<Alt><Left/Right>"));
        QCOMPARE(card->findChild<QLabel*>(QStringLiteral("Label18"))->text(), QStringLiteral("Last / Next view"));
        for (const QString& name : added) {
            const QLabel* label = card->findChild<QLabel*>(name);
            QVERIFY2(label, qPrintable(name));
            QVERIFY2(card->rect().contains(label->geometry()), qPrintable(name));
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
            for (const QWidget* other : card->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other == label || !other->isVisible())
                    continue;
                QVERIFY2(!label->geometry().intersects(other->geometry()),
                         qPrintable(name + QStringLiteral(" over ") + other->objectName()));
            }
        }
    }

    void draggedPlaceSurvivesHidingShowingAndARestart_data()
    {
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("right") << QPoint(100, 0) << QPoint(105, 5);
        QTest::newRow("negative") << QPoint(-150, -45) << QPoint(-145, -40);
    }

    void draggedPlaceSurvivesHidingShowingAndARestart()
    {
        QFETCH(QPoint, by);
        QFETCH(QPoint, offset);
        {
            TMainDialog& w = Open();
            DragCard(w.QuickHelp(), by);
            QCOMPARE(w.QuickHelp()->Offset(), offset);
            QCOMPARE(w.QuickHelp()->pos(), Origin(w) + offset);
            uitest::Action(w, "ActionQuickHelp")->trigger();
            QVERIFY(!w.QuickHelp());
            QVERIFY(!uitest::Action(w, "ActionQuickHelp")->isChecked());
            uitest::Action(w, "ActionQuickHelp")->trigger();
            QVERIFY(w.QuickHelp());
            QCOMPARE(w.QuickHelp()->pos(), Origin(w) + offset);
            Close();
        }
        TMainDialog& w = Open();
        QVERIFY(w.QuickHelp());
        QCOMPARE(w.QuickHelp()->pos(), Origin(w) + offset);
        QCOMPARE(w.AppRegistry().Registry().ReadInteger(settings::SectionQuickHelpDialog, settings::KeyOffsetX, 0),
                 offset.x());
    }

    void travelsWithTheWindow()
    {
        TMainDialog& w = Open();
        DragCard(w.QuickHelp(), QPoint(30, 40));
        const QPoint offset = w.QuickHelp()->Offset();
        w.move(w.pos() + QPoint(70, 25));
        QCOMPARE(w.QuickHelp()->pos(), Origin(w) + offset);
        QCOMPARE(w.QuickHelp()->Offset(), offset);
    }

    void closeSymbolHidesLikeTheCommand()
    {
        {
            TMainDialog& w = Open();
            DragCard(w.QuickHelp(), QPoint(20, 10));
            QLabel* close = w.QuickHelp()->ButtonClose;
            const QPoint p(5, 5);
            Mouse(close, QEvent::MouseButtonPress, p, close->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton);
            Mouse(close, QEvent::MouseButtonRelease, p, close->mapToGlobal(p), Qt::LeftButton, Qt::NoButton);
            QTRY_VERIFY(!w.QuickHelpVisible());
            QVERIFY(!uitest::Action(w, "ActionQuickHelp")->isChecked());
            QVERIFY(!QuickHelpDialog);
            Close();
        }
        // Hidden at the next start, and shown at its place on demand.
        TMainDialog& w = Open();
        QVERIFY(!w.QuickHelpVisible());
        uitest::Action(w, "ActionQuickHelp")->trigger();
        QCOMPARE(w.QuickHelp()->pos(), Origin(w) + QPoint(25, 15));
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    QuickHelpDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QuickHelpDlgTest.moc"

#include <QtTest/QtTest>

#include <QtWidgets/QLabel>

#include "SliderDriver.h"
#include "WindowTestSupport.h"
#include "engine/Errors.h"
#include "ui/options/TrackBarEx.h"
#include "ui/options/TrackbarFrm.h"

using namespace quillon;

class TrackBarExTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTrackBarEx> FBar;
    int FChange = 0;
    int FChanged = 0;
    int FValueAtChanged = -1;

    void Make(Qt::Orientation orientation)
    {
        FBar = std::make_unique<TTrackBarEx>(orientation);
        FBar->setRange(1, 1000);
        FBar->setPageStep(100);
        FBar->setValue(50);
        FBar->resize(orientation == Qt::Horizontal ? QSize(400, 25) : QSize(25, 400));
        FBar->show();
        QVERIFY(QTest::qWaitForWindowExposed(FBar.get()));
        FChange = FChanged = 0;
        connect(FBar.get(), &QSlider::valueChanged, this, [this] { ++FChange; });
        // A change handler that sends the bar events of its own, as the window's does.
        connect(FBar.get(), &QSlider::valueChanged, this, [this](int v) { FBar->setToolTip(QString::number(v)); });
        connect(FBar.get(), &TTrackBarEx::changed, this, [this] {
            ++FChanged;
            FValueAtChanged = FBar->value();
        });
    }

private slots:
    void init() { Make(Qt::Horizontal); }
    void cleanup() { FBar.reset(); }

    void dragFiresChangedOnceAtRelease()
    {
        test::DragSlider(*FBar, 900);
        QVERIFY2(FChange > 5, qPrintable(QString::number(FChange)));
        QCOMPARE(FChanged, 1);
        QVERIFY(qAbs(FBar->value() - 900) <= 5);
        // Reported with the final position in force.
        QCOMPARE(FValueAtChanged, FBar->value());
    }

    void stepsFireChangedOnce_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("right") << int(Qt::Key_Right) << 51;
        QTest::newRow("left") << int(Qt::Key_Left) << 49;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 150;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 1;
    }

    void stepsFireChangedOnce()
    {
        QFETCH(int, key);
        QFETCH(int, expected);
        QTest::keyClick(FBar.get(), Qt::Key(key));
        QCOMPARE(FBar->value(), expected);
        QCOMPARE(FChange, 1);
        QCOMPARE(FChanged, 1);
        QCOMPARE(FValueAtChanged, expected);
    }

    // A change the owner refuses opens a real message box once the bar's event
    // is over; the bar and the program outlive it.
    void aRefusedChangeOpensARealBox()
    {
        // A receiver that refuses the change, beside the counting one.
        auto refusal = connect(FBar.get(), &TTrackBarEx::changed, this,
                               [] { throw EQuillonError("Value out of range."); });
        {
            uitest::TRealMessageBoxes boxes;
            QTest::keyClick(FBar.get(), Qt::Key_Right);
            QTRY_COMPARE(boxes.Texts, QStringList{QStringLiteral("Value out of range.")});
            QTRY_VERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(FChanged, 1);
        disconnect(refusal);
        QTest::keyClick(FBar.get(), Qt::Key_Right);
        QCOMPARE(FBar->value(), 52);
        QCOMPARE(FChanged, 2);
    }

    void homeAndEndDoNotFireChanged()
    {
        QTest::keyClick(FBar.get(), Qt::Key_End);
        QCOMPARE(FBar->value(), 1000);
        QTest::keyClick(FBar.get(), Qt::Key_Home);
        QCOMPARE(FBar->value(), 1);
        QCOMPARE(FChange, 2);
        QCOMPARE(FChanged, 0);
    }

    void wheelIsALineStep()
    {
        const QPoint p(200, 12);
        QWheelEvent e(QPointF(p), QPointF(FBar->mapToGlobal(p)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(FBar.get(), &e);
        QVERIFY(FBar->value() != 50);
        QCOMPARE(FChanged, 1);
    }

    void programPositionsNeverFireChanged()
    {
        FBar->setValue(700);
        FBar->setSliderPosition(300);
        QCOMPARE(FBar->value(), 300);
        QCOMPARE(FChange, 2);
        QCOMPARE(FChanged, 0);
    }

    void verticalNeverFiresChanged()
    {
        Make(Qt::Vertical);
        QTest::keyClick(FBar.get(), Qt::Key_Up);
        QTest::keyClick(FBar.get(), Qt::Key_PageDown);
        QCOMPARE(FChange, 2);
        QCOMPARE(FChanged, 0);
    }

    void frameLayout()
    {
        TTrackbarFrame frame;
        QCOMPARE(frame.size(), QSize(200, 25));
        QCOMPARE(frame.Label1->width(), 40);
        QCOMPARE(frame.TrackBar->minimum(), 1);
        QCOMPARE(frame.TrackBar->maximum(), 10);
        QCOMPARE(frame.TrackBar->pageStep(), 10);
        QCOMPARE(frame.TrackBar->value(), 1);
        QCOMPARE(frame.TrackBar->tickPosition(), QSlider::NoTicks);
    }
};

QTEST_MAIN(TrackBarExTest)
#include "TrackBarExTest.moc"

// The window in deep views: the View chapter's centre fields with every digit,
// the status bar's figures there, the zoom about the pointer at full precision
// and the progress of a long rendering.
#include <QtTest/QtTest>

#include <QtCore/QElapsedTimer>
#include <QtGui/QClipboard>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <cmath>
#include <memory>

#include "engine/FileFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/logic/StatusTexts.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/OptionsDlg.h"
#include "ui/options/ViewChapter.h"
#include "WindowTestSupport.h"

using namespace quillon;

namespace {

constexpr int ViewChapterIndex = 1;

TPreciseNumber Dec(const char* text)
{
    const auto n = TPreciseNumber::FromDecimal(text);
    if (!n) qFatal("not a decimal: %s", text);
    return *n;
}

// A boundary point at 1e-60 with digits far below a double's.
TView DeepView()
{
    TView view = TView::Create({}, 1e-60, 0.3);
    view.SetPreciseCenter({Dec("-1.7499576837060935036022145060706997072711057972625207793024283782081"),
                           Dec("0.0000000000000000000000000000000000000000000000000000000000001234567")});
    return view;
}

// |a - b| in pixels of scale.
double Pixels(const TPreciseNumber& a, const TPreciseNumber& b, double scale)
{
    return std::abs(a.Minus(b).ToDouble() / scale);
}

} // namespace

class MainDlgDeepTest : public QObject, uitest::TWindowTest {
    Q_OBJECT

    TMainDialog& Open(const TView& view) { return OpenIdle(TSize{160, 120}, view); }

    std::unique_ptr<TOptionsDialog> OpenOptions(TMainDialog& w)
    {
        auto dialog = std::make_unique<TOptionsDialog>(w.Session(), &w);
        dialog->show();
        dialog->SetChapterIndex(ViewChapterIndex);
        return dialog;
    }

    static QLineEdit* Edit(QWidget& dialog, const char* name) { return uitest::Child<QLineEdit>(dialog, name); }

    static QLabel* Panel(TMainDialog& w, int index)
    {
        return uitest::Child<QLabel>(w, QByteArray("StatusPanel").append(QByteArray::number(index)).constData());
    }

private slots:
    void initTestCase() { uitest::MuteOffscreenPlatformNotes(); }
    void init() { InitWindowTest(); }
    void cleanup() { EndWindowTest(); }

    // The centre fields show the digits the scale needs; an untouched field
    // keeps every bit, a typed one gives all its digits.
    void viewChapterCarriesThePreciseCentre()
    {
        const TView deep = DeepView();
        TMainDialog& w = Open(deep);
        {
            auto dialog = OpenOptions(w);
            QLineEdit* x = Edit(*dialog, "EditCenterX");
            QLineEdit* y = Edit(*dialog, "EditCenterY");
            QCOMPARE(x->text().toStdString(), CenterCoordinateText(deep.Precise.X, deep.Scale));
            QCOMPARE(y->text().toStdString(), CenterCoordinateText(deep.Precise.Y, deep.Scale));
            QCOMPARE(x->text().size(), 69); // "-1." and 66 decimals: a millionth of a pixel
            QCOMPARE(x->cursorPosition(), 0); // the sign and the leading digits in sight
            QVERIFY(Pixels(Dec(qPrintable(x->text())), deep.Precise.X, deep.Scale) < 1e-6);
            const int starts = w.Session().RenderStartCount();
            RunReported([&] { dialog->ButtonOkClick(); });
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.View(), deep);
            QCOMPARE(w.Session().RenderStartCount(), starts); // nothing changed, nothing rendered
        }
        {
            // One typed coordinate: the other keeps its bits.
            auto dialog = OpenOptions(w);
            const char* typed = "0.00000000000000000000000000000000000000000000000000000000000009876543210123";
            Edit(*dialog, "EditCenterY")->setText(QString::fromLatin1(typed));
            RunReported([&] { dialog->ButtonOkClick(); });
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.View().PreciseCenter().Y, Dec(typed));
            QCOMPARE(w.View().PreciseCenter().X, deep.Precise.X);
            QCOMPARE(w.View().Scale, deep.Scale);
        }
        uitest::WaitIdle(w);
        const TView typedView = w.View();
        {
            // Saved and opened again, the text gives the same view.
            auto dialog = OpenOptions(w);
            auto* chapter = qobject_cast<TChapterFrameView*>(dialog->ChapterFrame(ViewChapterIndex));
            QVERIFY(chapter);
            const QString file = FStore->filePath(QStringLiteral("deep.txt"));
            chapter->SaveViewFile(file);
            const QString saved = QString::fromStdString(ReadFileBytes(file.toStdString()));
            QVERIFY(saved.startsWith(Edit(*dialog, "EditCenterX")->text() + QStringLiteral("\r\n")));
            chapter->ButtonCopyClick();
            for (const char* name : {"EditCenterX", "EditCenterY", "EditScale", "EditAngle"})
                Edit(*dialog, name)->setText(QStringLiteral("1"));
            chapter->OpenViewFile(file);
            RunReported([&] { dialog->ButtonOkClick(); });
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.View(), typedView);
        }
        {
            // Pasted into a view elsewhere, the text brings the deep centre
            // within a millionth of a pixel.
            w.Setup(w.Size(), HomeView(alMandelbrot));
            uitest::WaitIdle(w);
            auto dialog = OpenOptions(w);
            auto* chapter = qobject_cast<TChapterFrameView*>(dialog->ChapterFrame(ViewChapterIndex));
            chapter->ButtonPasteClick();
            RunReported([&] { dialog->ButtonOkClick(); });
            QVERIFY(FErrors.isEmpty());
            const TPreciseCenter c = w.View().PreciseCenter();
            QCOMPARE(w.View().Scale, typedView.Scale);
            QVERIFY(Pixels(c.X, typedView.Precise.X, typedView.Scale) < 1e-6);
            QVERIFY(Pixels(c.Y, typedView.Precise.Y, typedView.Scale) < 1e-6);
        }
        {
            // The checks of today's fields hold.
            const TView before = w.View();
            auto dialog = OpenOptions(w);
            QLineEdit* x = Edit(*dialog, "EditCenterX");
            x->setText(x->text() + QStringLiteral("x"));
            RunReported([&] { dialog->ButtonOkClick(); });
            QCOMPARE(FErrors, QStringList{QStringLiteral("Invalid floating point value.")});
            QCOMPARE(dialog->focusWidget(), x);
            QCOMPARE(w.View(), before);
            FErrors.clear();
        }
        uitest::WaitIdle(w);
    }

    // The zoom figure and the centre's hint in deep views.
    void statusBarInDeepViews()
    {
        TView view = DeepView();
        view.Scale = 1e-50;
        TMainDialog& w = Open(view);
        QCOMPARE(Panel(w, 9)->text(), QStringLiteral("6.25E+047"));
        QCOMPARE(Panel(w, 7)->text(), QStringLiteral("-1.750, 0.000"));
        QCOMPARE(Panel(w, 7)->toolTip().toStdString(), PreciseCenterText(w.View()));
        QVERIFY(Panel(w, 7)->toolTip().startsWith(
            QStringLiteral("-1.7499576837060935036022145060706997072711057972625207793, ")));
        QCOMPARE(Panel(w, 14)->text(), QString());
        view.Scale = DeepestScale;
        w.SetView(view);
        QCOMPARE(Panel(w, 9)->text(), QStringLiteral("6.25E+297"));
        QCOMPARE(Panel(w, 14)->text(), QStringLiteral("Deepest"));
        uitest::WaitIdle(w);
    }

    // Shift+wheel at 1e-60: the point under the pointer stays under it, to a
    // tiny part of a pixel.
    void shiftWheelZoomsAboutThePointerInDeepViews()
    {
        TMainDialog& w = Open(DeepView());
        QWidget* paintBox = uitest::PaintBox(w);
        const TPoint pixel{23, 97};
        const QPoint p = uitest::ImagePoint(w, pixel.x, pixel.y);
        const auto pointAt = [&w, &pixel] {
            return MoveView(w.View(), w.Processor().PixelToOffset(pixel)).PreciseCenter();
        };
        const TPreciseCenter before = pointAt();
        uitest::Wheel(paintBox, p, 120, Qt::ShiftModifier);
        QCOMPARE(w.View().Scale, 1e-60 * 0.8);
        const TPreciseCenter after = pointAt();
        QVERIFY(Pixels(after.X, before.X, w.View().Scale) < 1e-6);
        QVERIFY(Pixels(after.Y, before.Y, w.View().Scale) < 1e-6);
        uitest::WaitIdle(w);
    }

    // In a deep view the selection is found under its centre, and a drag
    // given back with Escape keeps every digit of the centre.
    void escapeGivesTheDraggedSelectionBackWhole()
    {
        TMainDialog& w = Open(DeepView());
        w.SetToolMode(tmSelection);
        QWidget* paintBox = uitest::PaintBox(w);
        const TPoint pixel{50, 90};
        w.SetSelection(w.Session().ClickView(MoveView(w.View(), w.Processor().PixelToOffset(pixel)).PreciseCenter()));
        const TView selection = w.Selection();
        QVERIFY(selection.HasPreciseCenter());
        const QPoint p = uitest::ImagePoint(w, pixel.x, pixel.y);
        uitest::Press(paintBox, p);
        uitest::MoveTo(paintBox, p + QPoint(12, 7));
        QVERIFY(!(w.Selection().PreciseCenter() == selection.PreciseCenter()));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(paintBox, &escape);
        QCOMPARE(w.Selection(), selection);
        uitest::Release(paintBox, p + QPoint(12, 7));
        QCOMPARE(w.Selection(), selection);
    }

    // A long rendering counts its lines in the Stats panel a few times a
    // second; its end puts the duration back.
    void longRenderingShowsItsProgress()
    {
        TMainDialog& w = Open(HomeView(alMandelbrot));
        QTRY_VERIFY_WITH_TIMEOUT(Panel(w, 13)->text().endsWith(QStringLiteral("ms")), 10000);
        const QString before = Panel(w, 13)->text();
        uitest::StartLongRendering(w, 200000000);
        QElapsedTimer clock;
        clock.start();
        w.SetRunning(true);
        QVERIFY(w.Running());
        // Not in the first half second (a loaded machine may take longer to look).
        QTest::qWait(250);
        const QString early = Panel(w, 13)->text();
        if (clock.elapsed() < 500)
            QCOMPARE(early, before);
        const QString pattern = QStringLiteral("^\\d+/%1 lines$").arg(w.Size().Height);
        QTRY_VERIFY_WITH_TIMEOUT(QRegularExpression(pattern).match(Panel(w, 13)->text()).hasMatch(), 5000);
        w.SetRunning(false);
        QVERIFY(Panel(w, 13)->text().endsWith(QStringLiteral("ms")));
        QCOMPARE(Panel(w, 13)->text().toStdString(), ElapsedText(w.Processor().ElapsedMs()));
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    RegisterOptionsChapters();
    MainDlgDeepTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgDeepTest.moc"

// The options dialog on the offscreen platform, with its real chapters on a
// real main window: the chapter protocol, the checks and their messages, and
// what each chapter loads and stores.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <limits>
#include <memory>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/auxiliary/AboutBox.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/MainDlgOptions.h"
#include "ui/options/AlgorithmChapter.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/EffectsChapter.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/OptionsDlg.h"
#include "ui/options/PaletteChapter.h"
#include "ui/options/ViewChapter.h"
#include "WindowTestSupport.h"

using namespace quillon;

// Allocations above the limit fail, as they do under a memory limit.
namespace {
std::atomic<std::size_t> AllocationLimit{std::numeric_limits<std::size_t>::max()};
}

void* operator new(std::size_t size)
{
    if (size > AllocationLimit.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

enum TChapter : int { chAlgorithm, chView, chPalette, chEffects };

TView V(double x, double y, double scale, double angle = 0)
{
    return TView::Create(TPoint2D::Create(x, y), scale, angle);
}

TRegIniFile& Store()
{
    return DefaultAppRegistry()->Registry();
}

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<uitest::TTestStore> FStore;
    QStringList FErrors;
    std::unique_ptr<TMainDialog> FWindow;
    IOptionsHost* FHost = nullptr;

    TMainDialog& Window()
    {
        if (!FWindow) {
            FWindow = std::make_unique<TMainDialog>();
            FWindow->show();
            if (!QTest::qWaitFor([this] { return !FWindow->Running(); }, 10000))
                qWarning("the first rendering did not end");
            FHost = &FWindow->Session();
        }
        return *FWindow;
    }

    std::unique_ptr<TOptionsDialog> OpenDialog()
    {
        Window();
        auto dialog = std::make_unique<TOptionsDialog>(*FHost, FWindow.get());
        dialog->show();
        return dialog;
    }

    template <class TFrame>
    static TFrame& Visit(TOptionsDialog& Dialog, TChapter Chapter)
    {
        Dialog.SetChapterIndex(Chapter);
        auto* frame = qobject_cast<TFrame*>(Dialog.ChapterFrame(Chapter));
        if (!frame)
            qFatal("chapter frame of the wrong class");
        return *frame;
    }

    // OK as the button runs it: a failure while storing is reported.
    void PressOk(TOptionsDialog& Dialog)
    {
        RunReported([&Dialog] { Dialog.ButtonOkClick(); });
    }

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
    }

    void init()
    {
        FStore = std::make_unique<uitest::TTestStore>(FErrors);
    }

    void cleanup()
    {
        FHost = nullptr;
        FWindow.reset();
        FStore.reset();
    }

    // --- Framework -------------------------------------------------------------

    void chaptersAreListedByOrderWithEqualOrdersInRegistrationOrder()
    {
        QStringList captions;
        for (const TChapterInfo& info : RegisteredChapters())
            captions << info.Caption;
        QCOMPARE(captions, (QStringList{"Algorithm", "View", "Palette", "Effects"}));

        TChapterInfoList list;
        for (const auto& [caption, order] : {std::pair{"B", 3}, {"C", 1}, {"D", 3}, {"A", 0}, {"E", 2}})
            InsertChapterInfo(list, TChapterInfo{QString::fromLatin1(caption), {}, order});
        captions.clear();
        for (const TChapterInfo& info : list)
            captions << info.Caption;
        QCOMPARE(captions, (QStringList{"A", "C", "E", "B", "D"}));

        TChapterInfo found;
        QVERIFY(TCustomOptionsDialog::FindChapter(QStringLiteral(" pALETTE"), found));
        QCOMPARE(found.Order, 4);
        QVERIFY(!TCustomOptionsDialog::FindChapter(QStringLiteral("Palette"), found));
    }

    void checks_data()
    {
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<QString>("message");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("int in range") << true << "1024" << 1.0 << 1024.0 << "";
        QTest::newRow("int hex") << true << "$10" << 1.0 << 1024.0 << "";
        QTest::newRow("int below") << true << "0" << 1.0 << 1024.0 << "Value out of range (1..1024).";
        QTest::newRow("int above") << true << "1025" << 1.0 << 1024.0 << "Value out of range (1..1024).";
        QTest::newRow("int not a number") << true << "12a" << 1.0 << 1024.0 << "Invalid integer value.";
        QTest::newRow("int empty") << true << "" << 1.0 << 1024.0 << "Invalid integer value.";
        QTest::newRow("int beyond 32 bits") << true << "2147483648" << 0.0 << 2147483647.0 << "Invalid integer value.";
        QTest::newRow("float at bounds") << false << "0.1" << 0.1 << 100.0 << "";
        QTest::newRow("float at upper bound") << false << "100" << 0.1 << 100.0 << "";
        QTest::newRow("float above") << false << "100.01" << 0.1 << 100.0 << "Value out of range.";
        QTest::newRow("float no upper bound") << false << "1e300" << 0.0 << nan << "";
        QTest::newRow("float negative") << false << "-0.5" << 0.0 << nan << "Value out of range.";
        QTest::newRow("float comma") << false << "1,5" << 0.0 << nan << "Invalid floating point value.";
        QTest::newRow("float no bounds") << false << "-7e-300" << nan << nan << "";
    }

    void checks()
    {
        QFETCH(bool, integer);
        QFETCH(QString, text);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(QString, message);
        TChapterFrame frame;
        auto* edit = new QLineEdit(text, &frame);
        const auto check = [&](bool silent) {
            return integer ? frame.Check(edit, silent, static_cast<int>(min), static_cast<int>(max))
                           : frame.Check(edit, silent, min, max);
        };
        QString raised;
        try {
            QCOMPARE(check(false), true);
        } catch (const EQuillonError& e) {
            raised = QString::fromUtf8(e.what());
        }
        QCOMPARE(raised, message);
        // Silent: the answer without an error; the field asks for the focus.
        QCOMPARE(check(true), message.isEmpty());
        QCOMPARE(frame.FocusRequest() == edit, !message.isEmpty());
        if (!integer) {
            try {
                frame.StrToDouble(edit);
                QVERIFY(!message.startsWith(QLatin1String("Invalid")));
            } catch (const EConvertError& e) {
                QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Invalid floating point value."));
            }
        }
    }

    void firstUseOpensOnAlgorithmAndTheLastChapterReopens()
    {
        {
            auto dialog = OpenDialog();
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Options"));
            QCOMPARE(dialog->size(), QSize(556, 302));
            QCOMPARE(dialog->ChapterIndex(), 0);
            QCOMPARE(dialog->ListBoxChapters->currentItem()->text(), QStringLiteral(" Algorithm"));
            QVERIFY(dialog->ChapterFrame(chAlgorithm)->isVisible());
            QVERIFY(!dialog->ChapterFrame(chView));
            // Clicking an entry switches; the previous frame keeps what was typed.
            auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
            algorithm.EditMaxSteps->setText(QStringLiteral("77"));
            dialog->ListBoxChapters->setCurrentRow(chPalette);
            QCOMPARE(dialog->ChapterIndex(), int(chPalette));
            QVERIFY(!algorithm.isVisible());
            dialog->ListBoxChapters->setCurrentRow(chAlgorithm);
            QCOMPARE(algorithm.EditMaxSteps->text(), QStringLiteral("77"));
            dialog->SetChapterIndex(chPalette);
            dialog->reject();
        }
        QCOMPARE(Store().ReadInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, -9), int(chPalette));
        QCOMPARE(Window().MaxSteps(), 50);
        {
            auto dialog = OpenDialog();
            QCOMPARE(dialog->ChapterIndex(), int(chPalette));
            QVERIFY(!dialog->ChapterFrame(chAlgorithm));
        }
        // Out of range: no chapter; below -1 as -1.
        for (int stored : {4, 99, -1, -5}) {
            Store().WriteInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, stored);
            auto dialog = OpenDialog();
            QCOMPARE(dialog->ChapterIndex(), -1);
            QVERIFY(dialog->ListBoxChapters->selectedItems().isEmpty());
            dialog.reset();
            QCOMPARE(Store().ReadInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, -9), -1);
        }
    }

    void aFailingCheckMakesItsChapterCurrentWithTheFocusAndStoresNothing()
    {
        TMainDialog& w = Window();
        auto dialog = OpenDialog();
        auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
        auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
        QCOMPARE(dialog->ChapterIndex(), int(chEffects));
        algorithm.EditMaxSteps->setText(QStringLiteral("0"));
        algorithm.EditMaxAbs->setText(QStringLiteral("x"));
        effects.SetRotationDirectionIndex(1);
        effects.EditColorOffset->setText(QStringLiteral("-1"));
        const int renders = w.RenderStartCount();

        PressOk(*dialog);
        // Only the first failure, of the first chapter in list order.
        QCOMPARE(FErrors, QStringList{QStringLiteral("Value out of range (1..1024).")});
        QCOMPARE(dialog->ChapterIndex(), int(chAlgorithm));
        QCOMPARE(dialog->CheckedFrameIndex(), int(chAlgorithm));
        QCOMPARE(dialog->ListBoxChapters->currentRow(), int(chAlgorithm));
        QCOMPARE(dialog->focusWidget(), algorithm.EditMaxSteps);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(w.AnimationDirection(), drUp);
        QCOMPARE(w.MaxSteps(), 50);
        QCOMPARE(w.RenderStartCount(), renders);

        // The next field, then the next chapter: each failure in its turn.
        algorithm.EditMaxSteps->setText(QStringLiteral("1024"));
        PressOk(*dialog);
        QCOMPARE(FErrors.last(), QStringLiteral("Invalid floating point value."));
        QCOMPARE(dialog->focusWidget(), algorithm.EditMaxAbs);
        algorithm.EditMaxAbs->setText(QStringLiteral("75"));
        PressOk(*dialog);
        QCOMPARE(FErrors.last(), QStringLiteral("Value out of range (0..2147483647)."));
        QCOMPARE(dialog->ChapterIndex(), int(chEffects));
        QCOMPARE(dialog->focusWidget(), effects.EditColorOffset);
        QCOMPARE(w.MaxSteps(), 50);

        effects.EditColorOffset->setText(QStringLiteral("0"));
        PressOk(*dialog);
        QCOMPARE(FErrors.size(), 3);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        // Beyond the track bars' ranges, still in effect.
        QCOMPARE(w.MaxSteps(), 1024);
        QCOMPARE(w.MaxAbs(), 75.0);
        QCOMPARE(w.AnimationDirection(), drDown);
    }

    // A field's check opens a real message box from the OK button's handler;
    // the dialog outlives it and takes the corrected value.
    void aFailedCheckOpensARealBox()
    {
        TMainDialog& w = Window();
        auto dialog = OpenDialog();
        auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
        algorithm.EditMaxSteps->setText(QStringLiteral("12x"));
        {
            uitest::TRealMessageBoxes boxes;
            dialog->ButtonOk->click();
            QTRY_COMPARE(boxes.Texts, QStringList{QStringLiteral("Invalid integer value.")});
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), algorithm.EditMaxSteps);
        algorithm.EditMaxSteps->setText(QStringLiteral("120"));
        dialog->ButtonOk->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(w.MaxSteps(), 120);
        QVERIFY(FErrors.isEmpty());
    }

    void anUnvisitedChapterIsNeitherCheckedNorStored()
    {
        TMainDialog& w = Window();
        w.SetMaxAbs(150); // beyond what the Algorithm chapter accepts
        Store().WriteInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, chEffects);
        auto dialog = OpenDialog();
        QVERIFY(!dialog->ChapterFrame(chAlgorithm));
        auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
        effects.CheckBoxColorWrapping->setChecked(true);
        PressOk(*dialog);
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(w.ColorWrapping());
        QCOMPARE(w.MaxAbs(), 150.0);
    }

    void smoothColorsCheckBox()
    {
        TMainDialog& w = Window();
        QVERIFY(!w.SmoothColors());
        auto dialog = OpenDialog();
        auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
        QCOMPARE(effects.CheckBoxSmoothColors->text(), QStringLiteral("&Smooth colors"));
        QVERIFY(!effects.CheckBoxSmoothColors->isChecked());
        effects.CheckBoxSmoothColors->setChecked(true);
        PressOk(*dialog);
        QVERIFY(FErrors.isEmpty());
        QVERIFY(w.SmoothColors());
        // Loaded from the window the next time.
        auto again = OpenDialog();
        QVERIFY(Visit<TChapterFrameEffects>(*again, chEffects).CheckBoxSmoothColors->isChecked());
    }

    void cancelStoresNothing()
    {
        TMainDialog& w = Window();
        const TView view = w.View();
        const std::string map = w.ColorMap().AsString();
        const int renders = w.RenderStartCount();
        auto dialog = OpenDialog();
        Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm).EditMaxSteps->setText(QStringLiteral("300"));
        Visit<TChapterFrameView>(*dialog, chView).EditScale->setText(QStringLiteral("1"));
        Visit<TChapterFrameColors>(*dialog, chPalette).ColorMapFrame->ActionNewExecute();
        Visit<TChapterFrameEffects>(*dialog, chEffects).EditAnimationSpeed->setText(QStringLiteral("50"));
        dialog->ButtonCancel->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(w.MaxSteps(), 50);
        QCOMPARE(w.View(), view);
        QCOMPARE(w.ColorMap().AsString(), map);
        QCOMPARE(w.AnimationSpeed(), 5);
        QCOMPARE(w.RenderStartCount(), renders);
    }

    void okWithoutChangesKeepsEveryExactValueAndStartsNoRendering()
    {
        TMainDialog& w = Window();
        // More digits than the fields show.
        const TView deep = V(-0.743643887037151, 0.131825904205330, 1.2345678901234e-14, 0.123456789);
        w.Setup(w.Size(), deep);
        w.SetMaxAbs(2.345678);
        w.Processor().SetInteriorFactor(12.345);
        w.SetAnimationSpeed(7);
        QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 10000);
        const int renders = w.RenderStartCount();
        auto dialog = OpenDialog();
        for (int chapter = 0; chapter < dialog->ChapterCount(); ++chapter)
            dialog->SetChapterIndex(chapter);
        auto& view = Visit<TChapterFrameView>(*dialog, chView);
        // Twelve digits would place the centre some 80 pixels off: the field
        // shows those down to a millionth of a pixel.
        QCOMPARE(view.EditCenterX->text(), QStringLiteral("-0.74364388703715100792"));
        QCOMPARE(view.EditAngle->text(), QStringLiteral("7.1"));
        QCOMPARE(Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm).EditMaxAbs->text(), QStringLiteral("2.35"));
        PressOk(*dialog);
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(w.View(), deep);
        QCOMPARE(w.MaxAbs(), 2.345678);
        QCOMPARE(w.Processor().InteriorFactor(), 12.345);
        QCOMPARE(w.AnimationSpeed(), 7);
        QCOMPARE(w.RenderStartCount(), renders);
    }

    void theCommandsOpenTheDialogsModally()
    {
        TMainDialog& w = Window();
        QString seen;
        QTimer::singleShot(0, &w, [&seen] {
            if (auto* dialog = qobject_cast<TOptionsDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->ListBoxChapters->currentItem()->text();
                dialog->ButtonCancel->click();
            }
        });
        uitest::Action(w, "ActionOptions")->trigger();
        QCOMPARE(seen, QStringLiteral(" Algorithm"));
        QTimer::singleShot(0, &w, [&seen] {
            if (auto* dialog = qobject_cast<TAboutDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->LabelTitle->text();
                dialog->ButtonOk->click();
            }
        });
        uitest::Action(w, "ActionAbout")->trigger();
        QCOMPARE(seen, QStringLiteral("Quillon - Mandelbrot Set Renderer"));
        QVERIFY(FErrors.isEmpty());
    }

    // --- View ------------------------------------------------------------------

    void viewSizeTexts_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("message");
        QTest::newRow("valid") << "640x480" << "";
        QTest::newRow("capital X") << "800X600" << "Invalid window size.";
        QTest::newRow("zero width") << "0x600" << "Invalid window size.";
        QTest::newRow("no height") << "800x" << "Invalid window size.";
        QTest::newRow("negative") << "800x-600" << "Invalid window size.";
    }

    void viewSizeTexts()
    {
        QFETCH(QString, size);
        QFETCH(QString, message);
        TMainDialog& w = Window();
        auto dialog = OpenDialog();
        auto& view = Visit<TChapterFrameView>(*dialog, chView);
        QCOMPARE(view.EditSize->count(), 8);
        QCOMPARE(view.EditSize->itemText(6), QStringLiteral("1920x1080"));
        view.EditSize->setEditText(size);
        PressOk(*dialog);
        if (message.isEmpty()) {
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.Size(), (TSize{640, 480}));
        } else {
            QCOMPARE(FErrors, QStringList{message});
            QCOMPARE(dialog->focusWidget(), view.EditSize);
        }
    }

    void viewStretchKeepsTheHorizontalExtent()
    {
        TMainDialog& w = Window();
        w.Setup(TSize{800, 600}, V(-0.5, 0, 0.004));
        {
            auto dialog = OpenDialog();
            auto& view = Visit<TChapterFrameView>(*dialog, chView);
            QVERIFY(!view.CheckBoxStretchView->isChecked());
            view.CheckBoxStretchView->setChecked(true);
            view.EditSize->setEditText(QStringLiteral("400x300"));
            PressOk(*dialog);
            QCOMPARE(w.Size(), (TSize{400, 300}));
            QCOMPARE(w.View().Scale, 0.008);
        }
        QVERIFY(Store().ReadBool(settings::SectionOptions, settings::KeyStretchView, false));
        {
            // Ticked from the store; only the height changes: the scale stays as typed.
            auto dialog = OpenDialog();
            auto& view = Visit<TChapterFrameView>(*dialog, chView);
            QVERIFY(view.CheckBoxStretchView->isChecked());
            view.EditSize->setEditText(QStringLiteral("400x100"));
            view.EditScale->setText(QStringLiteral("0.01"));
            view.EditAngle->setText(QStringLiteral("90"));
            PressOk(*dialog);
            QCOMPARE(w.Size(), (TSize{400, 100}));
            QCOMPARE(w.View().Scale, 0.01);
            QCOMPARE(w.View().Angle, 90 * 0.017453292519943295);
        }
    }

    // A size the memory cannot hold is refused with its size, and view and
    // size stay as they were.
    void aSizeTheMemoryCannotHoldChangesNothing()
    {
        TMainDialog& w = Window();
        w.Setup(TSize{400, 300}, V(-0.5, 0, 0.004));
        QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 10000);
        const TView view = w.View();
        auto dialog = OpenDialog();
        auto& chapter = Visit<TChapterFrameView>(*dialog, chView);
        chapter.EditSize->setEditText(QStringLiteral("65535x65535"));
        chapter.EditScale->setText(QStringLiteral("0.001"));
        AllocationLimit = std::size_t(1) << 30;
        PressOk(*dialog);
        AllocationLimit = std::numeric_limits<std::size_t>::max();
        QCOMPARE(FErrors, QStringList{QStringLiteral("Not enough memory for an image of 65535x65535.")});
        QVERIFY(dialog->isVisible());
        QCOMPARE(w.Size(), (TSize{400, 300}));
        QCOMPARE(w.View(), view);
        QCOMPARE(w.LockCount(), 0);
        // A size that fits goes in.
        chapter.EditSize->setEditText(QStringLiteral("320x200"));
        PressOk(*dialog);
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(w.Size(), (TSize{320, 200}));
        QCOMPARE(w.View().Scale, 0.001);
        w.SetRunning(false);
    }

    void viewTextCopyPasteAndPartialTexts()
    {
        Window().Setup(TSize{800, 600}, V(-0.5, 0.25, 0.004, 0.5));
        auto dialog = OpenDialog();
        auto& view = Visit<TChapterFrameView>(*dialog, chView);
        QCOMPARE(view.GetViewText(), QStringLiteral("-0.5\r\n0.25\r\n0.004\r\n28.6\r\n"));
        view.ButtonCopy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), view.GetViewText());
        const QString copied = view.GetViewText();
        for (QLineEdit* edit : {view.EditCenterX, view.EditCenterY, view.EditScale, view.EditAngle})
            edit->setText(QStringLiteral("9"));
        view.ButtonPaste->click();
        QCOMPARE(view.GetViewText(), copied);

        // Blank texts change nothing.
        for (const QString& blank : {QString(), QStringLiteral(" \r\n\t\n")}) {
            QGuiApplication::clipboard()->setText(blank);
            view.ButtonPasteClick();
            QCOMPARE(view.GetViewText(), copied);
        }
        // Two lines (LF only, padded): the centre, and empty scale and angle.
        QGuiApplication::clipboard()->setText(QStringLiteral("  1.5 \n-2\n"));
        view.ButtonPasteClick();
        QCOMPARE(view.GetViewText(), QStringLiteral("1.5\r\n-2\r\n\r\n\r\n"));
        PressOk(*dialog);
        QCOMPARE(FErrors, QStringList{QStringLiteral("Invalid floating point value.")});
        QCOMPARE(dialog->focusWidget(), view.EditScale);
        // Further lines are ignored; CR alone ends a line too.
        view.SetViewText(QStringLiteral("1\r2\r\n3\n4\n5\n"));
        QCOMPARE(view.GetViewText(), QStringLiteral("1\r\n2\r\n3\r\n4\r\n"));
    }

    void viewTextFiles()
    {
        Window().Setup(TSize{800, 600}, V(-0.5, 0.25, 0.004, 0.5));
        auto dialog = OpenDialog();
        auto& view = Visit<TChapterFrameView>(*dialog, chView);
        const QString file = FStore->filePath(QStringLiteral("view.txt"));
        view.SaveViewFile(file);
        QCOMPARE(ReadFileBytes(file.toStdString()), std::string("-0.5\r\n0.25\r\n0.004\r\n28.6\r\n"));
        view.EditScale->setText(QStringLiteral("1"));
        view.OpenViewFile(file);
        QCOMPARE(view.EditScale->text(), QStringLiteral("0.004"));
        // A file that cannot be read changes nothing.
        view.EditScale->setText(QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(EQuillonError, view.OpenViewFile(FStore->filePath(QStringLiteral("missing.txt"))));
        QCOMPARE(view.EditScale->text(), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(EQuillonError,
                                 view.SaveViewFile(FStore->filePath(QStringLiteral("no/such/folder/v.txt"))));
    }

    // --- Algorithm -------------------------------------------------------------

    void algorithmLoadsAndStores()
    {
        TMainDialog& w = Window();
        auto dialog = OpenDialog();
        auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
        QCOMPARE(algorithm.EditMaxSteps->text(), QStringLiteral("50"));
        QCOMPARE(algorithm.EditMaxAbs->text(), QStringLiteral("2.00"));
        algorithm.EditMaxAbs->setText(QStringLiteral("100.01"));
        PressOk(*dialog);
        QCOMPARE(FErrors, QStringList{QStringLiteral("Value out of range.")});
        algorithm.EditMaxSteps->setText(QStringLiteral("1"));
        algorithm.EditMaxAbs->setText(QStringLiteral("0.1"));
        PressOk(*dialog);
        QCOMPARE(w.MaxSteps(), 1);
        QCOMPARE(w.MaxAbs(), 0.1);
    }

    void typedJuliaPointBadValues_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("onX");
        QTest::newRow("letters") << "x" << "0.1" << "Invalid floating point value." << true;
        QTest::newRow("empty") << "-0.75" << "" << "Invalid floating point value." << false;
        QTest::newRow("decimal comma") << "-0,75" << "0.1" << "Invalid floating point value." << true;
        QTest::newRow("trailing text") << "-0.75" << "0.1i" << "Invalid floating point value." << false;
        QTest::newRow("too large") << "100.5" << "0" << "Value out of range." << true;
        QTest::newRow("too small") << "0" << "-1e3" << "Value out of range." << false;
    }

    void typedJuliaPointBadValues()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, error);
        QFETCH(bool, onX);
        TMainDialog& w = Window();
        const TView view = w.View();
        const TPoint2D point = w.JuliaPoint();
        const int renders = w.RenderStartCount();
        auto dialog = OpenDialog();
        auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
        algorithm.RadioJulia->setChecked(true);
        algorithm.EditJuliaX->setText(x);
        algorithm.EditJuliaY->setText(y);
        PressOk(*dialog);
        QCOMPARE(FErrors, QStringList{error});
        QCOMPARE(dialog->focusWidget(), onX ? algorithm.EditJuliaX : algorithm.EditJuliaY);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        // Nothing applied.
        QCOMPARE(w.Algorithm(), alMandelbrot);
        QCOMPARE(w.JuliaPoint(), point);
        QCOMPARE(w.View(), view);
        QCOMPARE(w.RenderStartCount(), renders);
    }

    void typedJuliaPointSwitchesAsTheCommandDoes()
    {
        TMainDialog& w = Window();
        // A Mandelbrot state to keep: a zoom and a selection.
        w.SetSelection(V(-0.7, 0.1, 0.004));
        w.ZoomToTarget();
        const TView selection = V(-0.71, 0.11, 0.0005);
        w.SetSelection(selection);
        QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 10000);
        const TView view = w.View();
        {
            auto dialog = OpenDialog();
            // The View chapter, visited but untouched, does not pull the Julia set to the Mandelbrot view.
            Visit<TChapterFrameView>(*dialog, chView);
            auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
            QVERIFY(algorithm.RadioMandelbrot->isChecked());
            const int renders = w.RenderStartCount();
            algorithm.RadioJulia->setChecked(true);
            algorithm.EditJuliaX->setText(QStringLiteral("-0.7269"));
            algorithm.EditJuliaY->setText(QStringLiteral(" 0.1889"));
            PressOk(*dialog);
            QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
            QCOMPARE(w.Algorithm(), alJulia);
            QVERIFY(uitest::Action(w, "ActionJulia")->isChecked());
            QCOMPARE(w.JuliaPoint(), (TPoint2D{-0.7269, 0.1889}));
            QCOMPARE(w.View(), HomeView(alJulia));
            QCOMPARE(w.RenderStartCount(), renders + 1);
            QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 10000);
        }
        // A point with more digits than the fields show stays exact when untouched.
        const TPoint2D exact{-0.12345678901234567, 0.74567890123456789};
        w.SetJuliaPoint(exact);
        {
            auto dialog = OpenDialog();
            auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
            QVERIFY(algorithm.RadioJulia->isChecked());
            QCOMPARE(algorithm.EditJuliaX->text(), QStringLiteral("-0.123456789012"));
            const int renders = w.RenderStartCount();
            PressOk(*dialog);
            QCOMPARE(w.JuliaPoint(), exact);
            QCOMPARE(w.RenderStartCount(), renders);
        }
        // Back to the Mandelbrot set as it was left.
        {
            auto dialog = OpenDialog();
            auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
            algorithm.RadioMandelbrot->setChecked(true);
            PressOk(*dialog);
            QCOMPARE(w.Algorithm(), alMandelbrot);
            QVERIFY(!uitest::Action(w, "ActionJulia")->isChecked());
            QCOMPARE(w.View(), view);
            QCOMPARE(w.Selection(), selection);
            QCOMPARE(w.History().Count(), 1);
            QCOMPARE(w.JuliaPoint(), exact);
        }
        QVERIFY(FErrors.isEmpty());
    }

    // --- Palette ---------------------------------------------------------------

    void paletteEditsACopyAndStoresItOnOk()
    {
        TMainDialog& w = Window();
        const std::string before = w.ColorMap().AsString();
        const int renders = w.RenderStartCount();
        {
            // Unchanged: no change event, no rendering.
            auto dialog = OpenDialog();
            auto& palette = Visit<TChapterFrameColors>(*dialog, chPalette);
            QCOMPARE(palette.ColorMapFrame->ColorMap().AsString(), before);
            QCOMPARE(palette.ColorMapFrame->LabelColorCount->text(), QStringLiteral("256"));
            PressOk(*dialog);
            QCOMPARE(w.RenderStartCount(), renders);
        }
        auto dialog = OpenDialog();
        auto& palette = Visit<TChapterFrameColors>(*dialog, chPalette);
        TColorMapFrame& editor = *palette.ColorMapFrame;
        QCOMPARE(editor.EditNodeCount->text(), QStringLiteral("12"));
        QCOMPARE(editor.EditColorCount->text(), QStringLiteral("256"));
        editor.ActionDefaultExecute(); // the window's default map
        QCOMPARE(editor.ColorMap().AsString(), w.DefaultColorMap().AsString());
        editor.EditNodeCount->setText(QStringLiteral("5"));
        editor.EditColorCount->setText(QStringLiteral("64"));
        editor.ActionRandomExecute();
        QCOMPARE(editor.ColorMap().Count(), 5);
        QCOMPARE(editor.ColorMap().ColorCount(), 64);
        QVERIFY(w.ColorMap().ColorCount() == 256);
        PressOk(*dialog);
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(w.ColorMap().AsString(), editor.ColorMap().AsString());
        QCOMPARE(w.Processor().ColorCount(), 64);
        QCOMPARE(Store().ReadString(settings::SectionPalette, settings::KeyRandomNodeCount, ""), std::string("5"));
        dialog.reset();
        dialog = OpenDialog();
        QCOMPARE(Visit<TChapterFrameColors>(*dialog, chPalette).ColorMapFrame->EditColorCount->text(),
                 QStringLiteral("64"));
    }

    void paletteTooLongOrEmptyIsRefusedBeforeStoring()
    {
        TMainDialog& w = Window();
        const std::string before = w.ColorMap().AsString();
        auto dialog = OpenDialog();
        auto& palette = Visit<TChapterFrameColors>(*dialog, chPalette);
        TColorMapFrame& editor = *palette.ColorMapFrame;
        const QColor normal = editor.LabelColorCount->palette().color(QPalette::WindowText);
        editor.ColorMap().GetItem(1).SetCount(editor.ColorMap().GetItem(1).Count() + 44);
        QCOMPARE(editor.LabelColorCount->text(), QStringLiteral("300"));
        QCOMPARE(editor.LabelColorCount->palette().color(QPalette::WindowText), QColor(Qt::red));
        Visit<TChapterFrameEffects>(*dialog, chEffects);
        PressOk(*dialog);
        QCOMPARE(FErrors, QStringList{QStringLiteral("Invalid number of colors (up to 256).")});
        QCOMPARE(dialog->ChapterIndex(), int(chPalette));
        QCOMPARE(w.ColorMap().AsString(), before);

        editor.ColorMap().GetItem(1).SetCount(editor.ColorMap().GetItem(1).Count() - 44);
        QCOMPARE(editor.LabelColorCount->palette().color(QPalette::WindowText), normal);
        editor.ActionNewExecute();
        PressOk(*dialog);
        QCOMPARE(FErrors.last(), QStringLiteral("Invalid color map."));
        QCOMPARE(w.ColorMap().AsString(), before);
        QVERIFY(dialog->isVisible());
    }

    void randomRefusesCountsNoMapCanHold()
    {
        auto dialog = OpenDialog();
        TColorMapFrame& editor = *Visit<TChapterFrameColors>(*dialog, chPalette).ColorMapFrame;
        const std::string before = editor.ColorMap().AsString();
        for (const auto& [nodes, colors, message] :
             {std::tuple{"2000000000", "256", "Invalid number of nodes (up to 65536)."},
              std::tuple{"12", "2000000000", "Invalid number of colors (up to 65536)."},
              std::tuple{"12", "many", "'many' is not a valid integer value"},
              std::tuple{"x", "many", "'many' is not a valid integer value"}}) {
            editor.EditNodeCount->setText(QString::fromLatin1(nodes));
            editor.EditColorCount->setText(QString::fromLatin1(colors));
            editor.ActionRandom->trigger();
            QCOMPARE(FErrors.last(), QString::fromLatin1(message));
            QCOMPARE(editor.ColorMap().AsString(), before);
        }
    }

    // --- Effects ---------------------------------------------------------------

    void effectsFrameRates_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("message");
        QTest::newRow("50") << "50" << "";
        QTest::newRow("1") << "1" << "";
        QTest::newRow("0.5") << "0.5" << "Value out of range.";
        QTest::newRow("51") << "51" << "Value out of range.";
        QTest::newRow("text") << "fast" << "Invalid floating point value.";
    }

    void effectsFrameRates()
    {
        QFETCH(QString, rate);
        QFETCH(QString, message);
        TMainDialog& w = Window();
        auto dialog = OpenDialog();
        auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
        effects.EditAnimationSpeed->setText(rate);
        PressOk(*dialog);
        if (message.isEmpty()) {
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.AnimationSpeed(), w.FrameRateToAnimationSpeed(rate.toFloat()));
        } else {
            QCOMPARE(FErrors, QStringList{message});
            QCOMPARE(dialog->focusWidget(), effects.EditAnimationSpeed);
            QCOMPARE(w.AnimationSpeed(), 5);
        }
    }

    void effectsLoadAndStore()
    {
        TMainDialog& w = Window();
        {
            auto dialog = OpenDialog();
            auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
            QCOMPARE(effects.RotationDirectionIndex(), 0);
            QCOMPARE(effects.EditColorOffset->text(), QStringLiteral("0"));
            QCOMPARE(effects.EditInteriorFactor->text(), QStringLiteral("100.0"));
            QCOMPARE(effects.EditAnimationSpeed->text(), QString::fromStdString(Format("%.1f", {w.AnimationSpeedToFrameRate(5)})));
            // Between the rates of speeds 5 and 6: the nearest speed.
            effects.EditAnimationSpeed->setText(QStringLiteral("8"));
            effects.EditInteriorFactor->setText(QStringLiteral("1000000"));
            effects.EditColorOffset->setText(QStringLiteral("255"));
            PressOk(*dialog);
            QVERIFY(FErrors.isEmpty());
            QCOMPARE(w.Processor().ColorOffset(), 255);
            QCOMPARE(w.Processor().InteriorFactor(), 1000000.0);
            QCOMPARE(w.AnimationSpeed(), 6);
        }
        {
            auto dialog = OpenDialog();
            auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
            QCOMPARE(effects.EditAnimationSpeed->text(), QString::fromStdString(Format("%.1f", {w.AnimationSpeedToFrameRate(6)})));
            // 256 is outside the palette: refused by the checks, before any
            // chapter stores a value, and Cancel then keeps nothing.
            auto& algorithm = Visit<TChapterFrameAlgorithm>(*dialog, chAlgorithm);
            algorithm.EditMaxSteps->setText(QStringLiteral("300"));
            Visit<TChapterFrameEffects>(*dialog, chEffects);
            effects.SetRotationDirectionIndex(1);
            effects.EditColorOffset->setText(QStringLiteral("256"));
            effects.CheckBoxColorWrapping->setChecked(true);
            PressOk(*dialog);
            QCOMPARE(FErrors, QStringList{QStringLiteral("Invalid color offset.")});
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->focusWidget(), effects.EditColorOffset);
            dialog->ButtonCancel->click();
            QCOMPARE(w.MaxSteps(), 50);
            QCOMPARE(w.AnimationDirection(), drUp);
            QCOMPARE(w.Processor().ColorOffset(), 255);
            QVERIFY(!w.ColorWrapping());
        }
        {
            // The offset is checked against the palette the Palette chapter stores.
            FErrors.clear();
            auto dialog = OpenDialog();
            auto& palette = Visit<TChapterFrameColors>(*dialog, chPalette);
            palette.ColorMapFrame->ColorMap().SetAsString("$000000\r\n$FFFFFF, 9\r\n");
            auto& effects = Visit<TChapterFrameEffects>(*dialog, chEffects);
            effects.EditColorOffset->setText(QStringLiteral("10"));
            PressOk(*dialog);
            QCOMPARE(FErrors, QStringList{QStringLiteral("Invalid color offset.")});
            QCOMPARE(w.Processor().ColorCount(), 256);
            effects.EditColorOffset->setText(QStringLiteral("9"));
            PressOk(*dialog);
            QCOMPARE(FErrors.size(), 1);
            QCOMPARE(w.Processor().ColorCount(), 10);
            QCOMPARE(w.Processor().ColorOffset(), 9);
        }
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    RegisterOptionsChapters();
    OptionsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsDialogTest.moc"

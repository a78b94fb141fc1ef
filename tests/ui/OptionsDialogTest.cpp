// The options dialog on the offscreen platform, with its real chapters on a
// real main window: the chapter protocol, the checks and their messages, OK
// and Cancel, and the commands that open the dialogs.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include <cmath>
#include <limits>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/auxiliary/AboutBox.h"
#include "ui/common/QuillonApplication.h"
#include "ui/options/AlgorithmChapter.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/EffectsChapter.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/PaletteChapter.h"
#include "ui/options/ViewChapter.h"
#include "OptionsTestSupport.h"

namespace quillon::uitest {

class OptionsDialogTest : public QObject, private TOptionsFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MuteOffscreenPlatformNotes();
    }

    void init()
    {
        Begin();
    }

    void cleanup()
    {
        End();
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
        Action(w, "ActionOptions")->trigger();
        QCOMPARE(seen, QStringLiteral(" Algorithm"));
        QTimer::singleShot(0, &w, [&seen] {
            if (auto* dialog = qobject_cast<TAboutDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->LabelTitle->text();
                dialog->ButtonOk->click();
            }
        });
        Action(w, "ActionAbout")->trigger();
        QCOMPARE(seen, QStringLiteral("Quillon - Mandelbrot Set Renderer"));
        QVERIFY(FErrors.isEmpty());
    }
};

} // namespace quillon::uitest

int main(int argc, char* argv[])
{
    quillon::TQuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterOptionsChapters();
    quillon::uitest::OptionsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsDialogTest.moc"

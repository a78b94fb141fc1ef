// What each options chapter loads from the window and stores on OK: view and
// size, the algorithm and the typed Julia point, the palette, the effects.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <tuple>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlgOptions.h"
#include "ui/options/AlgorithmChapter.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/EffectsChapter.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/PaletteChapter.h"
#include "ui/options/ViewChapter.h"
#include "OptionsTestSupport.h"

namespace quillon::uitest {

class OptionsChaptersTest : public QObject, private TOptionsFixture {
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
            QVERIFY(Action(w, "ActionJulia")->isChecked());
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
            QVERIFY(!Action(w, "ActionJulia")->isChecked());
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

} // namespace quillon::uitest

int main(int argc, char* argv[])
{
    quillon::TQuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterOptionsChapters();
    quillon::uitest::OptionsChaptersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsChaptersTest.moc"

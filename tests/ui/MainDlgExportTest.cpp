// The window's exports: images saved with the colors on screen (smooth
// colors and several samples per pixel among them), the screenshot on the
// clipboard and the recording of the palette animation. File dialogs answer
// through the window's hook and never block.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImageReader>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include <sys/resource.h>

#include "colormap/ColorMap.h"
#include "engine/RgbPicture.h"
#include "resources/ResourcesInit.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

class MainDlgExportTest : public QObject, TFilesWindowTest {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
    }

    void init()
    {
        InitFilesTest();
    }

    void cleanup()
    {
        EndFilesTest();
    }

    void smoothColorsOnScreenAndInSavedPictures()
    {
        TMainDialog& w = Open();
        w.SetView(V(-0.7, 0.2, 0.01, 0.2));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        w.SetSmoothColors(true);
        // Turning them on renders again; the picture on screen is the smooth one.
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w) && w.RenderStartCount() == starts + 1, 10000);
        QVERIFY(w.SmoothShown());
        const int width = w.Processor().Width(), height = w.Processor().Height();
        QImage smooth(width, height, QImage::Format_RGB32);
        w.Processor().CopySmoothPixels(reinterpret_cast<std::uint32_t*>(smooth.bits()),
                                       static_cast<int>(smooth.bytesPerLine() / 4), 0, height);
        QVERIFY(Difference(smooth, ScreenImage(w)).first > 0);
        const QImage shown = uitest::PaintBox(w)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint offset = w.ImageOffset();
        QCOMPARE(shown.copy(offset.x(), offset.y(), width, height), smooth);

        // 1x1: the picture on screen, 24-bit, with the scene that turns them on.
        QCOMPARE(uitest::Child<QComboBox>(w, "ComboBoxImageSamples")->count(), 4);
        QCOMPARE(uitest::Child<QComboBox>(w, "ComboBoxImageSamples")->itemText(3), QStringLiteral("4x4"));
        const QString picture = File(QStringLiteral("smooth.png"));
        FAnswers[QStringLiteral("SaveImageDialog")] = picture;
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QImage saved(picture);
        QVERIFY(saved.format() != QImage::Format_Indexed8);
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), smooth);
        QVERIFY(saved.text(QStringLiteral("Quillon scene")).contains(QStringLiteral("SmoothColors=1\n")));

        // 3x3: the block average of the scene at three times the size.
        TProcessor big;
        big.SetMaxSteps(w.Processor().MaxSteps());
        big.SetMaxAbs(w.Processor().MaxAbs());
        big.SetOptions(w.Processor().Options());
        big.SetInteriorFactor(w.Processor().InteriorFactor());
        big.SetColors(w.Processor().Bitmap().Colors());
        big.SetColorOffset(w.Processor().ColorOffset());
        big.SetSmoothColors(true);
        TView view = w.View();
        view.Scale = view.Scale / 3;
        big.SetView(view);
        big.SetSize({width * 3, height * 3});
        big.Start();
        while (big.Running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::vector<std::uint32_t> colors(static_cast<std::size_t>(width) * height * 9);
        big.CopySmoothPixels(colors.data(), width * 3, 0, height * 3);
        uitest::Child<QComboBox>(w, "ComboBoxImageSamples")->setCurrentIndex(2);
        const QString sampled = File(QStringLiteral("sampled.bmp"));
        FAnswers[QStringLiteral("SaveImageDialog")] = sampled;
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        const QImage average(sampled);
        QCOMPARE(average.size(), QSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint32_t block[9];
                for (int k = 0; k < 9; ++k)
                    block[k] = colors[static_cast<std::size_t>((3 * y + k / 3) * width * 3 + 3 * x + k % 3)];
                QCOMPARE(average.pixel(x, y), 0xFF000000u | AverageColors(block, 9));
            }
        // GIF files keep the index image.
        const QString gif = File(QStringLiteral("index.gif"));
        FAnswers[QStringLiteral("SaveImageDialog")] = gif;
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QCOMPARE(Difference(QImage(gif), ScreenImage(w)).first, 0);

        // Off: the palette's colors at once, without rendering.
        const int before = w.RenderStartCount();
        w.SetSmoothColors(false);
        QVERIFY(!w.SmoothShown());
        QCOMPARE(w.RenderStartCount(), before);
    }

    void unwritableTargetsAreReported()
    {
        TMainDialog& w = Open();
        SaveScene(w, File(QStringLiteral("no/such/folder/scene.qsf")));
        QCOMPARE(FErrors.size(), 1);
        FAnswers[QStringLiteral("SaveImageDialog")] = File(QStringLiteral("no/such/folder/picture.png"));
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QCOMPARE(FErrors.size(), 2);
        QVERIFY(FErrors.last().contains(QLatin1String("picture.png")));
        QVERIFY(QDir(FFiles->path()).isEmpty());
        // The open dialog's folder is not taken from a failed save.
        QVERIFY(OpenFolder(w) != File(QStringLiteral("no/such/folder")));
    }

    void imagesAreSavedWithTheColorsOnScreen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("bmp") << "picture.bmp" << QByteArray("BM") << true;
        QTest::newRow("png") << "picture.png" << QByteArray("\x89PNG") << true;
        QTest::newRow("gif") << "picture.gif" << QByteArray("GIF8") << true;
        QTest::newRow("jpg") << "picture.jpg" << QByteArray("\xFF\xD8\xFF") << false;
        QTest::newRow("jpeg is a bitmap") << "picture.jpeg" << QByteArray("BM") << true;
        QTest::newRow("no extension") << "picture" << QByteArray("BM") << true;
    }

    void imagesAreSavedWithTheColorsOnScreen()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, signature);
        QFETCH(bool, lossless);
        TMainDialog& w = Open();
        const QImage unrotated = ScreenImage(w);
        for (int i = 0; i < 40; ++i)
            w.TimerRotatePaletteTimer();
        const QImage screen = ScreenImage(w);
        FAnswers[QStringLiteral("SaveImageDialog")] = File(name);
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QVERIFY(ReadAll(File(name)).startsWith(signature));
        // Read by Qt's own decoders, told the format by the content.
        QImageReader reader(File(name));
        reader.setDecideFormatFromContent(true);
        const QImage saved = reader.read();
        QVERIFY2(!saved.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(saved.size(), screen.size());
        const auto [largest, mean] = Difference(saved, screen);
        if (lossless)
            QCOMPARE(largest, 0);
        else
            QVERIFY2(mean < 8, qPrintable(QString::number(mean)));
        // The rotation is in the file.
        QVERIFY(Difference(saved, unrotated).second > mean + 10);
    }

    void screenshotPutsTheImageOnTheClipboard()
    {
        TMainDialog& w = Open();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        for (int i = 0; i < 5; ++i)
            w.TimerRotatePaletteTimer();
        uitest::Action(w, "ActionScreenShot")->trigger();
        const QImage shot = QGuiApplication::clipboard()->image();
        QCOMPARE(shot.format(), QImage::Format_Indexed8);
        QCOMPARE(shot.colorTable().size(), 256);
        QCOMPARE(Difference(shot, ScreenImage(w)).first, 0);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    }

    void recordingEndsAfterOneTurnOfThePalette()
    {
        TMainDialog& w = Open();
        w.SetAnimationSpeed(10);
        const QImage first = ScreenImage(w);
        FAnswers[QStringLiteral("SaveAniDialog")] = File(QStringLiteral("turn.gif"));
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QVERIFY(w.RecordAnimation());
        QVERIFY(uitest::Action(w, "ActionRecordAnimation")->isChecked());
        QCOMPARE(w.AnimationFrameCount(), 1);
        for (int i = 1; i < 254; ++i)
            w.TimerRotatePaletteTimer();
        QVERIFY(w.RecordAnimation());
        QVERIFY(FDialogs.isEmpty());
        w.TimerRotatePaletteTimer(); // the 255th frame ends it
        QVERIFY(!w.RecordAnimation());
        QVERIFY(!uitest::Action(w, "ActionRecordAnimation")->isChecked());
        QCOMPARE(FDialogs, QStringList(QStringLiteral("SaveAniDialog")));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));

        QImageReader reader(File(QStringLiteral("turn.gif")));
        QCOMPARE(reader.imageCount(), 255);
        QCOMPARE(reader.loopCount(), -1); // forever
        const QImage frame0 = reader.read();
        QCOMPARE(reader.nextImageDelay(), 20);
        QCOMPARE(Difference(frame0, first).first, 0);
        // One more tick closes the cycle: the palette is back where the recording began.
        w.TimerRotatePaletteTimer();
        QCOMPARE(Difference(ScreenImage(w), first).first, 0);
    }

    // A write that fails (here: the file size limit, as a full disk) ends the
    // recording at once, reported once; the next recording works.
    void aFailedWriteEndsTheRecording()
    {
        TMainDialog& w = Open();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QVERIFY(w.RecordAnimation());
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tiny = saved;
        tiny.rlim_cur = 1;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        int ticks = 0;
        for (; ticks < 100 && w.RecordAnimation(); ++ticks) {
            try {
                w.TimerRotatePaletteTimer();
            } catch (const std::exception& e) {
                FErrors << QString::fromUtf8(e.what()); // as the application reports it
            }
        }
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, previousSignal);
        QVERIFY2(!w.RecordAnimation(), qPrintable(QString::number(ticks)));
        QVERIFY(!uitest::Action(w, "ActionRecordAnimation")->isChecked());
        QCOMPARE(FErrors.size(), 1);
        QVERIFY2(FErrors.first().startsWith(QStringLiteral("Cannot write the animation.")), qPrintable(FErrors.first()));
        // Later ticks and the command find no recording to stop: no dialog, no error.
        w.TimerRotatePaletteTimer();
        QVERIFY(FDialogs.isEmpty());
        QCOMPARE(FErrors.size(), 1);

        FAnswers[QStringLiteral("SaveAniDialog")] = File(QStringLiteral("again.gif"));
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QVERIFY(w.RecordAnimation());
        w.TimerRotatePaletteTimer();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QVERIFY(!w.RecordAnimation());
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(QImageReader(File(QStringLiteral("again.gif"))).imageCount(), 2);
    }

    void recordingTakesTheSpeedInForceAndNothingWithoutFrames()
    {
        TMainDialog& w = Open();
        // Started and stopped at once: one frame, no dialog, no file.
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QVERIFY(!w.RecordAnimation());
        QVERIFY(FDialogs.isEmpty());

        w.SetAnimationSpeed(10);
        FAnswers[QStringLiteral("SaveAniDialog")] = File(QStringLiteral("speeds.gif"));
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        for (int i = 0; i < 3; ++i)
            w.TimerRotatePaletteTimer();
        w.SetAnimationSpeed(5); // 176 ms: 17 hundredths
        for (int i = 0; i < 2; ++i)
            w.TimerRotatePaletteTimer();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QCOMPARE(FDialogs, QStringList(QStringLiteral("SaveAniDialog")));
        QImageReader reader(File(QStringLiteral("speeds.gif")));
        QCOMPARE(reader.imageCount(), 6);
        QList<int> delays;
        while (reader.canRead()) {
            reader.read();
            delays << reader.nextImageDelay();
        }
        QCOMPARE(delays, QList<int>({20, 20, 20, 20, 170, 170}));

        // A cancelled dialog writes nothing.
        FAnswers[QStringLiteral("SaveAniDialog")] = QString();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        w.TimerRotatePaletteTimer();
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        QCOMPARE(FDialogs.size(), 2);
        QCOMPARE(QDir(FFiles->path()).entryList(QDir::Files), QStringList(QStringLiteral("speeds.gif")));
    }

    void aNewImageSizeEndsTheRecording()
    {
        TMainDialog& w = Open();
        FAnswers[QStringLiteral("SaveAniDialog")] = File(QStringLiteral("cut.gif"));
        uitest::Action(w, "ActionRecordAnimation")->trigger();
        w.TimerRotatePaletteTimer();
        w.TimerRotatePaletteTimer();
        w.Setup(TSize{160, 100}, w.View());
        // Frames of the new size are not taken; the recording ends and offers what it has.
        w.TimerRotatePaletteTimer();
        QTRY_VERIFY(!w.RecordAnimation());
        QCOMPARE(FDialogs, QStringList(QStringLiteral("SaveAniDialog")));
        QImageReader reader(File(QStringLiteral("cut.gif")));
        QCOMPARE(reader.imageCount(), 3);
        QCOMPARE(reader.size(), QSize(200, 150));
        w.SetRunning(false);
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgExportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgExportTest.moc"

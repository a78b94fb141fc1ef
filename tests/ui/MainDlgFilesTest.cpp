// The window's files: scenery files through Open and Save as, image export,
// the screenshot on the clipboard and the recording of the palette animation.
// File dialogs answer through the window's hook and never block.
#include <QtTest/QtTest>

#include <QtCore/QProcess>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImageReader>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>

#include <csignal>
#include <memory>
#include <thread>

#include <sys/resource.h>

#include "colormap/ColorMap.h"
#include "engine/RgbPicture.h"
#include "persist/RegFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "ui/main/PaintBox.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

namespace {

// Largest and mean channel difference of two images of one size.
std::pair<int, double> Difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int largest = 0;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                largest = std::max(largest, std::abs(d));
                sum += std::abs(d);
            }
        }
    return {largest, sum / (3.0 * x.width() * x.height())};
}

} // namespace

class MainDlgFilesTest : public QObject, TWindowTest {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FFiles;
    QStringList FDialogs;             // object names of the dialogs run, in order
    QMap<QString, QString> FAnswers; // dialog name -> chosen file ("" cancels)

    TMainDialog& Open()
    {
        TMainDialog& w = NewWindow();
        w.FileDialogHook = [this](QFileDialog& dialog) {
            FDialogs << dialog.objectName();
            return FAnswers.value(dialog.objectName());
        };
        return ShowIdle(w, TSize{200, 150}, V(-0.6, 0, 0.02));
    }

    // A window started with File as the program's argument.
    TMainDialog& Start(const QString& file)
    {
        TMainDialog& w = NewWindow();
        w.SetStartFile(file);
        w.show();
        // One rendering: the file's scene, or the stored state when the file fails.
        [&] { QTRY_COMPARE_WITH_TIMEOUT(w.RenderStartCount(), 1, 10000); }();
        WaitIdle(w);
        return w;
    }

    QString File(const QString& name) const
    {
        return FFiles->filePath(name);
    }

    // The folder the Open dialog starts in.
    static QString OpenFolder(const TMainDialog& w)
    {
        return uitest::Child<QFileDialog>(w, "OpenDialog")->directory().absolutePath();
    }

    // Opens File through the command, as the user does.
    void OpenScene(TMainDialog& w, const QString& file)
    {
        FAnswers[QStringLiteral("OpenDialog")] = file;
        uitest::Action(w, "ActionLoadFromFile")->trigger();
    }

    void SaveScene(TMainDialog& w, const QString& file)
    {
        FAnswers[QStringLiteral("SaveDialog")] = file;
        uitest::Action(w, "ActionSaveToFile")->trigger();
    }

private slots:
    void initTestCase()
    {
        uitest::MuteOffscreenPlatformNotes();
    }

    void init()
    {
        InitWindowTest();
        FFiles = std::make_unique<QTemporaryDir>();
        FDialogs.clear();
        FAnswers.clear();
    }

    // Test functions here check their reports themselves.
    void cleanup()
    {
        EndWindowTest(true);
        FFiles.reset();
    }

    void dialogsAndTheirFolders()
    {
        TMainDialog& w = Open();
        const auto* open = uitest::Child<QFileDialog>(w, "OpenDialog");
        auto* save = uitest::Child<QFileDialog>(w, "SaveDialog");
        auto* saveImage = uitest::Child<QFileDialog>(w, "SaveImageDialog");
        auto* saveAni = uitest::Child<QFileDialog>(w, "SaveAniDialog");
        QCOMPARE(open->windowTitle(), QStringLiteral("Load Scenary"));
        QCOMPARE(open->nameFilters(),
                 QStringList({QStringLiteral("Quillon scenary file (*.qsf)"), QStringLiteral("All files (*.*)"),
                              QStringLiteral("Pictures with a Quillon scene (*.png)")}));
        QCOMPARE(save->nameFilters(),
                 QStringList({QStringLiteral("Quillon scenary file (*.qsf)"), QStringLiteral("All files (*.*)")}));
        QCOMPARE(save->windowTitle(), QStringLiteral("Save Scenary"));
        QCOMPARE(save->defaultSuffix(), QStringLiteral("qsf"));
        QCOMPARE(saveImage->windowTitle(), QStringLiteral("Save Image as"));
        QCOMPARE(saveImage->defaultSuffix(), QStringLiteral("bmp"));
        QCOMPARE(saveImage->nameFilters().size(), 5);
        QCOMPARE(saveAni->defaultSuffix(), QStringLiteral("gif"));
        QCOMPARE(saveAni->nameFilters(), QStringList(QStringLiteral("GIF Images (*.gif)")));
        // Replacing a file is confirmed, as desktop save dialogs do.
        for (QFileDialog* d : {save, saveImage, saveAni}) {
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            QVERIFY(!d->testOption(QFileDialog::DontConfirmOverwrite));
        }

        // "Save as" starts in the folder of the last opened scene; "Open" then in that of the saved one.
        QVERIFY(QDir(FFiles->path()).mkpath(QStringLiteral("a")));
        QVERIFY(QDir(FFiles->path()).mkpath(QStringLiteral("b")));
        w.SaveToFile(File(QStringLiteral("a/first.qsf")));
        OpenScene(w, File(QStringLiteral("a/first.qsf")));
        QString folder;
        w.FileDialogHook = [&](QFileDialog& dialog) {
            folder = dialog.directory().absolutePath();
            return File(QStringLiteral("b/second.qsf"));
        };
        uitest::Action(w, "ActionSaveToFile")->trigger();
        QCOMPARE(folder, QDir(File(QStringLiteral("a"))).absolutePath());
        QCOMPARE(open->directory().absolutePath(), QDir(File(QStringLiteral("b"))).absolutePath());
        QVERIFY(QFile::exists(File(QStringLiteral("b/second.qsf"))));
        // Cancelled: nothing happens.
        w.FileDialogHook = [](QFileDialog&) { return QString(); };
        const TView view = w.View();
        uitest::Action(w, "ActionLoadFromFile")->trigger();
        QCOMPARE(w.View(), view);
        QVERIFY(FErrors.isEmpty());
    }

    void saveChangeLoadBringsEverythingBack()
    {
        TMainDialog& w = Open();
        w.SetAlgorithm(alJulia);
        w.SetView(V(0.125, -0.25, 0.0005, 0.3));
        w.SetJuliaPoint(TPoint2D::Create(-0.75, 0.125));
        w.SetMaxSteps(321);
        w.SetMaxAbs(4.5);
        w.SetAnimationSpeed(7);
        w.SetAnimationDirection(drDown);
        w.SetInteriorFactor(33.25);
        w.SetColorWrapping(true);
        w.ColorMap().SetAsString("$000000\r\n$FF8040, 30\r\n$2080FF, 40\r\n");
        w.SetColorOffset(7);
        w.SetRunning(false);
        const QString first = File(QStringLiteral("scene.qsf"));
        SaveScene(w, first);
        QVERIFY(FErrors.isEmpty());
        const QByteArray saved = ReadAll(first);
        QVERIFY(saved.startsWith("[Common]\r\nType=QSF\r\nVersion=100\r\n"));

        // Change everything.
        w.Reset();
        w.SetAnimationSpeed(2);
        w.SetAnimationDirection(drUp);
        w.SetSelection(V(-0.6, 0.1, 0.001));
        w.ZoomToTarget();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);

        const int starts = w.RenderStartCount();
        OpenScene(w, first);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(w.RenderStartCount(), starts + 1); // Open renders the loaded scene
        QCOMPARE(w.LockCount(), 0);
        QCOMPARE(w.Algorithm(), alJulia);
        QVERIFY(uitest::Action(w, "ActionJulia")->isChecked());
        QCOMPARE(w.View(), V(0.125, -0.25, 0.0005, 0.3));
        QCOMPARE(w.JuliaPoint(), TPoint2D::Create(-0.75, 0.125));
        QCOMPARE(w.MaxSteps(), 321);
        QCOMPARE(w.MaxAbs(), 4.5);
        QCOMPARE(w.AnimationSpeed(), 7);
        QCOMPARE(w.AnimationDirection(), drDown);
        QCOMPARE(w.InteriorFactor(), 33.25);
        QVERIFY(w.ColorWrapping());
        QCOMPARE(w.ColorMap().Count(), 3);
        QCOMPARE(w.Processor().ColorCount(), 71);
        QCOMPARE(w.ColorOffset(), 7);
        QCOMPARE(w.History().Count(), 0);
        w.SetRunning(false);

        const QString second = File(QStringLiteral("again.qsf"));
        SaveScene(w, second);
        QCOMPARE(ReadAll(second), saved);
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

    void pictureBringsBackItsScene()
    {
        TMainDialog& w = Open();
        // All of it in one rendering: a running one reads the color offset as it goes.
        {
            TRenderLock lock(w.Session());
            w.SetAlgorithm(alJulia);
            w.SetView(V(0.125, -0.25, 0.004, 0.3));
            w.SetJuliaPoint(TPoint2D::Create(-0.75, 0.125));
            w.SetMaxSteps(321);
            w.SetMaxAbs(4.5);
            w.SetAnimationSpeed(7);
            w.SetAnimationDirection(drDown);
            w.SetInteriorFactor(33.25);
            w.SetColorWrapping(true);
            w.ColorMap().SetAsString("$000000\r\n$FF8040, 30\r\n$2080FF, 40\r\n");
            w.SetColorOffset(7);
        }
        w.SetRunning(true);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QImage screen = ScreenImage(w);
        const QString scene = File(QStringLiteral("scene.qsf"));
        w.SaveToFile(scene);
        const QString picture = File(QStringLiteral("picture.png"));
        FAnswers[QStringLiteral("SaveImageDialog")] = picture;
        uitest::Action(w, "ActionSaveImageAs")->trigger();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(Difference(QImage(picture), screen).first, 0);

        w.Reset();
        w.SetAnimationSpeed(2);
        w.SetAnimationDirection(drUp);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const int starts = w.RenderStartCount();
        OpenScene(w, picture);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QCOMPARE(w.Algorithm(), alJulia);
        QCOMPARE(w.View(), V(0.125, -0.25, 0.004, 0.3));
        QCOMPARE(w.MaxSteps(), 321);
        QCOMPARE(w.ColorOffset(), 7);
        QCOMPARE(OpenFolder(w), QDir(FFiles->path()).absolutePath());
        // Everything else as well: the scene saves to the same file again.
        const QString again = File(QStringLiteral("again.qsf"));
        w.SaveToFile(again);
        QCOMPARE(ReadAll(again), ReadAll(scene));
        // And renders the same picture.
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        QCOMPARE(Difference(ScreenImage(w), screen).first, 0);
    }

    void picturesWithoutASceneAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("keyword"); // of a text chunk the picture carries; empty for none
        QTest::newRow("plain picture") << "plain.png" << QString();
        QTest::newRow("other text only") << "other.png" << "Comment";
        QTest::newRow("picture named as a scene") << "picture.qsf" << QString();
    }

    void picturesWithoutASceneAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, keyword);
        TMainDialog& w = Open();
        w.SetSelection(V(-0.6, 0.05, 0.005));
        w.ZoomToTarget();
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QString before = File(QStringLiteral("before.qsf"));
        w.SaveToFile(before);
        const int starts = w.RenderStartCount();

        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        if (!keyword.isEmpty())
            picture.setText(keyword, QStringLiteral("[Common]\nType=QSF\nVersion=100\n"));
        QVERIFY(picture.save(File(name), "PNG"));
        OpenScene(w, File(name));

        QCOMPARE(FErrors, QStringList(QStringLiteral("Invalid Quillon scenary file.")));
        QCOMPARE(w.RenderStartCount(), starts);
        QCOMPARE(w.History().Count(), 1);
        const QString after = File(QStringLiteral("after.qsf"));
        w.SaveToFile(after);
        QCOMPARE(ReadAll(after), ReadAll(before));
    }

    void theArgumentOpensAtStartUp_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // a part of the message; empty when the scene opens
        QTest::newRow("scenery file") << "scene.qsf" << QString();
        QTest::newRow("picture with its scene") << "scene.png" << QString();
        QTest::newRow("missing file") << "missing.qsf" << "missing.qsf";
        QTest::newRow("picture without a scene") << "plain.png" << "Invalid Quillon scenary file.";
    }

    void theArgumentOpensAtStartUp()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        {
            TMainDialog& w = Open();
            {
                TRenderLock lock(w.Session());
                w.SetView(V(-0.74, 0.12, 0.0002, 0.4));
                w.SetMaxSteps(200);
                w.SetColorOffset(9);
            }
            w.SetRunning(true);
            QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
            w.SaveToFile(File(QStringLiteral("scene.qsf")));
            w.SaveImageToFile(File(QStringLiteral("scene.png")));
            QImage plain(40, 30, QImage::Format_RGB32);
            plain.fill(Qt::darkCyan);
            QVERIFY(plain.save(File(QStringLiteral("plain.png")), "PNG"));
            FWindow.reset();
        }
        // A fresh store: nothing of the scene above is remembered.
        FStore->Renew();

        TMainDialog& w = Start(File(name));
        QVERIFY(w.isVisible());
        if (message.isEmpty()) {
            QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
            const QString again = File(QStringLiteral("again.qsf"));
            w.SaveToFile(again);
            QCOMPARE(ReadAll(again), ReadAll(File(QStringLiteral("scene.qsf"))));
            QCOMPARE(OpenFolder(w), QDir(FFiles->path()).absolutePath());
        } else {
            QCOMPARE(FErrors.size(), 1);
            QVERIFY2(FErrors.first().contains(message), qPrintable(FErrors.first()));
            // The stored state shows instead.
            QVERIFY(w.View() != V(-0.74, 0.12, 0.0002, 0.4));
            QVERIFY(w.MaxSteps() != 200);
        }
    }

    void handWrittenSceneLoads()
    {
        TMainDialog& w = Open();
        const int starts = w.RenderStartCount();
        const QString file = File(QStringLiteral("hand.qsf"));
        WriteAll(file, "\xEF\xBB\xBF[Common]\nType=QSF\nVersion=100\n\n[Settings]\nView=-0.5,0.25,0.001,0\n"
                       "MaxSteps= 120\nMaxAbs= 3.5 \nAnimationSpeed=7\nAnimationDirection=1\n\n"
                       "[Colors]\n$000000\n$FFFFFF, 20\n");
        OpenScene(w, file);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(w.View(), V(-0.5, 0.25, 0.001));
        QCOMPARE(w.MaxSteps(), 120);
        QCOMPARE(w.MaxAbs(), 3.5);
        QCOMPARE(w.AnimationSpeed(), 7);
        QCOMPARE(w.AnimationDirection(), drDown);
        QCOMPARE(w.Processor().ColorCount(), 21);
        QCOMPARE(w.RenderStartCount(), starts + 1);
        w.SetRunning(false);
    }

    void failuresOfALoad_data()
    {
        QTest::addColumn<QByteArray>("settings"); // the lines of [Settings]; "missing" for no file
        QTest::addColumn<QByteArray>("colors");
        QTest::addColumn<QString>("message");     // a part of the message
        QTest::addColumn<bool>("changed");        // the load got past the type check
        const QByteArray good = "View=-0.5,0.1,0.001,0\r\nMaxSteps=77\r\nMaxAbs=3\r\nAnimationSpeed=3\r\n"
                                "AnimationDirection=1\r\n";
        QTest::newRow("missing file") << QByteArray("missing") << QByteArray() << "missing.qsf" << false;
        QTest::newRow("type in lower case") << QByteArray("type") << QByteArray()
                                            << "Invalid Quillon scenary file." << false;
        QTest::newRow("version not an integer") << QByteArray("version") << QByteArray() << "abc" << false;
        QTest::newRow("required key missing")
            << QByteArray("View=-0.5,0.1,0.001,0\r\nMaxSteps=77\r\nAnimationSpeed=3\r\n") << QByteArray()
            << "Section [Settings] or Key 'MaxAbs' not found." << true;
        QTest::newRow("view with three fields") << QByteArray("View=-0.5,0.1,0.001\r\n") << QByteArray()
                                                << "Invalid index" << true;
        QTest::newRow("julia point with one field") << good + "JuliaPoint=0.25\r\n" << QByteArray() << "Invalid index"
                                                    << true;
        QTest::newRow("number that does not convert")
            << QByteArray("View=-0.5,0.1,0.001,0\r\nMaxSteps=12x\r\n") << QByteArray() << "12x" << true;
        QTest::newRow("not a Boolean") << good + "ColorWrapping=yes\r\n" << QByteArray()
                                       << "Invalid Boolean Value 'yes'." << true;
        QTest::newRow("offset outside the palette")
            << good + "ColorOffset=300\r\n" << QByteArray() << "Invalid color offset." << true;
        QTest::newRow("malformed node") << good << QByteArray("[Colors]\r\n$000000\r\n$GG0000, 5\r\n") << "$GG0000"
                                        << true;
        // Maps that parse but cannot be the palette.
        QTest::newRow("first node spans two colors")
            << good << QByteArray("[Colors]\r\n$000000, 2\r\n$FFFFFF, 5\r\n") << "Invalid color map." << true;
        QTest::newRow("more than 256 colors") << good << QByteArray("[Colors]\r\n$000000\r\n$FFFFFF, 300\r\n")
                                              << "Invalid number of colors (up to 256)." << true;
        QTest::newRow("no node") << good << QByteArray("[Colors]\r\n") << "Invalid color map." << true;
    }

    void failuresOfALoad()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, colors);
        QFETCH(QString, message);
        QFETCH(bool, changed);
        TMainDialog& w = Open();
        // One view to go back to; the scene's map differs from the window's.
        w.SetSelection(V(-0.6, 0.05, 0.005));
        w.ZoomToTarget();
        uitest::StartLongRendering(w); // a long rendering runs when the load begins
        QVERIFY(w.Running());
        const TView view = w.View();
        const std::string map = w.ColorMap().AsString();

        const QString file = File(QStringLiteral("missing.qsf"));
        if (settings == "type")
            WriteAll(file, "[Common]\r\nType=qsf\r\nVersion=100\r\n\r\n[Settings]\r\nMaxSteps=77\r\n");
        else if (settings == "version")
            WriteAll(file, "[Common]\r\nType=QSF\r\nVersion=abc\r\n\r\n[Settings]\r\nMaxSteps=77\r\n");
        else if (settings != "missing")
            WriteAll(file, "[Common]\r\nType=QSF\r\nVersion=100\r\n\r\n[Settings]\r\n" + settings + "\r\n" + colors);
        OpenScene(w, file);

        QCOMPARE(FErrors.size(), 1);
        QVERIFY2(FErrors.first().contains(message), qPrintable(FErrors.first()));
        QCOMPARE(w.LockCount(), 0);
        QCOMPARE(w.ColorMap().AsString(), map); // a malformed map changes nothing either
        if (changed) {
            // The values before the failure stay; no way back; rendering stopped.
            QCOMPARE(w.View(), settings.startsWith("View=-0.5,0.1,0.001,0") ? V(-0.5, 0.1, 0.001) : view);
            QCOMPARE(w.MaxSteps(), settings.contains("MaxSteps=77") ? 77 : 2000000);
            QCOMPARE(w.History().Count(), 0);
            QVERIFY(!w.Running());
        } else {
            QCOMPARE(w.View(), view);
            QCOMPARE(w.History().Count(), 1);
            QCOMPARE(w.MaxSteps(), 2000000);
            w.SetRunning(false);
        }
        // The window stays usable.
        w.SetMaxSteps(50);
        w.SetRunning(false);
        const int starts = w.RenderStartCount();
        uitest::Action(w, "ActionRender")->trigger();
        QCOMPARE(w.RenderStartCount(), starts + 1);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
    }

    // A load that fails from the file dialog opens a real message box; the
    // window outlives it and opens the next file.
    void aFailedOpenShowsARealBox()
    {
        TMainDialog& w = Open();
        const QString bad = File(QStringLiteral("bad.qsf"));
        WriteAll(bad, "[Common]\r\nType=QSF\r\nVersion=abc\r\n");
        {
            uitest::TRealMessageBoxes boxes;
            OpenScene(w, bad);
            QTRY_COMPARE(boxes.Texts.size(), 1);
            QVERIFY2(boxes.Texts.first().contains(QStringLiteral("abc")), qPrintable(boxes.Texts.first()));
        }
        const QString good = File(QStringLiteral("good.qsf"));
        SaveScene(w, good);
        w.SetMaxSteps(77);
        OpenScene(w, good);
        QCOMPARE(w.MaxSteps(), 50);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
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
    MainDlgFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgFilesTest.moc"

// The window's scenery files: Open and Save as with their dialogs and
// folders, pictures that carry a scene, the file given as the program's
// argument, and failed loads. File dialogs answer through the window's hook
// and never block.
#include <QtTest/QtTest>

#include <QtGui/QAction>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QFileDialog>

#include <memory>

#include "colormap/ColorMap.h"
#include "persist/RegFns.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

class MainDlgFilesTest : public QObject, TFilesWindowTest {
    Q_OBJECT

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

    // A Julia scene that differs from the defaults in every value a scene keeps.
    static void SetJuliaScene(TMainDialog& w, double scale)
    {
        w.SetAlgorithm(alJulia);
        w.SetView(V(0.125, -0.25, scale, 0.3));
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
        SetJuliaScene(w, 0.0005);
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

    void pictureBringsBackItsScene()
    {
        TMainDialog& w = Open();
        // All of it in one rendering: a running one reads the color offset as it goes.
        {
            TRenderLock lock(w.Session());
            SetJuliaScene(w, 0.004);
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

};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    MainDlgFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainDlgFilesTest.moc"

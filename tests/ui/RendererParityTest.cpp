// The window and quillon-render drive the same session: after the same
// actions they write the same scenery file and the same image, byte for byte.
#include <QtTest/QtTest>

#include <QtCore/QProcess>
#include <QtGui/QAction>

#include <functional>
#include <memory>
#include <vector>

#include "resources/ResourcesInit.h"
#include "ui/common/QuillonApplication.h"
#include "ui/main/MainDlg.h"
#include "WindowTestSupport.h"

using namespace quillon;
using namespace quillon::uitest;

namespace {

// The same actions on either side: a scene to open (empty for none), then
// what the window does before it saves.
struct TActions {
    QByteArray Scene;
    std::function<void(TMainDialog&)> InWindow;
};

} // namespace

Q_DECLARE_METATYPE(TActions)

class RendererParityTest : public QObject, TFilesWindowTest {
    Q_OBJECT

    // quillon-render on Scene at the window's size; its exit code.
    static int Render(const QStringList& arguments)
    {
        QProcess render;
        render.start(QStringLiteral(QUILLON_RENDER), arguments + QStringList{QStringLiteral("--size"),
                                                                            QStringLiteral("200x150")});
        if (!render.waitForFinished(60000))
            return -1;
        return render.exitCode();
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

    void sceneRendersInTheCommandLineRendererAsOnScreen()
    {
        TMainDialog& w = Open();
        // All of it in one rendering: a running one keeps the limit it started with.
        {
            TRenderLock lock(w.Session());
            w.SetView(V(-0.74, 0.12, 0.0002, 0.4));
            w.SetMaxSteps(200);
            w.SetColorWrapping(true);
            w.SetColorOffset(9);
        }
        w.SetRunning(true);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        const QString scene = File(QStringLiteral("scene.qsf"));
        w.SaveToFile(scene);
        const QString bmp = File(QStringLiteral("render.bmp"));
        QCOMPARE(Render({scene, QStringLiteral("-o"), bmp}), 0);
        const QImage rendered(bmp);
        QCOMPARE(rendered.format(), QImage::Format_Indexed8);
        QCOMPARE(rendered.size(), QSize(200, 150));
        std::vector<std::uint8_t> pixels(200 * 150);
        w.Processor().Bitmap().CopyPixels(pixels.data(), 200, true);
        int differing = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                differing += rendered.pixelIndex(x, y) != pixels[static_cast<std::size_t>(y * 200 + x)];
        QCOMPARE(differing, 0);
    }

    void sameActionsSameFiles_data()
    {
        QTest::addColumn<TActions>("actions");
        // A Julia set chosen from a selection, with other parameters changed.
        QTest::newRow("Julia from a selection") << TActions{{}, [](TMainDialog& w) {
            w.SetToolMode(tmSelection);
            w.SetSelection(V(-0.745, 0.11, 0.001, 0.2));
            uitest::Action(w, "ActionJulia")->trigger();
            w.SetMaxSteps(120);
            w.SetColorWrapping(true);
        }};
        // A scene that asks for the Julia set without naming its point: both
        // take the point from the view's centre.
        QTest::newRow("Julia without a point")
            << TActions{"[Common]\r\nType=QSF\r\nVersion=100\r\n\r\n[Settings]\r\nView=-0.12,0.75,0.01,0\r\n"
                        "MaxSteps=90\r\nMaxAbs=2\r\nAnimationSpeed=5\r\nAnimationDirection=0\r\nAlgorithm=1\r\n",
                        {}};
        // Zooms, the way back and a palette offset.
        QTest::newRow("zoom and back") << TActions{{}, [](TMainDialog& w) {
            w.SetToolMode(tmCursor);
            w.SetDownPoint(QPoint(120, 40));
            w.ZoomToTarget();
            w.SetDownPoint(QPoint(30, 100));
            w.ZoomToTarget();
            uitest::Action(w, "ActionPopHistory")->trigger();
            w.SetColorOffset(17);
        }};
    }

    void sameActionsSameFiles()
    {
        QFETCH(TActions, actions);
        TMainDialog& w = Open();
        QString input;
        if (!actions.Scene.isEmpty()) {
            input = File(QStringLiteral("input.qsf"));
            WriteAll(input, actions.Scene);
            QVERIFY(w.OpenFile(input));
        }
        if (actions.InWindow)
            actions.InWindow(w);
        // Render anew: a rendering that was running keeps the parameters it started with.
        w.SetRunning(false);
        w.SetRunning(true);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        const QString windowScene = File(QStringLiteral("window.qsf"));
        const QString windowImage = File(QStringLiteral("window.bmp"));
        w.SaveToFile(windowScene);
        w.SaveImageToFile(windowImage);

        // The renderer takes the same actions from the file the user opened,
        // or, for actions only a window has, from the scene they left.
        const QString source = input.isEmpty() ? windowScene : input;
        const QString renderScene = File(QStringLiteral("render.qsf"));
        const QString renderImage = File(QStringLiteral("render.bmp"));
        QCOMPARE(Render({source, QStringLiteral("-o"), renderImage, QStringLiteral("--write-scene"), renderScene}), 0);
        QCOMPARE(ReadAll(renderScene), ReadAll(windowScene));
        QVERIFY(!ReadAll(windowImage).isEmpty());
        QVERIFY(ReadAll(renderImage) == ReadAll(windowImage));
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    InitResources();
    RendererParityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RendererParityTest.moc"

#pragma once
// What the window tests share: the offscreen platform's notes muted, for
// each test function a settings store of its own with error reports collected
// instead of shown in message boxes, the window's parts found by name, and
// the mouse and files the tests drive it with.
#include "engine/MandelbrotProcessor.h"
#include "persist/RegFns.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/MainDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QMap>
#include <QMessageBox>
#include <QMouseEvent>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtGlobal>
#include <QtTest/QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <utility>

namespace quillon::uitest {

// The widget, action or menu of w whose object name is name (a window names
// each of its own after the member that holds it). A missing one fails the
// test at once, naming what was looked for.
template <class T>
T* Child(const QObject& w, const char* name)
{
    T* child = w.findChild<T*>(QString::fromLatin1(name));
    if (!child) {
        const QByteArray message = QByteArray("no child \"") + name + "\" of type " +
                                   T::staticMetaObject.className() + " in " +
                                   w.metaObject()->className();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        // The caller would go on with a null pointer.
        qFatal("%s", message.constData());
    }
    return child;
}

inline QAction* Action(const QObject& w, const char* name)
{
    return Child<QAction>(w, name);
}

inline QWidget* PaintBox(const QObject& w)
{
    return Child<QWidget>(w, "PaintBox");
}

// The offscreen platform cannot pass size hints, raising or opacity on, and
// says so each time.
inline void MuteOffscreenPlatformNotes()
{
    static QtMessageHandler previous = nullptr;
    static bool installed = false;
    if (installed) return;
    installed = true;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        for (const char* note : {"propagateSizeHints", "raise()", "setWindowOpacity"})
            if (message.contains(QLatin1String(note))) return;
        if (previous) previous(type, context, message);
    });
}

// A fresh settings store folder and an error collector, for one test function.
class TTestStore {
public:
    explicit TTestStore(QStringList& errors)
    {
        Renew();
        errors.clear();
        SetErrorReporter([&errors](const QString& message) { errors << message; });
    }
    ~TTestStore()
    {
        SetErrorReporter({});
        TAppRegistry::SetStoreFolder({});
    }
    TTestStore(const TTestStore&) = delete;
    TTestStore& operator=(const TTestStore&) = delete;

    QString filePath(const QString& name) const { return FFolder->filePath(name); }

    // Starts over with an empty store folder; the errors collected so far stay.
    void Renew()
    {
        FFolder = std::make_unique<QTemporaryDir>();
        TAppRegistry::SetStoreFolder(FFolder->path().toStdString());
    }

private:
    std::unique_ptr<QTemporaryDir> FFolder;
};

// While alive, errors open real message boxes instead of reaching the
// collector; a timer reads each box that opens and clicks its button, as a
// user would.
class TRealMessageBoxes {
public:
    TRealMessageBoxes() : FPrevious(SetErrorReporter({}))
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible() || FClosing.contains(box)) continue;
                FClosing << box;
                Texts << box->text();
                if (QAbstractButton* button = box->button(QMessageBox::Ok)) button->click();
                else box->reject();
            }
        });
        FTimer.start(20);
    }
    ~TRealMessageBoxes() { SetErrorReporter(std::move(FPrevious)); }
    TRealMessageBoxes(const TRealMessageBoxes&) = delete;
    TRealMessageBoxes& operator=(const TRealMessageBoxes&) = delete;

    // The texts of the boxes closed so far.
    QStringList Texts;

private:
    TErrorReporter FPrevious;
    QTimer FTimer;
    QList<QMessageBox*> FClosing;
};

// A rendering that lasts until it is stopped: the plain kernel takes every
// step of an orbit that never escapes, where the vectorised one ends an orbit
// as soon as it repeats. For tests that need a rendering to be running.
template <class TWindow>
inline void StartLongRendering(TWindow& w, int maxSteps = 2000000)
{
    w.Processor().SetKernel(TKernel::Scalar);
    w.SetMaxSteps(maxSteps);
}

inline TView V(double x, double y, double scale, double angle = 0)
{
    return TView::Create(TPoint2D::Create(x, y), scale, angle);
}

// Degrees, for angles written as the user reads them.
inline constexpr double Deg = std::numbers::pi / 180;

inline QPoint Q(const TPoint& p)
{
    return QPoint(p.x, p.y);
}

inline double Distance(const TPoint2D& a, const TPoint2D& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Rendering has ended and the window has noticed it.
inline bool Idle(const TMainDialog& w)
{
    return !w.Running() && w.RenderIconIndex() == TMainDialog::IconRender;
}

inline void WaitIdle(const TMainDialog& w)
{
    QTRY_VERIFY_WITH_TIMEOUT(Idle(w), 10000);
}

// The paint-box pixel of image pixel (x, y).
inline QPoint ImagePoint(const TMainDialog& w, int x, int y)
{
    return w.ImageOffset() + QPoint(x, y);
}

// What a window test class keeps for each test function: the settings store,
// the error reports and the window. A test class derives from it next to
// QObject and calls InitWindowTest() from init() and EndWindowTest() from
// cleanup().
class TWindowTest {
protected:
    std::unique_ptr<TTestStore> FStore;
    QStringList FErrors;
    std::unique_ptr<TMainDialog> FWindow;

    void InitWindowTest() { FStore = std::make_unique<TTestStore>(FErrors); }

    // The window closes and the store goes; where the test function did not
    // expect reports, one collected fails it.
    void EndWindowTest(bool reportsExpected = false)
    {
        FWindow.reset();
        FStore.reset();
        if (!reportsExpected)
            QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
    }

    // A new window without the quick-help card, not shown yet.
    TMainDialog& NewWindow()
    {
        FWindow = std::make_unique<TMainDialog>();
        FWindow->SetQuickHelpVisible(false);
        return *FWindow;
    }

    // The window shown; once its first rendering has ended, an image of Size
    // and View, and idle again.
    static TMainDialog& ShowIdle(TMainDialog& w, const TSize& size, const TView& view)
    {
        w.show();
        WaitIdle(w);
        w.Setup(size, view);
        WaitIdle(w);
        return w;
    }

    TMainDialog& OpenIdle(const TSize& size, const TView& view) { return ShowIdle(NewWindow(), size, view); }

    // An idle window with a 400 x 300 image of View.
    TMainDialog& Open(const TView& view = V(-0.6, 0, 0.01)) { return OpenIdle(TSize{400, 300}, view); }
};

// A window test with a folder for its files, and file dialogs that answer
// without blocking: each one run is noted, and chooses the answer set for its
// object name ("" cancels). InitFilesTest() and EndFilesTest() take the place
// of InitWindowTest() and EndWindowTest().
class TFilesWindowTest : public TWindowTest {
protected:
    std::unique_ptr<QTemporaryDir> FFiles;
    QStringList FDialogs;            // object names of the dialogs run, in order
    QMap<QString, QString> FAnswers; // dialog name -> chosen file ("" cancels)

    void InitFilesTest()
    {
        InitWindowTest();
        FFiles = std::make_unique<QTemporaryDir>();
        FDialogs.clear();
        FAnswers.clear();
    }

    // Test functions with files check their reports themselves.
    void EndFilesTest()
    {
        EndWindowTest(true);
        FFiles.reset();
    }

    QString File(const QString& name) const { return FFiles->filePath(name); }

    // A new window whose file dialogs answer from FAnswers.
    TMainDialog& NewAnsweringWindow()
    {
        TMainDialog& w = NewWindow();
        w.FileDialogHook = [this](QFileDialog& dialog) {
            FDialogs << dialog.objectName();
            return FAnswers.value(dialog.objectName());
        };
        return w;
    }

    // An idle window with a 200 x 150 image, dialogs answering.
    TMainDialog& Open() { return ShowIdle(NewAnsweringWindow(), TSize{200, 150}, V(-0.6, 0, 0.02)); }

    // The folder the Open dialog starts in.
    static QString OpenFolder(const TMainDialog& w)
    {
        return Child<QFileDialog>(w, "OpenDialog")->directory().absolutePath();
    }

    // Opens File through the command, as the user does.
    void OpenScene(TMainDialog& w, const QString& file)
    {
        FAnswers[QStringLiteral("OpenDialog")] = file;
        Action(w, "ActionLoadFromFile")->trigger();
    }

    void SaveScene(TMainDialog& w, const QString& file)
    {
        FAnswers[QStringLiteral("SaveDialog")] = file;
        Action(w, "ActionSaveToFile")->trigger();
    }
};

// --- Mouse -------------------------------------------------------------------
// Events sent to a widget as a hand makes them; positions in the widget's
// (logical) pixels.

inline void Mouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, modifiers);
    QCoreApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, const QPoint& p, Qt::MouseButton b = Qt::LeftButton,
                  Qt::KeyboardModifiers m = Qt::NoModifier)
{
    Mouse(w, QEvent::MouseButtonPress, p, b, b, m);
}

inline void MoveTo(QWidget* w, const QPoint& p, Qt::MouseButtons held = Qt::LeftButton,
                   Qt::KeyboardModifiers m = Qt::NoModifier)
{
    Mouse(w, QEvent::MouseMove, p, Qt::NoButton, held, m);
}

// The pointer passing over, no button held.
inline void Hover(QWidget* w, const QPoint& p)
{
    MoveTo(w, p, Qt::NoButton);
}

inline void Release(QWidget* w, const QPoint& p, Qt::MouseButton b = Qt::LeftButton,
                    Qt::KeyboardModifiers m = Qt::NoModifier)
{
    Mouse(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton, m);
}

inline void Click(QWidget* w, const QPoint& p, Qt::MouseButton b = Qt::LeftButton)
{
    Press(w, p, b);
    Release(w, p, b);
}

// A drag in five steps.
inline void Drag(QWidget* w, const QPoint& from, const QPoint& to, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    Press(w, from, Qt::LeftButton, m);
    for (int i = 1; i <= 5; ++i)
        MoveTo(w, from + (to - from) * i / 5, Qt::LeftButton, m);
    Release(w, to, Qt::LeftButton, m);
}

// Qt reports a double-click in place of the second press.
inline void DoubleClick(QWidget* w, const QPoint& p)
{
    Click(w, p);
    Mouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    Release(w, p);
}

inline void Wheel(QWidget* w, const QPoint& p, int delta, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QWheelEvent e(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton, m,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

// --- Files and images --------------------------------------------------------

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

// The image as the window shows it: indices and the color table in force.
inline QImage ScreenImage(const TMainDialog& w)
{
    const TPaletteBitmap& bitmap = w.Processor().Bitmap();
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
    bitmap.CopyPixels(image.bits(), static_cast<int>(image.bytesPerLine()), true);
    const auto table = bitmap.ColorTable();
    QList<QRgb> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = 0xFF000000u | table[static_cast<std::size_t>(i)];
    image.setColorTable(colors);
    return image.convertToFormat(QImage::Format_RGB32);
}

// Largest and mean channel difference of two images of one size.
inline std::pair<int, double> Difference(const QImage& a, const QImage& b)
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

} // namespace quillon::uitest

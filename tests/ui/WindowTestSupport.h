#pragma once
// What the window tests share: the offscreen platform's notes muted, and for
// each test function a settings store of its own, with error reports collected
// instead of shown in message boxes.
#include "engine/MandelbrotProcessor.h"
#include "persist/RegFns.h"
#include "ui/common/ErrorReport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtGlobal>
#include <QtTest/QTest>

#include <memory>

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

} // namespace quillon::uitest

#pragma once
// What the options dialog tests share: a real main window made on first use,
// the dialog opened on it, and OK pressed as the button presses it.
#include <QtTest/QtTest>

#include <memory>

#include "engine/MandelbrotProcessor.h"
#include "persist/RegFns.h"
#include "session/OptionsHost.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/MainDlg.h"
#include "ui/options/OptionsDlg.h"
#include "WindowTestSupport.h"

namespace quillon::uitest {

// The chapters in list order.
enum TChapter : int { chAlgorithm, chView, chPalette, chEffects };

inline TRegIniFile& Store()
{
    return DefaultAppRegistry()->Registry();
}

// Each test class calls Begin from its init slot and End from its cleanup
// slot. The window keeps its quick-help card, as a user's first start shows it.
class TOptionsFixture : protected TWindowTest {
protected:
    IOptionsHost* FHost = nullptr;

    void Begin() { InitWindowTest(); }

    // The tests check the reports they expect themselves.
    void End()
    {
        FHost = nullptr;
        EndWindowTest(true);
    }

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
    static void PressOk(TOptionsDialog& Dialog)
    {
        RunReported([&Dialog] { Dialog.ButtonOkClick(); });
    }
};

} // namespace quillon::uitest

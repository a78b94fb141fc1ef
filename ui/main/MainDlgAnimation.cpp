// Palette animation: the rotation timer, its switch, "Reset palette" and the
// animated cursor. The animation runs on whether or not a rendering does.
#include "ui/main/MainDlg.h"

#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QGuiApplication>

#include "imageio/GifWriter.h"
#include "ui/main/Cursors.h"
#include "ui/main/PaintBox.h"

namespace quillon {

void TMainDialog::SetRotatePalette(bool Value)
{
    if (Value == RotatePalette())
        return;
    FAnimationTrace = {};
    if (Value)
        TimerRotatePalette->start();
    else
        TimerRotatePalette->stop();
    ActionAnimatePalette->setChecked(Value);
    if (Value)
        SetGlobalCursor(gcAnimate);
    else
        SetGlobalCursor(Running() ? gcHourglass : gcNone);
}

void TMainDialog::TimerRotatePaletteTimer()
{
    // Only the color table turns; the pixels stay.
    FSession->RotatePalette();
    ++FAnimationTrace.Ticks;
    if (!FAnimatedGif)
        return;
    AddAnimationFrame();
    // One whole turn of the palette (entry 0 stays): the GIF loops without a jump.
    if (FAnimationFrameCount >= Processor().ColorCount() - 1)
        SetRecordAnimation(false);
}

void TMainDialog::ActionAnimatePaletteExecute()
{
    SetRotatePalette(!RotatePalette());
    ActionAnimatePalette->setChecked(RotatePalette());
}

void TMainDialog::ActionResetPaletteExecute()
{
    FSession->ApplyColorMap();
}

void TMainDialog::NextCursorFrame()
{
    const auto& frames = AnimatedCursorFrames();
    if (FGlobalCursor != gcAnimate || frames.empty())
        return;
    FCursorFrame = (FCursorFrame + 1) % static_cast<int>(frames.size());
    QGuiApplication::changeOverrideCursor(frames[static_cast<std::size_t>(FCursorFrame)]);
}

} // namespace quillon

// Files: scenery files, image export, the screenshot on the clipboard and the
// recording of the palette animation as an animated GIF.
#include "ui/main/MainDlg.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QCompleter>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>

#include <array>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "colormap/ColorMap.h"
#include "engine/ColorFns.h"
#include "engine/RgbPicture.h"
#include "imageio/GifWriter.h"
#include "imageio/ImageWriter.h"
#include "imageio/IndexedImage.h"
#include "persist/SceneImage.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/PaintBox.h"

namespace quillon {

namespace {

std::string Path(const QString& Filename)
{
    return QFile::encodeName(Filename).toStdString();
}

// The image as it is on screen: a race-free copy of the pixels (workers may
// still write them) and the color table as it stands, rotation included.
struct TScreenImage {
    std::vector<std::uint8_t> Pixels;
    std::array<std::uint32_t, 256> Table{};
    TIndexedImage Image;

    explicit TScreenImage(const TProcessor& Processor)
    {
        const TPaletteBitmap& bitmap = Processor.Bitmap();
        const int w = bitmap.Width();
        const int h = bitmap.Height();
        Pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        bitmap.CopyPixels(Pixels.data(), w, true);
        // The bitmap's table holds blue low; the writers take colors red low.
        const auto entries = bitmap.ColorTable();
        for (std::size_t i = 0; i < Table.size(); ++i)
            Table[i] = SwapRedBlue(entries[i]);
        Image.Width = w;
        Image.Height = h;
        Image.Pixels = Pixels.data();
        Image.BytesPerLine = w;
        Image.BottomUp = false;
        Image.ColorTable = Table.data();
        Image.ColorCount = bitmap.ColorCount();
    }
};

// The scene of Source on a processor of its own, with the colors as they
// stand (rotation included), for rendering it once more at another size.
void CopyScene(const TProcessor& Source, TProcessor& Target)
{
    Target.SetAlgorithm(Source.Algorithm());
    Target.SetJuliaPoint(Source.JuliaPoint());
    Target.SetMaxSteps(Source.MaxSteps());
    Target.SetMaxAbs(Source.MaxAbs());
    Target.SetInteriorFactor(Source.InteriorFactor());
    Target.SetOptions(Source.Options());
    Target.SetColors(Source.Bitmap().Colors());
    Target.SetColorOffset(Source.ColorOffset());
    Target.SetSmoothColors(Source.SmoothColors());
    Target.SetKernel(Source.Kernel());
    Target.SetView(Source.View());
    Target.SetSize(Source.Size());
}

// Shows the wait cursor while a picture renders on the user's behalf.
class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

QString TMainDialog::RunFileDialog(QFileDialog& Dialog)
{
    if (FileDialogHook)
        return FileDialogHook(Dialog);
    const int result = Dialog.exec();
    // A name typed and confirmed with Enter leaves the completion list open
    // otherwise, over the main window, until the next click.
    for (QCompleter* completer : Dialog.findChildren<QCompleter*>())
        if (completer->popup())
            completer->popup()->hide();
    if (result != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
        return {};
    return Dialog.selectedFiles().constFirst();
}

// --- Scenery files -------------------------------------------------------------

void TMainDialog::SaveToFile(const QString& Filename)
{
    FSession->SaveToFile(Path(Filename));
}

void TMainDialog::LoadFromFile(const QString& Filename)
{
    // A PNG picture brings back the scene it carries.
    FSession->LoadFromFile(Path(Filename));
}

bool TMainDialog::OpenFile(const QString& Filename)
{
    // "Save as" starts where the last scene was opened.
    OpenDialog->setDirectory(QFileInfo(Filename).absolutePath());
    // A failed load leaves rendering stopped until the user starts it.
    if (!RunReported([&] { LoadFromFile(Filename); }))
        return false;
    SetRunning(true);
    return true;
}

void TMainDialog::ActionLoadFromFileExecute()
{
    const QString file = RunFileDialog(*OpenDialog);
    if (!file.isEmpty())
        OpenFile(file);
}

void TMainDialog::ActionSaveToFileExecute()
{
    SaveDialog->setDirectory(OpenDialog->directory());
    const QString file = RunFileDialog(*SaveDialog);
    if (file.isEmpty())
        return;
    if (RunReported([&] { SaveToFile(file); }))
        OpenDialog->setDirectory(QFileInfo(file).absolutePath());
}

// --- Image export ----------------------------------------------------------------

void TMainDialog::SaveImageToFile(const QString& Filename, int Samples)
{
    const std::string path = Path(Filename);
    // A GIF holds the index image only.
    if (!HoldsColorImages(path) || (Samples <= 1 && !SmoothShown())) {
        const TScreenImage screen(Processor());
        // A PNG carries the scene, so that opening it brings the scene back.
        WriteImage(path, screen.Image, {SceneTextChunk(*FSession)});
        return;
    }
    TRgbPicture picture;
    if (Samples <= 1) {
        // The smooth picture as it is on screen.
        picture.Width = Processor().Width();
        picture.Height = Processor().Height();
        picture.Pixels.resize(static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height));
        Processor().CopySmoothPixels(picture.Pixels.data(), picture.Width, 0, picture.Height);
        for (std::uint32_t& pixel : picture.Pixels)
            pixel = SwapRedBlue(pixel) & 0xFFFFFF;
    } else {
        const TWaitCursor wait;
        TProcessor processor;
        CopyScene(Processor(), processor);
        picture = RenderRgbPicture(processor, processor.Size(), Samples, [&processor](int) {
            processor.Start();
            while (processor.Running())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    }
    WriteImage(path, TColorImage{picture.Width, picture.Height, picture.Pixels.data(), picture.Width},
               {SceneTextChunk(*FSession)});
}

void TMainDialog::ActionSaveImageAsExecute()
{
    const QString file = RunFileDialog(*SaveImageDialog);
    if (!file.isEmpty())
        RunReported([&] { SaveImageToFile(file, ComboBoxImageSamples->currentIndex() + 1); });
}

void TMainDialog::CopyScreenShot()
{
    const TScreenImage screen(Processor());
    const TIndexedImage& image = screen.Image;
    QImage shot(image.Width, image.Height, QImage::Format_Indexed8);
    for (int y = 0; y < image.Height; ++y)
        std::copy_n(image.Row(y), image.Width, shot.scanLine(y));
    QList<QRgb> colors(256);
    for (std::size_t i = 0; i < screen.Table.size(); ++i)
        colors[static_cast<qsizetype>(i)] = qRgb(GetRValue(screen.Table[i]), GetGValue(screen.Table[i]),
                                                 GetBValue(screen.Table[i]));
    shot.setColorTable(colors);
    QGuiApplication::clipboard()->setImage(shot);
}

void TMainDialog::ActionScreenShotExecute()
{
    RunReported([this] { CopyScreenShot(); });
}

// --- Animation recording -----------------------------------------------------------

bool TMainDialog::RecordAnimation() const
{
    return FAnimatedGif != nullptr;
}

void TMainDialog::SetRecordAnimation(bool Value)
{
    if (Value == RecordAnimation())
        return;
    if (Value) {
        auto gif = std::make_unique<TAnimatedGifWriter>();
        gif->Begin({}, Processor().Width(), Processor().Height());
        FAnimatedGif = std::move(gif);
        FAnimationFrameCount = 0;
        ActionRecordAnimation->setChecked(true);
        AddAnimationFrame();
        return;
    }
    ActionRecordAnimation->setChecked(false);
    // Taken out first: the dialog below runs an event loop, and ticks must not add frames meanwhile.
    std::unique_ptr<TAnimatedGifWriter> gif = std::move(FAnimatedGif);
    const int frames = FAnimationFrameCount;
    FAnimationFrameCount = 0;
    if (frames > 1) {
        const QString file = RunFileDialog(*SaveAniDialog);
        if (!file.isEmpty())
            RunReported([&] { gif->Finish(Path(file)); });
    }
    // Discarded also after a cancelled dialog or with a single frame; its temporary file goes with it.
}

void TMainDialog::AddAnimationFrame()
{
    if (!FAnimatedGif)
        return;
    // Frames of another size no longer match the animation: the recording ends instead.
    if (Processor().Width() != FAnimatedGif->Width() || Processor().Height() != FAnimatedGif->Height())
        return;
    const TScreenImage screen(Processor());
    try {
        FAnimatedGif->AddFrame(screen.Image, AnimationSpeedToInterval(AnimationSpeed()) / 10);
    } catch (...) {
        // The writer has dropped the recording (a frame cannot be half taken
        // back): it ends here, and the failure is reported once by the caller.
        FAnimatedGif.reset();
        FAnimationFrameCount = 0;
        ActionRecordAnimation->setChecked(false);
        throw;
    }
    ++FAnimationFrameCount;
}

void TMainDialog::RecordingSizeChanged()
{
    if (!FAnimatedGif)
        return;
    if (Processor().Width() == FAnimatedGif->Width() && Processor().Height() == FAnimatedGif->Height())
        return;
    // Stopped from the event loop, not from inside the size change: it may open the save dialog.
    QTimer::singleShot(0, this, [this] {
        if (FAnimatedGif &&
            (Processor().Width() != FAnimatedGif->Width() || Processor().Height() != FAnimatedGif->Height()))
            RunReported([this] { SetRecordAnimation(false); });
    });
}

void TMainDialog::ActionRecordAnimationExecute()
{
    RunReported([this] { SetRecordAnimation(!RecordAnimation()); });
    ActionRecordAnimation->setChecked(RecordAnimation());
}

} // namespace quillon

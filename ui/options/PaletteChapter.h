#pragma once
// The "Palette" chapter: the main window's working color map in the color
// map editor, copied back on OK.

#include "ui/options/ChapterFrm.h"

namespace quillon {

class IPaletteChapterHost;
class TColorMap;
class TColorMapFrame;

class TChapterFrameColors : public TChapterFrame {
    Q_OBJECT

public:
    explicit TChapterFrameColors(QWidget* Parent = nullptr);

    void DoAction(TOptionsAction Action) override;

    TColorMapFrame* ColorMapFrame = nullptr;

private:
    IPaletteChapterHost& PaletteHost() const;
    // Every change of the editor map, after the editor's own display: the
    // count shown red when the palette would be too long.
    void EditorMapChanged();
};

void RegisterPaletteChapter();

} // namespace quillon

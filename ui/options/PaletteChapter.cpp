#include "ui/options/PaletteChapter.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/GridList.h"
#include "ui/options/OptionsDlg.h"
#include "session/OptionsHost.h"

namespace quillon {

TChapterFrameColors::TChapterFrameColors(QWidget* Parent) : TChapterFrame(Parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ColorMapFrame = new TColorMapFrame(this);
    ColorMapFrame->setObjectName(QStringLiteral("ColorMapFrame"));
    layout->addWidget(ColorMapFrame);
}

IPaletteChapterHost& TChapterFrameColors::PaletteHost() const
{
    return Host();
}

void TChapterFrameColors::EditorMapChanged()
{
    QLabel* label = ColorMapFrame->LabelColorCount;
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ColorMapFrame->ColorCount() > 256
                                           ? QColor(Qt::red)
                                           : QPalette().color(QPalette::WindowText));
    label->setPalette(pal);
}

void TChapterFrameColors::DoAction(TOptionsAction Action)
{
    TChapterFrame::DoAction(Action);
    TColorMap& map = ColorMapFrame->ColorMap();
    switch (Action) {
    case oaCreating: {
        connect(ColorMapFrame, &TColorMapFrame::colorMapChanged, this, &TChapterFrameColors::EditorMapChanged);
        ColorMapFrame->DefaultColorMap = [this]() -> const TColorMap& { return PaletteHost().DefaultColorMap(); };
        if (TRegIniFile* reg = Registry()) {
            ColorMapFrame->EditNodeCount->setText(QString::fromStdString(
                reg->ReadString(settings::SectionPalette, settings::KeyRandomNodeCount,
                                ColorMapFrame->EditNodeCount->text().toStdString())));
            ColorMapFrame->EditColorCount->setText(QString::fromStdString(
                reg->ReadString(settings::SectionPalette, settings::KeyRandomColorCount,
                                ColorMapFrame->EditColorCount->text().toStdString())));
        }
        break;
    }
    case oaLoading:
        map.Assign(PaletteHost().ColorMap());
        // Assign fires no event when the maps are equal already.
        EditorMapChanged();
        break;
    case oaChecking:
        // Refused here what the main window could not make its palette of,
        // before anything is stored.
        try {
            CheckPaletteMap(map);
        } catch (const EQuillonError&) {
            RequestFocus(ColorMapFrame->GridColorItems);
            throw;
        }
        break;
    case oaStoring:
        PaletteHost().ColorMap().Assign(map);
        if (TRegIniFile* reg = Registry()) {
            reg->WriteString(settings::SectionPalette, settings::KeyRandomNodeCount,
                             ColorMapFrame->EditNodeCount->text().toStdString());
            reg->WriteString(settings::SectionPalette, settings::KeyRandomColorCount,
                             ColorMapFrame->EditColorCount->text().toStdString());
        }
        break;
    }
}

void RegisterPaletteChapter()
{
    TCustomOptionsDialog::RegisterChapterFrameClass(ChapterFrameClassOf<TChapterFrameColors>(),
                                                    QStringLiteral("Palette"), 4);
}

} // namespace quillon

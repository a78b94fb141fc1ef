#pragma once
// The "Effects" chapter: palette rotation direction, color offset, color
// wrapping, interior color factor, the animation speed as a frame rate and
// smooth colors.
#include "ui/options/ChapterFrm.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace quillon {

class IEffectsChapterHost;

class TChapterFrameEffects : public TChapterFrame {
    Q_OBJECT

public:
    explicit TChapterFrameEffects(QWidget* Parent = nullptr);

    void DoAction(TOptionsAction Action) override;

    // The radio group: item 0 "Up", item 1 "Down".
    int RotationDirectionIndex() const;
    void SetRotationDirectionIndex(int Value);

    QGroupBox* RadioGroupRotationDirection = nullptr;
    QRadioButton* RadioButtonUp = nullptr;
    QRadioButton* RadioButtonDown = nullptr;
    QLineEdit* EditColorOffset = nullptr;
    QCheckBox* CheckBoxColorWrapping = nullptr;
    QLineEdit* EditInteriorFactor = nullptr;
    QLineEdit* EditAnimationSpeed = nullptr;
    QCheckBox* CheckBoxSmoothColors = nullptr;

private:
    IEffectsChapterHost& EffectsHost() const;
    // The length of the palette the color offset will apply to.
    int PaletteColorCount() const;
    int FLoadedSpeed = 0;
};

void RegisterEffectsChapter();

} // namespace quillon

#include "ui/options/EffectsChapter.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

#include <limits>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "ui/options/ColorMapFrm.h"
#include "ui/options/OptionsDlg.h"
#include "session/OptionsHost.h"
#include "ui/options/PaletteChapter.h"

namespace quillon {
namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TChapterFrameEffects::TChapterFrameEffects(QWidget* Parent) : TChapterFrame(Parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    RadioGroupRotationDirection = new QGroupBox(tr("Palette Rotation &Direction"), this);
    RadioGroupRotationDirection->setObjectName(QStringLiteral("RadioGroupRotationDirection"));
    auto* radioLayout = new QHBoxLayout(RadioGroupRotationDirection);
    RadioButtonUp = new QRadioButton(tr("&Up"), RadioGroupRotationDirection);
    RadioButtonDown = new QRadioButton(tr("&Down"), RadioGroupRotationDirection);
    radioLayout->addWidget(RadioButtonUp);
    radioLayout->addWidget(RadioButtonDown);
    radioLayout->addStretch(1);
    layout->addWidget(RadioGroupRotationDirection);

    auto* grid = new QGridLayout;
    auto addEdit = [this, grid](int Row, const QString& Caption, const char* Name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(Name));
        edit->setFixedWidth(100);
        auto* label = new QLabel(Caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, Row, 0);
        grid->addWidget(edit, Row, 1);
        return edit;
    };
    EditColorOffset = addEdit(0, tr("&Color offset:"), "EditColorOffset");
    CheckBoxColorWrapping = new QCheckBox(tr("Color &wrapping"), this);
    CheckBoxColorWrapping->setObjectName(QStringLiteral("CheckBoxColorWrapping"));
    grid->addWidget(CheckBoxColorWrapping, 1, 1, 1, 2);
    EditInteriorFactor = addEdit(2, tr("&Interior color factor:"), "EditInteriorFactor");
    EditAnimationSpeed = addEdit(3, tr("&Animation speed:"), "EditAnimationSpeed");
    grid->addWidget(new QLabel(tr("Frames/s"), this), 3, 2);
    CheckBoxSmoothColors = new QCheckBox(tr("&Smooth colors"), this);
    CheckBoxSmoothColors->setObjectName(QStringLiteral("CheckBoxSmoothColors"));
    grid->addWidget(CheckBoxSmoothColors, 4, 1, 1, 2);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
}

IEffectsChapterHost& TChapterFrameEffects::EffectsHost() const
{
    return Host();
}

int TChapterFrameEffects::PaletteColorCount() const
{
    // The Palette chapter, when visited, stores its map before this chapter.
    const TColorMap* map = &Host().ColorMap();
    if (QWidget* dialog = window())
        for (const TChapterFrameColors* palette : dialog->findChildren<TChapterFrameColors*>())
            map = &palette->ColorMapFrame->ColorMap();
    return map->ColorCount();
}

int TChapterFrameEffects::RotationDirectionIndex() const
{
    if (RadioButtonDown->isChecked())
        return 1;
    return RadioButtonUp->isChecked() ? 0 : -1;
}

void TChapterFrameEffects::SetRotationDirectionIndex(int Value)
{
    (Value == 1 ? RadioButtonDown : RadioButtonUp)->setChecked(true);
}

void TChapterFrameEffects::DoAction(TOptionsAction Action)
{
    TChapterFrame::DoAction(Action);
    IEffectsChapterHost& host = EffectsHost();
    switch (Action) {
    case oaCreating:
        break;
    case oaLoading:
        SetRotationDirectionIndex(host.AnimationDirection() == drDown ? 1 : 0);
        EditColorOffset->setText(Q(Format("%d", {host.ColorOffset()})));
        CheckBoxColorWrapping->setChecked(host.ColorWrapping());
        CheckBoxSmoothColors->setChecked(host.SmoothColors());
        LoadNumber(EditInteriorFactor, Q(Format("%.1f", {host.InteriorFactor()})), host.InteriorFactor());
        FLoadedSpeed = host.AnimationSpeed();
        LoadNumber(EditAnimationSpeed, Q(Format("%.1f", {host.AnimationSpeedToFrameRate(FLoadedSpeed)})),
                   host.AnimationSpeedToFrameRate(FLoadedSpeed));
        break;
    case oaChecking:
        Check(EditInteriorFactor, false, 0.0, std::numeric_limits<double>::quiet_NaN());
        Check(EditColorOffset, false, 0, 2147483647);
        // Refused here what the palette would refuse while storing, when other
        // chapters may already have stored their values.
        if (StrToInt(EditColorOffset->text().toStdString()) >= PaletteColorCount()) {
            RequestFocus(EditColorOffset);
            throw EQuillonError("Invalid color offset.");
        }
        Check(EditAnimationSpeed, false, 1.0, 50.0);
        break;
    case oaStoring: {
        host.SetAnimationDirection(RotationDirectionIndex() == 1 ? drDown : drUp);
        host.SetColorOffset(StrToInt(EditColorOffset->text().toStdString()));
        host.SetColorWrapping(CheckBoxColorWrapping->isChecked());
        host.SetInteriorFactor(NumberOf(EditInteriorFactor));
        host.SetSmoothColors(CheckBoxSmoothColors->isChecked());
        // An untouched frame rate keeps the speed it was loaded from.
        double rate = 0;
        host.SetAnimationSpeed(LoadedNumber(EditAnimationSpeed, rate)
                                   ? FLoadedSpeed
                                   : host.FrameRateToAnimationSpeed(static_cast<float>(StrToDouble(EditAnimationSpeed))));
        break;
    }
    }
}

void RegisterEffectsChapter()
{
    TCustomOptionsDialog::RegisterChapterFrameClass(ChapterFrameClassOf<TChapterFrameEffects>(),
                                                    QStringLiteral("Effects"), 5);
}

} // namespace quillon

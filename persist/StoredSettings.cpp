#include "StoredSettings.h"

#include "RegFns.h"
#include "SettingsKeys.h"
#include "engine/AnimationSpeed.h"

namespace quillon {

using namespace settings;

void ReadStoredSettings(const TRegIniFile& reg, TStoredSettings& s)
{
    s.AutoRender = reg.ReadBool(SectionCurrent, KeyAutoRender, s.AutoRender);
    int toolMode = reg.ReadInteger(SectionCurrent, KeyToolMode, s.ToolMode);
    if (toolMode >= 0 && toolMode <= 2) s.ToolMode = toolMode;
    s.MaxSteps = reg.ReadInteger(SectionCurrent, KeyMaxSteps, s.MaxSteps);
    s.MaxAbs = reg.ReadFloat(SectionCurrent, KeyMaxAbs, s.MaxAbs);
    if (reg.ValueExists(SectionCurrent, KeyAnimationSpeed))
        s.AnimationSpeed = ClampAnimationSpeed(reg.ReadInteger(SectionCurrent, KeyAnimationSpeed, s.AnimationSpeed));
    int direction = reg.ReadInteger(SectionCurrent, KeyAnimationDirection, s.AnimationDirection);
    if (direction == drUp || direction == drDown) s.AnimationDirection = static_cast<TUpDown>(direction);
    s.InteriorVisible = reg.ReadBool(SectionCurrent, KeyInteriorVisible, s.InteriorVisible);
    s.InteriorFactor = reg.ReadFloat(SectionCurrent, KeyInteriorFactor, s.InteriorFactor);
    s.ColorOffset = reg.ReadInteger(SectionCurrent, KeyColorOffset, s.ColorOffset);
    s.ColorWrapping = reg.ReadBool(SectionCurrent, KeyColorWrapping, s.ColorWrapping);
    s.ColorMap = reg.ReadString(SectionCurrent, KeyColorMap, s.ColorMap);
    s.SmoothColors = reg.ReadBool(SectionCurrent, KeySmoothColors, s.SmoothColors);
}

void WriteStoredSettings(TRegIniFile& reg, const TStoredSettings& s)
{
    reg.WriteBool(SectionCurrent, KeyAutoRender, s.AutoRender);
    reg.WriteInteger(SectionCurrent, KeyToolMode, s.ToolMode);
    reg.WriteInteger(SectionCurrent, KeyMaxSteps, s.MaxSteps);
    reg.WriteFloat(SectionCurrent, KeyMaxAbs, s.MaxAbs);
    reg.WriteInteger(SectionCurrent, KeyAnimationSpeed, s.AnimationSpeed);
    reg.WriteInteger(SectionCurrent, KeyAnimationDirection, s.AnimationDirection);
    reg.WriteBool(SectionCurrent, KeyInteriorVisible, s.InteriorVisible);
    reg.WriteFloat(SectionCurrent, KeyInteriorFactor, s.InteriorFactor);
    reg.WriteInteger(SectionCurrent, KeyColorOffset, s.ColorOffset);
    reg.WriteBool(SectionCurrent, KeyColorWrapping, s.ColorWrapping);
    reg.WriteString(SectionCurrent, KeyColorMap, s.ColorMap);
    reg.WriteBool(SectionCurrent, KeySmoothColors, s.SmoothColors);
}

bool ReadQuickHelpVisible(const TRegIniFile& reg) { return reg.ReadBool(SectionView, KeyQuickHelpVisible, true); }

void WriteQuickHelpVisible(TRegIniFile& reg, bool visible) { reg.WriteBool(SectionView, KeyQuickHelpVisible, visible); }

} // namespace quillon

#pragma once
// The main window's values in the settings store: section "Current" (read at
// start-up, written at shut-down) and the quick-help switch of section "View".
#include "engine/MandelbrotProcessor.h"

#include <string>

namespace quillon {

class TRegIniFile;

struct TStoredSettings {
    // Defaults of the store itself; everything else defaults to the window's
    // current value, which the caller puts in before reading.
    bool AutoRender = true;
    int ToolMode = 2; // 0 none, 1 cursor, 2 selection
    int MaxSteps = 0;
    double MaxAbs = 0;
    int AnimationSpeed = 0;
    TUpDown AnimationDirection = drUp;
    bool InteriorVisible = false;
    double InteriorFactor = 0;
    int ColorOffset = 0;
    bool ColorWrapping = false;
    bool SmoothColors = false;
    std::string ColorMap; // the working map's text form; empty keeps the default map
};

// Reads section "Current" over Settings in the order the window applies it;
// missing or unreadable values leave the field as it is. A tool mode other
// than 0..2 or a direction other than 0/1 counts as unreadable; a speed
// outside 1..10 is clamped. A "MaxAbs" or "InteriorFactor" that is not a number
// fails with the conversion error; the fields before it have been read then.
void ReadStoredSettings(const TRegIniFile& reg, TStoredSettings& settings);
void WriteStoredSettings(TRegIniFile& reg, const TStoredSettings& settings);

bool ReadQuickHelpVisible(const TRegIniFile& reg);
void WriteQuickHelpVisible(TRegIniFile& reg, bool visible);

} // namespace quillon

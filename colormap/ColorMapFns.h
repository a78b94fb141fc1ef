#pragma once
// The text and file forms of a color map: node lines ("$BBGGRR, count"), color
// map files (.clm), RGB-triple palette files (.map) and the palette strip bitmap.
// The map's own text and file methods (TColorMap::AsString, SaveToFile, ...)
// are built on these.
#include "engine/ColorFns.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A node line as read: the color as written and the count (1 when the line has
// no comma; may be below 1, which readers ignore).
struct TNodeLine {
    TColor Color = 0;
    int Count = 1;
};

// "$%.6x" of the color, then ", %d" with the count when it is above 1.
std::string FormatNodeLine(TColor color, int count);
// The first comma splits color text and count text; both use the integer
// syntax. Fails with EConvertError "'<text>' is not a valid integer value".
TNodeLine ParseNodeLine(std::string_view line);

// The colors of RGB-triple lines: every run of digits is a number, a line must
// hold exactly three (red, green, blue, each 0..255); empty lines are skipped.
// Fails with "Invalid color map file.".
std::vector<TColor> ParseFractintMap(const std::vector<std::string>& lines);
// Reads an RGB-triple palette file into Colors; on failure Colors is untouched.
void LoadFractintMap(const std::string& filename, std::vector<TColor>& colors);
// Writes one "R G B" line per color (CR LF), readable by LoadFractintMap.
void SaveFractintMap(const std::string& filename, const std::vector<TColor>& colors);

// Writes the colors as an uncompressed 24-bit BMP, one pixel per color, 1 pixel high.
void SavePaletteBitmap(const std::string& filename, const std::vector<TColor>& colors);

} // namespace quillon

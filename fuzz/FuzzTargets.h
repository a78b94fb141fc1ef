#pragma once
// The bodies of the fuzz targets, shared by the libFuzzer executables and the
// replay test of the normal build. Each takes one input as the bytes of a file
// (or of a stored value) and runs it through the code that reads such input.
//
// A load that fails with quillon::EQuillonError is the clear-message path and
// counts as handled. Anything else that escapes -- another exception, including
// the EFuzzCheck of a violated round-trip property -- is a finding, as are
// crashes, hangs, leaks and sanitizer reports.
#include <stdexcept>
#include <string_view>
#include <vector>

namespace quillon::fuzz {

// A property of the code under test that did not hold.
class EFuzzCheck : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// An INI document: every section, key and typed reader; saving in each
// encoding and loading again keeps every line.
void FuzzIniFile(std::string_view data);
// A scenery file applied to a host with a real processor (idle, small image)
// and color map; what loaded saves into a file that loads again.
void FuzzSceneryFile(std::string_view data);
// A PNG file that may carry a scene: its chunks are walked within the file's
// bounds, and a scene found loads into a host or is refused with a message.
void FuzzPngScene(std::string_view data);
// Node text (a color map file or one node line): what loads saves into the
// same map; the palette expands or is refused with a message.
void FuzzColorMap(std::string_view data);
// An RGB-triple palette file: one color per counted line, each channel 0..255.
void FuzzPaletteMap(std::string_view data);
// View text and size text; a parsed view drives the geometry and the kernel
// of a tiny image.
void FuzzViewText(std::string_view data);
// The integer and floating-point parsers, and formatting doubles for files.
void FuzzNumbers(std::string_view data);
// The settings store's readers over a hand-edited store file.
void FuzzSettings(std::string_view data);

struct TFuzzTarget {
    const char* Name; // also the folder of its seeds and reproducers
    void (*Run)(std::string_view data);
};

// Every target, in a fixed order.
const std::vector<TFuzzTarget>& FuzzTargets();

} // namespace quillon::fuzz

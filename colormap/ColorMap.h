#pragma once
// A color map: an ordered list of color nodes, each spanning Count palette
// entries. Expanding the map gives the palette; the last entry of a node is its
// own color, the ones before it blend from the previous node's color.
#include "engine/ColorFns.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The source of randomness of RandomMap. The default implementation is a
// Mersenne twister; tests seed it (or derive from it) to get fixed sequences.
class TRandomGenerator {
public:
    explicit TRandomGenerator(std::uint32_t seed = 5489u) : FEngine(seed) {}
    virtual ~TRandomGenerator() = default;

    void Seed(std::uint32_t seed) { FEngine.seed(seed); }
    // Seeds from the system's entropy source, for a different sequence every run.
    void Randomize() { FEngine.seed(std::random_device{}()); }
    // Uniform integer in 0 .. Range - 1; 0 when Range is 0 or less.
    virtual int Random(int range);
    // Uniform single in [0, 1).
    virtual float RandomFloat();

private:
    std::mt19937 FEngine;
};

// The process-wide generator that RandomMap uses when none is passed. Only the
// user-interface thread touches it; the main window seeds it.
TRandomGenerator& ProcessRandomGenerator();

// The longest palette a map expands to (the engine itself takes up to 256
// colors; the editor shows and exports longer maps).
inline constexpr int MaxColorMapColors = 65536;

class TColorMap {
public:
    // One node: a color and the number of palette entries it spans (1 or more).
    class TItem {
    public:
        TItem(const TItem&) = delete;
        TItem& operator=(const TItem&) = delete;

        TColorMap& ColorMap() const { return *FColorMap; }

        TColor Color() const { return FColor; }
        // Stores the plain RGB value; fires the map's change event when it differs.
        void SetColor(TColor value);
        int Count() const { return FCount; }
        // Ignores values below 1; fires the map's change event when it differs.
        void SetCount(int value);

        // The node line: "$BBGGRR", followed by ", <count>" when the count is above 1.
        std::string AsString() const;
        // Reads a node line; the color is taken as written, a count below 1
        // leaves the count alone. Fails with the integer conversion error and
        // then changes nothing. At most one change event.
        void SetAsString(std::string_view text);

        // True when color and count are equal.
        bool Compare(const TItem& src) const { return FColor == src.FColor && FCount == src.FCount; }

    private:
        friend class TColorMap;
        TItem(TColorMap& map, TColor color, int count) : FColorMap(&map), FColor(color), FCount(count) {}

        TColorMap* FColorMap;
        TColor FColor;
        int FCount;
    };

    TColorMap() = default;
    virtual ~TColorMap();
    TColorMap(const TColorMap&) = delete;
    TColorMap& operator=(const TColorMap&) = delete;

    // Called after every public operation that changed the map (once per operation).
    std::function<void(TColorMap& sender)> OnChanged;

    void Clear();
    // The built-in map: seven nodes, 97 colors.
    void Default();
    // Copies the nodes of Src unless both maps already compare equal.
    void Assign(const TColorMap& src);
    // Index 0 .. Count(); Count must be 1 or more.
    TItem& Insert(TColor color, int count, int index);
    TItem& Add(TColor color, int count);
    void Delete(int index);
    // Swaps color and count of two nodes; "ColorMap index out of range." for a bad index.
    void Exchange(int index1, int index2);
    // NodeCount random nodes of count 1, then the remaining colors spread over
    // nodes 1 and up. Fails (map unchanged) when NodeCount < 2 and ColorCount > NodeCount.
    void RandomMap(int nodeCount, int colorCount);
    void RandomMap(int nodeCount, int colorCount, TRandomGenerator& random);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Same number of nodes and pairwise equal nodes (ColorCount is not compared).
    bool Compare(const TColorMap& src) const;
    TItem& GetItem(int index);
    const TItem& GetItem(int index) const;
    TItem& Items(int index) { return GetItem(index); }
    const TItem& Items(int index) const { return GetItem(index); }
    int ColorCount() const { return FColorCount; }

    // Palette expansion: ColorCount entries; "Invalid color map." when the map
    // is empty or its first node's count is not 1, and a message naming
    // MaxColorMapColors for a larger map (its counts may add up to billions).
    std::vector<TColor> AsColorArray() const;
    // Palette compression: one node of count 1 per entry (no event when equal).
    void SetAsColorArray(const std::vector<TColor>& colors);

    // Text and file forms (ColorMapFns.cpp).
    // Appends one node line per node.
    void SaveToStrings(std::vector<std::string>& strings) const;
    // Replaces the nodes by those read from the lines (blank lines skipped);
    // all or nothing, one change event when the result differs.
    void LoadFromStrings(const std::vector<std::string>& strings);
    // The node lines, each followed by CR LF.
    std::string AsString() const;
    // Splits at CR LF, LF or CR, then LoadFromStrings.
    void SetAsString(std::string_view text);
    // ".bmp": the palette strip as a 24-bit bitmap; ".map": one "R G B" line per
    // palette entry; anything else: the node text. The previous file survives a failure.
    void SaveToFile(const std::string& filename) const;
    // ".map": the RGB-triple form (one node of count 1 per line); anything else: node text.
    void LoadFromFile(const std::string& filename);

protected:
    // Fires OnChanged unless a bulk operation holds the change lock.
    virtual void Changed();

private:
    class TChangeLock;
    void CheckIndex(int index, int limit) const;
    static int AddCounts(int a, int b);
    void ClearNodes();
    TItem& InsertNode(TColor color, int count, int index);
    void CopyNodes(const TColorMap& src);

    int FChangedLockCount = 0;
    std::vector<std::unique_ptr<TItem>> FItems;
    int FColorCount = 0;
};

// The longest palette the engine renders with.
inline constexpr int MaxPaletteColors = 256;

// Fails unless Map can become the palette, with the message the palette would
// fail with: "Invalid color map." (no node, or a first count above 1),
// "Invalid number of colors (up to 256)." or "Invalid palette." (one color).
// Whoever takes a map from outside checks it before the working map changes.
void CheckPaletteMap(const TColorMap& map);

// The map that both the window and the command-line renderer start from: eight
// nodes, 256 colors (black, blue, magenta, red, yellow, green, cyan, blue).
void SetApplicationDefaultColorMap(TColorMap& map);

} // namespace quillon

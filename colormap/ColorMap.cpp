#include "ColorMap.h"

#include "ColorMapFns.h"

#include "engine/ColorModelFns.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"

#include <limits>

namespace quillon {

namespace {

struct TNode {
    TColor Color;
    int Count;
};

// The map a fresh editor starts from.
constexpr TNode DefaultNodes[] = {
    {0xFF0000, 1},  // blue
    {0xFF00FF, 16}, // magenta
    {0x0000FF, 16}, // red
    {0x00FFFF, 16}, // yellow
    {0x00FF00, 16}, // green
    {0xFFFF00, 16}, // cyan
    {0xFF0000, 16}, // blue
};

// The map the application starts from and returns to on Reset.
constexpr TNode ApplicationDefaultNodes[] = {
    {0x000000, 1},  // black: the interior
    {0xFF0000, 1},  // blue
    {0xFF00FF, 42}, // magenta
    {0x0000FF, 42}, // red
    {0x00FFFF, 44}, // yellow
    {0x00FF00, 42}, // green
    {0xFFFF00, 42}, // cyan
    {0xFF0000, 42}, // blue
};

void AddNodes(TColorMap& map, const TNode* first, const TNode* last)
{
    for (; first != last; ++first) map.Add(first->Color, first->Count);
}

TColor RandomNodeColor(TRandomGenerator& random)
{
    const float h = random.RandomFloat();
    const float s = 0.5f + random.RandomFloat() / 2;
    const float l = random.RandomFloat();
    return HSLToColor({h, s, l});
}

} // namespace

int TRandomGenerator::Random(int range)
{
    if (range <= 0) return 0;
    return std::uniform_int_distribution<int>(0, range - 1)(FEngine);
}

float TRandomGenerator::RandomFloat()
{
    // 24 random bits make every float in [0, 1) with a step of 2^-24; never 1.
    return static_cast<float>(FEngine() >> 8) * (1.0f / 16777216.0f);
}

TRandomGenerator& ProcessRandomGenerator()
{
    static TRandomGenerator generator;
    return generator;
}

// Holds the change lock for the length of a bulk operation, also when it throws.
class TColorMap::TChangeLock {
public:
    explicit TChangeLock(TColorMap& map) : FMap(map) { ++FMap.FChangedLockCount; }
    ~TChangeLock() { --FMap.FChangedLockCount; }
    TChangeLock(const TChangeLock&) = delete;
    TChangeLock& operator=(const TChangeLock&) = delete;

private:
    TColorMap& FMap;
};

void TColorMap::TItem::SetColor(TColor value)
{
    value = ResolveColor(value);
    if (value == FColor) return;
    FColor = value;
    FColorMap->Changed();
}

void TColorMap::TItem::SetCount(int value)
{
    if (value < 1 || value == FCount) return;
    FColorMap->FColorCount = AddCounts(FColorMap->FColorCount - FCount, value);
    FCount = value;
    FColorMap->Changed();
}

std::string TColorMap::TItem::AsString() const
{
    return FormatNodeLine(FColor, FCount);
}

void TColorMap::TItem::SetAsString(std::string_view text)
{
    const TNodeLine line = ParseNodeLine(text);
    const int count = line.Count >= 1 ? line.Count : FCount;
    if (line.Color == FColor && count == FCount) return;
    // Check the new total first, so a failure changes nothing.
    const int colorCount = AddCounts(FColorMap->FColorCount - FCount, count);
    FColor = line.Color;
    FCount = count;
    FColorMap->FColorCount = colorCount;
    FColorMap->Changed();
}

TColorMap::~TColorMap() = default;

void TColorMap::Changed()
{
    if (FChangedLockCount == 0 && OnChanged) OnChanged(*this);
}

void TColorMap::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit) throw ERangeError(Format("List index out of bounds (%d).", {index}));
}

int TColorMap::AddCounts(int a, int b)
{
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > std::numeric_limits<int>::max()) throw ERangeError("Color count out of range.");
    return static_cast<int>(sum);
}

void TColorMap::ClearNodes()
{
    FItems.clear();
    FColorCount = 0;
}

TColorMap::TItem& TColorMap::InsertNode(TColor color, int count, int index)
{
    CheckIndex(index, Count() + 1);
    // A node below count 1 would make the expansion write before its own range.
    if (count < 1) throw ERangeError("Color count out of range.");
    const int newColorCount = AddCounts(FColorCount, count);
    auto item = std::unique_ptr<TItem>(new TItem(*this, color, count));
    TItem& result = *item;
    FItems.insert(FItems.begin() + index, std::move(item));
    FColorCount = newColorCount;
    return result;
}

void TColorMap::CopyNodes(const TColorMap& src)
{
    std::vector<std::unique_ptr<TItem>> items;
    items.reserve(src.FItems.size());
    for (const auto& node : src.FItems)
        items.push_back(std::unique_ptr<TItem>(new TItem(*this, node->FColor, node->FCount)));
    FItems = std::move(items);
    FColorCount = src.FColorCount;
}

void TColorMap::Clear()
{
    if (FItems.empty()) return;
    {
        TChangeLock lock(*this);
        ClearNodes();
    }
    Changed();
}

void TColorMap::Default()
{
    TColorMap builtIn;
    AddNodes(builtIn, std::begin(DefaultNodes), std::end(DefaultNodes));
    Assign(builtIn);
}

void TColorMap::Assign(const TColorMap& src)
{
    if (Compare(src)) return;
    {
        TChangeLock lock(*this);
        CopyNodes(src);
    }
    Changed();
}

TColorMap::TItem& TColorMap::Insert(TColor color, int count, int index)
{
    TItem* item;
    {
        TChangeLock lock(*this);
        item = &InsertNode(color, count, index);
    }
    Changed();
    return *item;
}

TColorMap::TItem& TColorMap::Add(TColor color, int count)
{
    return Insert(color, count, Count());
}

void TColorMap::Delete(int index)
{
    CheckIndex(index, Count());
    {
        TChangeLock lock(*this);
        FColorCount -= FItems[index]->FCount;
        FItems.erase(FItems.begin() + index);
    }
    Changed();
}

void TColorMap::Exchange(int index1, int index2)
{
    if (index1 < 0 || index1 >= Count() || index2 < 0 || index2 >= Count())
        throw ERangeError("ColorMap index out of range.");
    TItem& a = *FItems[index1];
    TItem& b = *FItems[index2];
    if (index1 == index2 || a.Compare(b)) return;
    std::swap(a.FColor, b.FColor);
    std::swap(a.FCount, b.FCount);
    Changed();
}

void TColorMap::RandomMap(int nodeCount, int colorCount)
{
    RandomMap(nodeCount, colorCount, ProcessRandomGenerator());
}

void TColorMap::RandomMap(int nodeCount, int colorCount, TRandomGenerator& random)
{
    TColorMap map;
    for (int i = 0; i < nodeCount; ++i) map.Add(RandomNodeColor(random), 1);
    std::int64_t remaining = static_cast<std::int64_t>(colorCount) - nodeCount;
    // Node 0 never grows: without a node 1 the extra colors have nowhere to go.
    if (remaining > 0 && nodeCount < 2) map.CheckIndex(1, map.Count());
    while (remaining > 0) {
        const int step = 1 + random.Random(static_cast<int>(remaining / 2));
        const int target = 1 + random.Random(nodeCount - 1);
        TItem& node = map.GetItem(target);
        node.SetCount(AddCounts(node.Count(), step));
        remaining -= step;
    }
    Assign(map);
}

bool TColorMap::Compare(const TColorMap& src) const
{
    if (FItems.size() != src.FItems.size()) return false;
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (!FItems[i]->Compare(*src.FItems[i])) return false;
    return true;
}

TColorMap::TItem& TColorMap::GetItem(int index)
{
    CheckIndex(index, Count());
    return *FItems[index];
}

const TColorMap::TItem& TColorMap::GetItem(int index) const
{
    CheckIndex(index, Count());
    return *FItems[index];
}

void CheckPaletteMap(const TColorMap& map)
{
    if (map.Count() == 0 || map.GetItem(0).Count() != 1) throw EQuillonError("Invalid color map.");
    if (map.ColorCount() > MaxPaletteColors)
        throw EQuillonError(Format("Invalid number of colors (up to %d).", {MaxPaletteColors}));
    if (map.ColorCount() < 2) throw EQuillonError("Invalid palette.");
}

std::vector<TColor> TColorMap::AsColorArray() const
{
    if (FItems.empty() || FItems.front()->FCount != 1) throw EQuillonError("Invalid color map.");
    // Refused before allocating: a one-line file can ask for billions of colors.
    if (FColorCount > MaxColorMapColors)
        throw EQuillonError(Format("Too many colors in the color map (up to %d).", {MaxColorMapColors}));
    std::vector<TColor> colors;
    colors.reserve(static_cast<std::size_t>(FColorCount));
    TColor previous = 0;
    for (const auto& node : FItems) {
        const int n = node->FCount;
        for (int j = 1; j < n; ++j)
            colors.push_back(BlendColor(previous, node->FColor, static_cast<float>(j) / static_cast<float>(n)));
        colors.push_back(node->FColor);
        previous = node->FColor;
    }
    return colors;
}

void TColorMap::SetAsColorArray(const std::vector<TColor>& colors)
{
    bool same = FItems.size() == colors.size();
    for (std::size_t i = 0; same && i < colors.size(); ++i)
        same = FItems[i]->FColor == colors[i] && FItems[i]->FCount == 1;
    if (same) return;
    if (colors.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw ERangeError("Color count out of range.");
    {
        TChangeLock lock(*this);
        std::vector<std::unique_ptr<TItem>> items;
        items.reserve(colors.size());
        for (TColor c : colors) items.push_back(std::unique_ptr<TItem>(new TItem(*this, c, 1)));
        FItems = std::move(items);
        FColorCount = static_cast<int>(colors.size());
    }
    Changed();
}

void SetApplicationDefaultColorMap(TColorMap& map)
{
    TColorMap appDefault;
    AddNodes(appDefault, std::begin(ApplicationDefaultNodes), std::end(ApplicationDefaultNodes));
    map.Assign(appDefault);
}

} // namespace quillon

#include "ui/auxiliary/VersionInfo.h"

#include <algorithm>
#include <cctype>

namespace quillon {

bool TVersionInfo::QueryValue(std::string_view SubBlock, std::string& Value) const
{
    const auto same = [SubBlock](const TEntry& entry) {
        return std::equal(entry.first.begin(), entry.first.end(), SubBlock.begin(), SubBlock.end(),
                          [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    };
    const auto it = std::find_if(FEntries.begin(), FEntries.end(), same);
    if (it == FEntries.end())
        return false;
    Value = it->second;
    return true;
}

} // namespace quillon

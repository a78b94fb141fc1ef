#include "ImageIoFns.h"

namespace quillon {

std::string InvalidImageMessage(const std::string& path)
{
    if (path.empty()) return "Invalid image.";
    return "Cannot write file \"" + path + "\". Invalid image.";
}

void CheckImageSize(int width, int height, int maxSide, const std::string& path)
{
    if (width < 1 || height < 1 || width > maxSide || height > maxSide ||
        static_cast<long long>(width) * height > 0x7FFFFFFFLL)
        throw EQuillonError(InvalidImageMessage(path));
}

} // namespace quillon

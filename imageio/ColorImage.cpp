#include "ColorImage.h"

#include "ImageIoFns.h"

namespace quillon {

void CheckColorImage(const TColorImage& image, const std::string& path)
{
    if (image.Width < 1 || image.Height < 1 || !image.Pixels || image.PixelsPerLine < image.Width)
        throw EQuillonError(InvalidImageMessage(path));
}

} // namespace quillon

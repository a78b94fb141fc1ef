#include "IndexedImage.h"

#include "ImageIoFns.h"

namespace quillon {

void CheckIndexedImage(const TIndexedImage& image, const std::string& path)
{
    if (image.Width < 1 || image.Height < 1 || !image.Pixels || !image.ColorTable ||
        image.BytesPerLine < image.Width || image.ColorCount < 1 || image.ColorCount > 256)
        throw EQuillonError(InvalidImageMessage(path));
}

} // namespace quillon

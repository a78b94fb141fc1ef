#pragma once
// Helpers shared by the image writers (not part of the public interface).
#include <string>

#include "engine/Errors.h"

namespace quillon {

// "Cannot write file "<path>". Invalid image." ("Invalid image." without a path).
std::string InvalidImageMessage(const std::string& path);

// Fails with InvalidImageMessage unless 1 <= Width, Height <= MaxSide and the
// pixel count stays below 2^31.
void CheckImageSize(int width, int height, int maxSide, const std::string& path);

} // namespace quillon

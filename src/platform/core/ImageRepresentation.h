#pragma once

#include "Data.h"
#include "Image.h"

#include <optional>

namespace platform {

// The picture encoded as PNG; none for a null image.
std::optional<Data> imagePNGRepresentation(const Image& image);

// The picture encoded as JPEG at `compressionQuality` from 0 (smallest) to
// 1 (best), clamped; none for a null image. JPEG has no transparency:
// transparent parts come out black.
std::optional<Data> imageJPEGRepresentation(const Image& image, float compressionQuality);

} // namespace platform

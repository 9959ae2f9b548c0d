#pragma once

#include "Data.h"

#include <string>

namespace platform {

// Writes `bytes` to the file at `path` atomically: into a new file beside
// it, then renamed over it, so readers see the old file or the whole new
// one, never a part. A link at `path` is replaced, not followed. The file
// is readable and writable by its owner only. On
// failure the old file is untouched, nothing is left beside it, one line
// naming the path and the reason is logged, and false returned.
bool writeFileAtomically(const std::string& path, const Data& bytes);

} // namespace platform

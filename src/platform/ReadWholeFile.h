#pragma once

#include "platform/FileResult.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <string>

namespace slabcal {

// The whole of a regular host file of at most `limit` bytes, through `host`: a FIFO, a device or a folder
// is refused without blocking (see FileSystem::OpenForReading), a larger file with EFBIG rather than read
// until memory runs out. `bytes` is empty after a failure.
[[nodiscard]] FileResult ReadWholeFile(FileSystem& host, const std::string& hostPath, std::size_t limit,
                                       std::string& bytes);

} // namespace slabcal

#include "platform/ReadWholeFile.h"

#include <cerrno>
#include <memory>

namespace slabcal {

FileResult ReadWholeFile(FileSystem& host, const std::string& hostPath, std::size_t limit,
                         std::string& bytes) {
    constexpr std::size_t chunkSize = 64 * 1024;
    bytes.clear();
    const int file = host.OpenForReading(hostPath);
    if (file < 0)
        return FileResult::Failure(FileStep::Open, -file);
    // Not cleared first: listing thousands of small records would spend its time clearing this.
    const auto chunk = std::make_unique_for_overwrite<char[]>(chunkSize);
    for (;;) {
        const ssize_t got = host.Read(file, chunk.get(), chunkSize);
        int error = got < 0 ? static_cast<int>(-got) : 0;
        if (got > 0 && bytes.size() + static_cast<std::size_t>(got) > limit)
            error = EFBIG;
        if (error != 0) {
            host.Close(file);
            bytes.clear();
            return FileResult::Failure(FileStep::Read, error);
        }
        if (got == 0)
            break;
        bytes.append(chunk.get(), static_cast<std::size_t>(got));
    }
    // Nothing was written through this descriptor, so an error on close cannot have lost anything.
    host.Close(file);
    return FileResult::Success();
}

} // namespace slabcal

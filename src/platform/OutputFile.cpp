#include "platform/OutputFile.h"

#include "platform/AtomicFile.h"

#include <sys/stat.h>

namespace slabcal {
namespace {

// What a node that is not a regular file is, for the refusal.
const char* NodeKind(mode_t mode) {
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file";
}

} // namespace

std::optional<std::string> UnusableOutputPath(const std::string& path) {
    struct stat node {};
    if (::lstat(path.c_str(), &node) != 0 || S_ISREG(node.st_mode))
        return std::nullopt;
    return path + " is " + NodeKind(node.st_mode) + ", not a regular file";
}

std::string WriteOutputFile(FileSystem& host, const std::string& path, std::string_view bytes) {
    if (auto refusal = UnusableOutputPath(path))
        return *refusal;
    if (const FileResult written = AtomicFile(host, path).Replace(bytes); !written)
        return "cannot write " + path + ": " + written.Describe();
    return {};
}

} // namespace slabcal

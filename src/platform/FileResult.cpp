#include "platform/FileResult.h"

#include <system_error>

namespace slabcal {

std::string_view FileStepName(FileStep step) {
    switch (step) {
    case FileStep::None:
        return "none";
    case FileStep::Path:
        return "path";
    case FileStep::Open:
        return "open";
    case FileStep::Status:
        return "stat";
    case FileStep::Read:
        return "read";
    case FileStep::Create:
        return "create";
    case FileStep::Write:
        return "write";
    case FileStep::SyncFile:
        return "fsync";
    case FileStep::Close:
        return "close";
    case FileStep::Rename:
        return "rename";
    case FileStep::SyncFolder:
        return "fsync folder";
    case FileStep::MakeFolder:
        return "mkdir";
    case FileStep::Remove:
        return "unlink";
    case FileStep::ChangeOwner:
        return "chown";
    case FileStep::ChangePermissions:
        return "chmod";
    }
    return "unknown";
}

std::string FileResult::Describe() const {
    if (Succeeded())
        return "ok";
    // generic_category's message is thread-safe, unlike strerror.
    return std::string(FileStepName(step)) + ": " + std::generic_category().message(error);
}

} // namespace slabcal

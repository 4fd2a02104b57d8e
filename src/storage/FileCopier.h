#pragma once

#include "platform/DeviceFileSystem.h"

#include <string>

namespace slabcal {

// Makes sure a folder on the device exists and copies a file into it: the backup of the parameter file.
// One lives for one save.
class FileCopier final {
public:
    explicit FileCopier(const DeviceFileSystem& deviceFiles);

    // True when the folder exists at the end, as a plain folder (attributes exactly "directory"; a
    // read-only folder does not count). Missing levels are created one by one from the second prefix on,
    // so the level before the first separator is never created. Empty text: false, nothing touched.
    // The write command copies whatever the result, so it need not be looked at.
    bool EnsureFolder(std::string folder) const;

    // Copies the file into the folder under its own name, replacing an earlier copy atomically: a failed
    // copy leaves the earlier copy whole, but for a failed flush after the rename (see
    // AtomicFile::TargetReplaced). Success, or the step that failed.
    [[nodiscard]] FileResult CopyInto(const std::string& source, const std::string& folder) const;

private:
    [[nodiscard]] bool IsPlainFolder(const std::string& folder) const;

    const DeviceFileSystem& files;
};

} // namespace slabcal

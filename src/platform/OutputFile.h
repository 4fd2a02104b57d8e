#pragma once

#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace slabcal {

// A file the user names for the program to write (a certificate, a points file). Only a new name or an
// existing regular file can take it: the atomic replace renames over the path, and a rename over anything
// else replaces the node itself (run as root, "-o /dev/null" would replace the system's /dev/null). A
// device, a FIFO, a socket, a folder and a symbolic link (even one to a regular file: the link would be
// replaced, not the file it names) are refused and left untouched.

// Why `path` cannot take an output file, as "PATH is a character device, not a regular file"; nothing
// when it names nothing yet or a regular file, or when it cannot be examined (the write then says why).
[[nodiscard]] std::optional<std::string> UnusableOutputPath(const std::string& path);

// Writes `bytes` to `path` unless UnusableOutputPath refuses it, atomically (AtomicFile): whole or not at
// all, and an existing file keeps its mode (plus the owner's write bit) and, when root writes, its owner
// and group. Empty on success, else one line: the refusal, or "cannot write PATH: rename: …".
[[nodiscard]] std::string WriteOutputFile(FileSystem& host, const std::string& path, std::string_view bytes);

} // namespace slabcal

#pragma once

#include "platform/DeviceFileSystem.h"

#include <ostream>
#include <string>
#include <string_view>

namespace slabcal {

// `slabcal certificate RECORD -o FILE.pdf`: the certificate of one calibration record. A missing, damaged
// or newer record, and an output path that is not a new name or a regular file (UnusableOutputPath), are
// refused with one line (exit status 2) and nothing is written; a PDF that cannot be drawn (no font for its
// texts) or written is one line and status 1. Needs a QApplication (offscreen will do).
[[nodiscard]] int RunCertificate(std::string_view record, const std::string& output,
                                 const DeviceFileSystem& files, std::ostream& out, std::ostream& err);

} // namespace slabcal

#pragma once

#include <string_view>

namespace slabcal {

// The names under which the write command reaches the parameter file and its backup. The three forms are
// the ones the gauge's software has always used; the device file system makes the first two one file.
inline constexpr std::string_view ParameterFilePath = "NandFlash//ZPQ.ini";
inline constexpr std::string_view ParameterFileCopySource = "NandFlash\\ZPQ.ini";
inline constexpr std::string_view BackupFolder = "\\NandFlash\\BackUp\\";

} // namespace slabcal

#pragma once

#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"
#include "platform/DeviceFileSystem.h"
#include "storage/StoreResult.h"

#include <array>
#include <chrono>
#include <string>
#include <string_view>

namespace slabcal {

// The sixteen keys the calibration sets, in the order they are set (and appended when missing).
inline constexpr std::array<std::string_view, 2 * segments::Count + segments::BoundaryCount> SegmentModelKeys{
    "CurveA0", "CurveA1", "CurveA2", "CurveA3", "CurveA4",    "CurveA5",    "CurveB0",    "CurveB1",
    "CurveB2", "CurveB3", "CurveB4", "CurveB5", "ConsRange0", "ConsRange1", "ConsRange2", "ConsRange3"};

// Stores the model's sixteen values, rounded to single precision, in the parameter file
// (ParameterFilePath) by read-modify-write: other entries keep their place, keys already there get the new
// value in place, missing keys are appended in the order of SegmentModelKeys, and the file is replaced
// only when a value was added or changed, or the gauge would read the file as it stands otherwise than
// the table (ParameterFile::KeysTheGaugeMisreads). A file from which the gauge's reader would not take
// every value (HiddenFromGauge: behind the 49 entries it keeps) is left untouched. The model is not
// changed.
//
// An existing file whose first line is not the signature is first copied whole, atomically, to
// "ZPQ.ini.unreadable-YYYYMMDD-HHMMSS" beside it (UTC at `now`; "-2", "-3", ... added rather than
// overwrite an earlier copy), so that no entry is lost when the new file replaces it.
[[nodiscard]] StoreResult
WriteSegmentModel(const SegmentModel& model, const DeviceFileSystem& files,
                  std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// The same save with the sixteen value texts given as they are to stand in the file (in the order of
// SegmentModelKeys), as an earlier save left them: a text that differs from the stored one replaces it
// byte for byte. NonFiniteValue, nothing touched, when a text is not ParameterFile::IsGaugeReadableText.
[[nodiscard]] StoreResult
WriteParameterTexts(const std::array<std::string, SegmentModelKeys.size()>& texts,
                    const DeviceFileSystem& files,
                    std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// The value texts the model's numbers are stored as ("%.4f" of the single-precision value), in the order
// of SegmentModelKeys; a number that is not finite in single precision gives an empty text.
[[nodiscard]] std::array<std::string, SegmentModelKeys.size()> SegmentModelTexts(const SegmentModel& model);

} // namespace slabcal

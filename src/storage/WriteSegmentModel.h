#pragma once

#include "fitting/SegmentModel.h"
#include "platform/DeviceFileSystem.h"
#include "storage/StoreResult.h"

#include <chrono>

namespace slabcal {

// Stores the model's sixteen values, rounded to single precision, in the parameter file
// (ParameterFilePath) by read-modify-write: other entries keep their place, keys already there get the new
// value in place, missing keys are appended in the order CurveA0-5, CurveB0-5, ConsRange0-3, and the file is
// replaced only when a value was added or changed. The model is not changed.
//
// An existing file whose first line is not the signature is first copied whole, atomically, to
// "ZPQ.ini.unreadable-YYYYMMDD-HHMMSS" beside it (UTC at `now`; "-2", "-3", ... added rather than
// overwrite an earlier copy), so that no entry is lost when the new file replaces it.
[[nodiscard]] StoreResult
WriteSegmentModel(const SegmentModel& model, const DeviceFileSystem& files,
                  std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

} // namespace slabcal

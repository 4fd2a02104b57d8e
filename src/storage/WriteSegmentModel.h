#pragma once

#include "platform/DeviceFileSystem.h"
#include "storage/SegmentModel.h"
#include "storage/StoreResult.h"

namespace slabcal {

// Stores the model's sixteen values, rounded to single precision, in the parameter file
// (ParameterFilePath) by read-modify-write: other entries keep their place, keys already there get the new
// value in place, missing keys are appended in the order CurveA0-5, CurveB0-5, ConsRange0-3, and the file is
// replaced only when a value was added or changed. The model is not changed.
[[nodiscard]] StoreResult WriteSegmentModel(const SegmentModel& model, const DeviceFileSystem& files);

} // namespace slabcal

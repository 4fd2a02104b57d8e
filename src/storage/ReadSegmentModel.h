#pragma once

#include "fitting/SegmentModel.h"
#include "platform/DeviceFileSystem.h"

#include <optional>

namespace slabcal {

// The segment model the gauge holds now: the sixteen values of the parameter file, each read as the
// gauge's measuring application reads it (atof, single precision). Read only; nothing is created or
// changed. Nothing when the file is missing, cannot be read, lacks its signature or one of the sixteen
// keys, or holds a value that is not a finite number.
[[nodiscard]] std::optional<SegmentModel> ReadSegmentModel(const DeviceFileSystem& files);

} // namespace slabcal

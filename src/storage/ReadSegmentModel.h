#pragma once

#include "fitting/SegmentModel.h"
#include "platform/DeviceFileSystem.h"
#include "storage/WriteSegmentModel.h"

#include <array>
#include <optional>
#include <string>

namespace slabcal {

// The model sixteen value texts (in the order of SegmentModelKeys) stand for, each read as the gauge's
// measuring application reads it (ParameterFile::ReadValue). Nothing when one is not a finite number.
[[nodiscard]] std::optional<SegmentModel>
SegmentModelFromTexts(const std::array<std::string, SegmentModelKeys.size()>& texts);

// The segment model the gauge holds now, from the parameter file as the gauge's own reader takes it
// (ParameterFile::GaugeEntries). Read only; nothing is created or changed. Nothing when the file is
// missing, cannot be read, lacks its signature or one of the sixteen keys among the entries the gauge
// keeps, or holds a value that is not a finite number.
[[nodiscard]] std::optional<SegmentModel> ReadSegmentModel(const DeviceFileSystem& files);

} // namespace slabcal

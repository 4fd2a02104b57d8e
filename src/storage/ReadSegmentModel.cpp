#include "storage/ReadSegmentModel.h"

#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace slabcal {
namespace {

template <std::size_t Size>
bool ReadValues(const ParameterFile& table, const std::string& stem, std::array<double, Size>& numbers) {
    for (std::size_t i = 0; i < Size; ++i) {
        const std::string key = stem + std::to_string(i);
        const auto& entries = table.Entries();
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&key](const ParameterEntry& entry) { return entry.key == key; });
        if (found == entries.end())
            return false;
        const float value = ParameterFile::ReadValue(found->value);
        if (!std::isfinite(value))
            return false;
        numbers[i] = value;
    }
    return true;
}

} // namespace

std::optional<SegmentModel> ReadSegmentModel(const DeviceFileSystem& files) {
    ParameterFile table(files);
    if (!table.Load(std::string(ParameterFilePath)) || table.Unrecognised())
        return std::nullopt;
    SegmentModel model;
    if (!ReadValues(table, "CurveA", model.CurveA) || !ReadValues(table, "CurveB", model.CurveB) ||
        !ReadValues(table, "ConsRange", model.ConsRange))
        return std::nullopt;
    return model;
}

} // namespace slabcal

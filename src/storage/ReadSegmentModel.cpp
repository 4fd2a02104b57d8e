#include "storage/ReadSegmentModel.h"

#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace slabcal {

std::optional<SegmentModel>
SegmentModelFromTexts(const std::array<std::string, SegmentModelKeys.size()>& texts) {
    SegmentModel model;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        const float value = ParameterFile::ReadValue(texts[index]);
        if (!std::isfinite(value))
            return std::nullopt;
        if (index < model.CurveA.size())
            model.CurveA[index] = value;
        else if (index < model.CurveA.size() + model.CurveB.size())
            model.CurveB[index - model.CurveA.size()] = value;
        else
            model.ConsRange[index - model.CurveA.size() - model.CurveB.size()] = value;
    }
    return model;
}

std::optional<SegmentModel> ReadSegmentModel(const DeviceFileSystem& files) {
    ParameterFile table(files);
    if (!table.Load(std::string(ParameterFilePath)) || table.Unrecognised())
        return std::nullopt;
    // What the gauge holds is what its own reader takes from the file, not every entry the table keeps.
    const std::vector<ParameterEntry> seen = ParameterFile::GaugeEntries(table.LoadedBytes());
    std::array<std::string, SegmentModelKeys.size()> texts;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        const auto found = std::find_if(seen.begin(), seen.end(), [&](const ParameterEntry& entry) {
            return entry.key == SegmentModelKeys[index];
        });
        if (found == seen.end())
            return std::nullopt;
        texts[index] = found->value;
    }
    return SegmentModelFromTexts(texts);
}

} // namespace slabcal

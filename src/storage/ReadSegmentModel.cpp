#include "storage/ReadSegmentModel.h"

#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"

#include <cmath>

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
    std::array<std::string, SegmentModelKeys.size()> texts;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        const std::string* value = table.Find(SegmentModelKeys[index]);
        if (value == nullptr)
            return std::nullopt;
        texts[index] = *value;
    }
    return SegmentModelFromTexts(texts);
}

} // namespace slabcal

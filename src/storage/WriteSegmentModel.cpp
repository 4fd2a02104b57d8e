#include "storage/WriteSegmentModel.h"

#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"
#include "fitting/RoundToSingle.h"

#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace slabcal {
namespace {

// A device path beside the parameter file that nothing holds yet.
std::string UnusedAsideName(const DeviceFileSystem& files, std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string base = std::string(ParameterFilePath) + ".unreadable-" + stamp;
    std::string name = base;
    for (int copy = 2; files.GetFileAttributes(name) != InvalidFileAttributes; ++copy)
        name = base + "-" + std::to_string(copy);
    return name;
}

template <std::size_t Size>
void AddValues(std::vector<std::pair<std::string, float>>& values, const std::string& stem,
               const std::array<double, Size>& numbers) {
    for (std::size_t i = 0; i < Size; ++i)
        values.emplace_back(stem + std::to_string(i), RoundToSingle(numbers[i]));
}

} // namespace

StoreResult WriteSegmentModel(const SegmentModel& model, const DeviceFileSystem& files,
                              std::chrono::system_clock::time_point now) {
    std::vector<std::pair<std::string, float>> values;
    AddValues(values, "CurveA", model.CurveA);
    AddValues(values, "CurveB", model.CurveB);
    AddValues(values, "ConsRange", model.ConsRange);
    // Checked before the file is touched: a gauge that reads "nan" or "inf" would measure nonsense.
    for (const auto& value : values)
        if (!std::isfinite(value.second))
            return {StoreOutcome::NonFiniteValue, {}, {}};

    ParameterFile table(files);
    if (FileResult loaded = table.Load(std::string(ParameterFilePath)); !loaded)
        return {StoreOutcome::LoadFailed, loaded, {}};
    for (const auto& [key, value] : values)
        if (!table.SetValue(key, value))
            return {StoreOutcome::NonFiniteValue, {}, {}};
    if (!table.Modified()) {
        // Nothing to replace, but a save that was cut short may have left its temporary file behind; a
        // replace would have cleared it, so this save does too.
        files.RemoveLeftovers(ParameterFilePath);
        return {StoreOutcome::Unchanged, {}, {}};
    }
    std::string keptAside;
    if (table.Unrecognised()) {
        keptAside = UnusedAsideName(files, now);
        if (FileResult kept = files.CopyFile(ParameterFilePath, keptAside); !kept)
            return {StoreOutcome::WriteFailed, kept, {}};
    }
    if (FileResult written = table.Flush(); !written)
        return {StoreOutcome::WriteFailed, written, keptAside};
    return {StoreOutcome::Stored, {}, keptAside};
}

} // namespace slabcal

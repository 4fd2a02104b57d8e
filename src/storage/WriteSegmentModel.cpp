#include "storage/WriteSegmentModel.h"

#include "fitting/RoundToSingle.h"
#include "platform/AtomicFile.h"
#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"
#include "storage/UnusedName.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace slabcal {
namespace {

constexpr std::size_t KeyCount = SegmentModelKeys.size();
// The gauge reads each of the sixteen lines whole: a value it reads whole fits in one read with its key.
static_assert(std::ranges::max(SegmentModelKeys, {}, &std::string_view::size).size() + 1 + GaugeFieldLimit +
                  2 <=
              GaugeReadLimit);

// A save that did not succeed: nothing stored, so no bytes and no values.
StoreResult Failed(StoreOutcome outcome, FileResult file = {}, std::string keptAside = {}) {
    StoreResult result;
    result.outcome = outcome;
    result.file = file;
    result.keptAside = std::move(keptAside);
    return result;
}

std::array<float, KeyCount> SingleValues(const SegmentModel& model) {
    std::array<float, KeyCount> values{};
    std::size_t next = 0;
    for (double number : model.CurveA)
        values[next++] = RoundToSingle(number);
    for (double number : model.CurveB)
        values[next++] = RoundToSingle(number);
    for (double number : model.ConsRange)
        values[next++] = RoundToSingle(number);
    return values;
}

// The read-modify-write both saves share: `set(table, index)` puts value `index` into the table.
template <typename SetOne>
StoreResult Store(const DeviceFileSystem& files, std::chrono::system_clock::time_point now, SetOne set) {
    ParameterFile table(files);
    if (FileResult loaded = table.Load(std::string(ParameterFilePath)); !loaded)
        return Failed(StoreOutcome::LoadFailed, loaded);
    std::vector<StoredValue> values;
    for (std::size_t index = 0; index < KeyCount; ++index) {
        const std::string_view key = SegmentModelKeys[index];
        const std::string* before = table.Find(key);
        StoredValue value{std::string(key), before ? std::optional<std::string>(*before) : std::nullopt, {}};
        if (!set(table, index))
            return Failed(StoreOutcome::NonFiniteValue);
        value.after = *table.Find(key);
        values.push_back(std::move(value));
    }
    // The file as it stands when nothing changed; but a file the gauge reads otherwise than the table (a
    // value behind a lone CR, or cut by the gauge's 63 characters) is written afresh.
    bool write = table.Modified();
    std::string bytes = write ? table.Contents() : table.LoadedBytes();
    std::vector<std::string> hidden = table.KeysTheGaugeMisreads(bytes, SegmentModelKeys);
    if (!write && !hidden.empty()) {
        write = true;
        bytes = table.Contents();
        hidden = table.KeysTheGaugeMisreads(bytes, SegmentModelKeys);
    }
    // A value the gauge would not read (behind the 49 entries it keeps) must not be reported as stored.
    if (!hidden.empty()) {
        StoreResult refused = Failed(StoreOutcome::HiddenFromGauge);
        refused.hiddenKeys = std::move(hidden);
        return refused;
    }
    StoreResult result;
    result.outcome = StoreOutcome::Unchanged;
    if (!write) {
        // Nothing to replace, but a save that was cut short may have left its temporary file behind; a
        // replace would have cleared it, so this save does too.
        files.RemoveLeftovers(ParameterFilePath);
    } else {
        if (table.Unrecognised()) {
            result.keptAside = UnusedDevicePath(files, std::string(ParameterFilePath) + ".unreadable-" +
                                                           UtcStamp(now, "%Y%m%d-%H%M%S"));
            if (FileResult kept = files.CopyFile(ParameterFilePath, result.keptAside); !kept)
                return Failed(StoreOutcome::WriteFailed, kept);
        }
        // Nothing after the write allocates: once the file is replaced, the save reports it, whatever else.
        result.file = table.Write();
        if (!AtomicFile::TargetReplaced(result.file))
            return Failed(StoreOutcome::WriteFailed, result.file, std::move(result.keptAside));
        result.outcome = result.file ? StoreOutcome::Stored : StoreOutcome::StoredNotDurable;
    }
    result.bytes = std::move(bytes);
    result.values = std::move(values);
    return result;
}

} // namespace

StoreResult WriteSegmentModel(const SegmentModel& model, const DeviceFileSystem& files,
                              std::chrono::system_clock::time_point now) {
    const auto values = SingleValues(model);
    // Checked before the file is touched: a gauge that reads "nan" or "inf" would measure nonsense.
    for (float value : values)
        if (!std::isfinite(value))
            return Failed(StoreOutcome::NonFiniteValue);
    return Store(files, now, [&values](ParameterFile& table, std::size_t index) {
        return table.SetValue(SegmentModelKeys[index], values[index]);
    });
}

StoreResult WriteParameterTexts(const std::array<std::string, SegmentModelKeys.size()>& texts,
                                const DeviceFileSystem& files, std::chrono::system_clock::time_point now) {
    for (const auto& text : texts)
        if (!ParameterFile::IsGaugeReadableText(text))
            return Failed(StoreOutcome::NonFiniteValue);
    return Store(files, now, [&texts](ParameterFile& table, std::size_t index) {
        table.SetText(SegmentModelKeys[index], texts[index]);
        return true;
    });
}

std::array<std::string, SegmentModelKeys.size()> SegmentModelTexts(const SegmentModel& model) {
    std::array<std::string, KeyCount> texts;
    const auto values = SingleValues(model);
    for (std::size_t index = 0; index < KeyCount; ++index)
        if (std::isfinite(values[index]))
            texts[index] = ParameterFile::FormatValue(values[index]);
    return texts;
}

} // namespace slabcal

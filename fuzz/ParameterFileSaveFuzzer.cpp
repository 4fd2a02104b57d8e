// Any bytes as the parameter file, then the save of the sixteen calibration values: the table reads what
// the reading rules read, the save keeps every entry whole and stores the sixteen keys, and a second save
// of the same values leaves the file alone.
#include "FuzzDevice.h"
#include "ReferenceParameterFile.h"
#include "Require.h"
#include "storage/ParameterFile.h"
#include "storage/WriteSegmentModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace slabcal {
namespace {

// The sixteen values as the save stores them, in its order.
bool SetSixteen(reference::Entries& entries, const SegmentModel& model) {
    bool changed = false;
    const auto set = [&](const std::string& stem, const auto& numbers) {
        for (std::size_t i = 0; i < numbers.size(); ++i)
            changed |= reference::Set(entries, stem + std::to_string(i), static_cast<float>(numbers[i]));
    };
    set("CurveA", model.CurveA);
    set("CurveB", model.CurveB);
    set("ConsRange", model.ConsRange);
    return changed;
}

void SaveAnyFile(std::string_view input) {
    FuzzDevice device(input);
    const SegmentModel model;

    ParameterFile table(device.Files());
    table.Parse(input);
    reference::Entries expected = reference::Read(input);
    Require(table.Entries() == expected, "the table holds the entries the reading rules find, whole");

    const bool changes = SetSixteen(expected, model);
    const std::size_t changesBefore = device.ChangeCount();
    const StoreResult first = WriteSegmentModel(model, device.Files());
    Require(first.outcome == (changes ? StoreOutcome::Stored : StoreOutcome::Unchanged),
            "a save stores when a value changes and reports the file unchanged otherwise");
    if (changes) {
        Require(device.ParameterFileBytes() == reference::Write(expected),
                "the saved file holds every entry whole and the sixteen values");
    } else {
        Require(device.ChangeCount() == changesBefore, "a save without a change does not touch the device");
        Require(device.ParameterFileBytes() == input, "a file without a change keeps its bytes");
    }

    const std::string saved = device.ParameterFileBytes();
    const std::size_t changesAfterFirst = device.ChangeCount();
    const StoreResult second = WriteSegmentModel(model, device.Files());
    Require(second.outcome == StoreOutcome::Unchanged, "a second save of the same values changes nothing");
    Require(device.ChangeCount() == changesAfterFirst && device.ParameterFileBytes() == saved,
            "a second save of the same values does not rewrite the file");
    Require(device.OpenDescriptors() == 0, "every descriptor is closed");
}

} // namespace
} // namespace slabcal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    slabcal::SaveAnyFile({reinterpret_cast<const char*>(data), size});
    return 0;
}

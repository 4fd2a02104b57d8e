// Any bytes as the parameter file, then the save of the sixteen calibration values: the table reads what
// the reading rules read, the save keeps every entry whole and stores the sixteen keys where the gauge
// reads them (or refuses, untouched, where it would not), and a second save of the same values leaves the
// file alone.
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
    const std::string written = reference::Write(expected);
    // Left alone when no value changed and the gauge reads the file as it stands; refused untouched when
    // the gauge would not read every value from the file a save would write (behind its 49 entries).
    const bool leftAlone = !changes && reference::GaugeSees(input, expected, SegmentModelKeys);
    const bool hidden = !leftAlone && !reference::GaugeSees(written, expected, SegmentModelKeys);
    const std::size_t changesBefore = device.ChangeCount();
    const StoreResult first = WriteSegmentModel(model, device.Files());
    Require(first.outcome == (leftAlone ? StoreOutcome::Unchanged
                              : hidden  ? StoreOutcome::HiddenFromGauge
                                        : StoreOutcome::Stored),
            "a save stores when the gauge would read a value otherwise, reports the file unchanged when it "
            "reads them all, and refuses when it would not read them from the new file");
    if (first.outcome == StoreOutcome::Stored) {
        Require(device.ParameterFileBytes() == written,
                "the saved file holds every entry whole and the sixteen values");
    } else {
        Require(device.ChangeCount() == changesBefore, "a save without a change does not touch the device");
        Require(device.ParameterFileBytes() == input, "a file without a change keeps its bytes");
    }

    const std::string saved = device.ParameterFileBytes();
    const std::size_t changesAfterFirst = device.ChangeCount();
    const StoreResult second = WriteSegmentModel(model, device.Files());
    Require(second.outcome == (hidden ? StoreOutcome::HiddenFromGauge : StoreOutcome::Unchanged),
            "a second save of the same values changes nothing");
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

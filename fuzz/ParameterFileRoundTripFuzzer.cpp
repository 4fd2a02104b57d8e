// Load, change one key, write, load again: every other entry reads back unchanged, byte for byte, the file
// is rewritten when and only when the value changed, and a second save of the same value leaves it alone.
//
// Input: one byte choosing the key, four bytes of a float (host order, any bits, NaN and infinities
// included), then the parameter file's bytes.
#include "FuzzDevice.h"
#include "ReferenceParameterFile.h"
#include "Require.h"
#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace slabcal {
namespace {

constexpr std::size_t HeaderSize = 5;
constexpr std::array<std::string_view, 16> SixteenKeys{
    "CurveA0", "CurveA1", "CurveA2", "CurveA3", "CurveA4",    "CurveA5",    "CurveB0",    "CurveB1",
    "CurveB2", "CurveB3", "CurveB4", "CurveB5", "ConsRange0", "ConsRange1", "ConsRange2", "ConsRange3"};

// Choices below 16 name one of the calibration's keys; the others one of the file's own entries.
std::string ChooseKey(std::uint8_t choice, const reference::Entries& entries) {
    if (choice < SixteenKeys.size() || entries.empty())
        return std::string(SixteenKeys[choice % SixteenKeys.size()]);
    return entries[(choice - SixteenKeys.size()) % entries.size()].key;
}

void RoundTrip(std::uint8_t choice, float value, std::string_view file) {
    FuzzDevice device(file);
    const std::string path(ParameterFilePath);

    ParameterFile first(device.Files());
    Require(static_cast<bool>(first.Load(path)), "a readable file loads");
    reference::Entries expected = first.Entries();
    const std::string key = ChooseKey(choice, expected);

    if (!std::isfinite(value)) {
        Require(!first.SetValue(key, value), "a value that is not finite is refused");
        Require(!first.Modified() && first.Entries() == expected, "a refused value changes nothing");
        const std::size_t changesBefore = device.ChangeCount();
        Require(static_cast<bool>(first.Flush()) && device.ChangeCount() == changesBefore,
                "nothing is written after a refused value");
        return;
    }

    const bool changes = reference::Set(expected, key, value);
    Require(first.SetValue(key, value), "a finite value is taken");
    Require(first.Modified() == changes, "the table is modified when and only when the value changed");
    const std::size_t changesBefore = device.ChangeCount();
    Require(static_cast<bool>(first.Flush()), "the save succeeds");
    Require((device.ChangeCount() != changesBefore) == changes,
            "the file is rewritten when and only when the value changed");
    Require(device.ParameterFileBytes() == (changes ? reference::Write(expected) : std::string(file)),
            "the file holds exactly the entries, or is left as it was");

    ParameterFile second(device.Files());
    Require(static_cast<bool>(second.Load(path)), "the saved file loads");
    Require(second.Entries() == expected, "every other entry reads back unchanged, byte for byte");

    ParameterFile third(device.Files());
    Require(static_cast<bool>(third.Load(path)) && third.SetValue(key, value),
            "the same value is taken again");
    const std::size_t changesAfterFirst = device.ChangeCount();
    Require(!third.Modified() && static_cast<bool>(third.Flush()) &&
                device.ChangeCount() == changesAfterFirst,
            "a second save with the same value does not rewrite the file");
    Require(device.OpenDescriptors() == 0, "every descriptor is closed");
}

} // namespace
} // namespace slabcal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < slabcal::HeaderSize)
        return 0;
    float value = 0;
    std::memcpy(&value, data + 1, sizeof value);
    slabcal::RoundTrip(
        data[0], value,
        {reinterpret_cast<const char*>(data) + slabcal::HeaderSize, size - slabcal::HeaderSize});
    return 0;
}

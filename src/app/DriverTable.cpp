#include "app/DriverTable.h"

#include "drivers/chardev/CharacterDeviceDriverEntry.h"
#include "drivers/iio/IioDriverEntry.h"
#include "drivers/simulated/SimulatedDriverEntry.h"

#include <array>

namespace slabcal {
namespace {

std::optional<std::string> AcceptNone(std::string_view given) {
    if (given == "none")
        return std::string();
    return std::nullopt;
}

MadeDriver MakeNone(const DriverRequest&) {
    return {};
}

} // namespace

constinit const DriverEntry NoDriverEntry{.name = "none",
                                          .form = "none",
                                          .description = "no driver, as on a board without one",
                                          .accept = AcceptNone,
                                          .make = MakeNone};

std::span<const DriverEntry* const> ConverterDrivers() {
    static constexpr std::array<const DriverEntry*, 4> drivers{&SimulatedDriverEntry, &NoDriverEntry,
                                                               &IioDriverEntry, &CharacterDeviceDriverEntry};
    return drivers;
}

} // namespace slabcal

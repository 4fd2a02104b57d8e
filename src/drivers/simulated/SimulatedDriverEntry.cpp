#include "drivers/simulated/SimulatedDriverEntry.h"

#include "drivers/simulated/SimulatedGauge.h"

#include <array>

namespace slabcal {
namespace {

constexpr std::string_view ControlOption = "--sim-control";

constexpr std::array Options{DriverOption{
    ControlOption, "FILE", "key=value settings of the simulated gauge, re-read when FILE changes"}};

std::optional<std::string> Accept(std::string_view given) {
    if (given == "sim")
        return std::string();
    return std::nullopt;
}

MadeDriver Make(const DriverRequest& request) {
    auto gauge = std::make_shared<SimulatedGauge>();
    if (const std::string control = request.Option(ControlOption); !control.empty())
        gauge->WatchControlFile(control);
    return {gauge, {}, "sim"};
}

} // namespace

constinit const DriverEntry SimulatedDriverEntry{.name = "sim",
                                                 .form = "sim",
                                                 .description = "the simulated gauge, with its panel",
                                                 .options = Options,
                                                 .accept = Accept,
                                                 .make = Make};

} // namespace slabcal

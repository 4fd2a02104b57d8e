#pragma once

#include "platform/StreamDriver.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace slabcal {

// An option of the command line that belongs to one converter driver, such as --sim-control FILE.
struct DriverOption {
    std::string_view name;        // "--sim-control"
    std::string_view valueName;   // "FILE"
    std::string_view description; // for --help
};

// What the command line asks of the chosen driver: the part of the --device value the driver reads, and
// the values of its own options that were given.
struct DriverRequest {
    std::string argument; // "ads1256" of iio:ads1256, "/dev/spa1"; empty for sim
    std::map<std::string, std::string, std::less<>> options;

    // The option's value; empty when it was not given.
    [[nodiscard]] std::string Option(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::string() : found->second;
    }
};

// The converter a request made, or the one line that says why it cannot be had. Neither: run without a
// converter, as on a board without the driver.
struct MadeDriver {
    std::shared_ptr<StreamDriver> driver;
    std::string error;
    std::string description; // the device behind the driver, for diagnostics ("iio:ads1256", "/dev/spa1")
};

// One converter driver as the command line knows it. Each driver's folder defines its entry; start-up
// holds the list of them, builds --device, the drivers' options and --help from it, and binds what the
// chosen entry makes to "SPA1:".
struct DriverEntry {
    std::string_view name;        // the driver's name, which a face may look its own extras up by ("sim")
    std::string_view form;        // as the operator types it after --device: "sim", "iio:NAME", "/dev/NODE"
    std::string_view description; // one line for --help
    std::span<const DriverOption> options = {};
    // The request's argument when the --device value names this driver; nothing when it names another.
    std::optional<std::string> (*accept)(std::string_view given) = nullptr;
    // Why the request cannot name a converter, seen from the command line alone; nothing when it can.
    std::optional<std::string> (*check)(const DriverRequest& request) = nullptr;
    MadeDriver (*make)(const DriverRequest& request) = nullptr;
};

} // namespace slabcal

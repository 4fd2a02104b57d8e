#include "app/qt/DriverPanel.h"

#include "calibration/PointTable.h"
#include "drivers/simulated/SimulatedDriverEntry.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "drivers/simulated/qt/SimulatorPanel.h"

#include <array>
#include <string_view>
#include <utility>

namespace slabcal {
namespace {

using PanelMaker = std::unique_ptr<QWidget> (*)(const std::shared_ptr<StreamDriver>& driver);

std::unique_ptr<QWidget> SimulatorPanelOf(const std::shared_ptr<StreamDriver>& driver) {
    auto gauge = std::dynamic_pointer_cast<SimulatedGauge>(driver);
    if (!gauge)
        return nullptr;
    return std::make_unique<SimulatorPanel>(std::move(gauge), points::Heights);
}

} // namespace

std::unique_ptr<QWidget> DriverPanel(const DriverEntry& entry, const std::shared_ptr<StreamDriver>& driver) {
    // Every driver with a panel of its own, by its name.
    const std::array<std::pair<std::string_view, PanelMaker>, 1> panels{
        {{SimulatedDriverEntry.name, &SimulatorPanelOf}}};
    for (const auto& [name, make] : panels)
        if (name == entry.name)
            return make(driver);
    return nullptr;
}

} // namespace slabcal

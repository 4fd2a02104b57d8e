#pragma once

#include "platform/DriverEntry.h"

#include <QWidget>

#include <memory>

namespace slabcal {

// The window a converter driver shows beside the dialog, looked up by the driver's name: the simulated
// gauge's panel. Nothing for a driver without one.
[[nodiscard]] std::unique_ptr<QWidget> DriverPanel(const DriverEntry& entry,
                                                   const std::shared_ptr<StreamDriver>& driver);

} // namespace slabcal

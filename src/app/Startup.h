#pragma once

#include "acquisition/SamplingPacing.h"

#include <memory>

namespace slabcal {

class Application;
class CalibrationWorksheet;

// The application's start-up routine: checks that the AD converter answers, then runs the calibration
// dialog of `worksheet` modally as the main window; the process ends after it.
void RunCalibration(Application& application, const std::shared_ptr<CalibrationWorksheet>& worksheet,
                    SamplingPacing pacing = {});

} // namespace slabcal

#pragma once

#include "acquisition/SamplingPacing.h"

#include <memory>

namespace slabcal {

class Application;
class CalibrationWorksheet;

// The application's start-up routine: checks that the AD converter answers, offers back a worksheet an
// earlier run kept and never wrote, then runs the calibration dialog of `worksheet` modally as the main
// window, keeping the worksheet on the device after every change; the process ends after it.
void RunCalibration(Application& application, const std::shared_ptr<CalibrationWorksheet>& worksheet,
                    SamplingPacing pacing = {});

} // namespace slabcal

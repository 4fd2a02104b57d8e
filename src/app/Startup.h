#pragma once

#include "acquisition/SamplingPacing.h"

namespace slabcal {

class Application;
class DeviceFileSystem;
struct SegmentModel;

// The application's start-up routine: checks that the AD converter answers, then runs the calibration
// dialog modally as the main window. Returns false: no message loop follows, the process ends.
bool RunCalibration(Application& application, DeviceFileSystem& files, SegmentModel& model,
                    SamplingPacing pacing = {});

} // namespace slabcal

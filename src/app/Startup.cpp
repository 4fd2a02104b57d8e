#include "app/Startup.h"

#include "acquisition/AdcDevice.h"
#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "platform/ApplicationMessageBox.h"
#include "texts/Texts.h"

namespace slabcal {

bool RunCalibration(Application& application, DeviceFileSystem& files, SegmentModel& model,
                    SamplingPacing pacing) {
    OpenDevice();
    if (InitConverter() == 0)
        ApplicationMessageBox(texts::AdInitializationError);
    CloseDevice();

    {
        CalibrationDialog dialog(model, files, application.Name(), pacing);
        application.SetMainWindow(&dialog);
        dialog.DoModal(application.Backend());
        application.SetMainWindow(nullptr);
    }
    return false;
}

} // namespace slabcal

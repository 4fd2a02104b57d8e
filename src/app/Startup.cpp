#include "app/Startup.h"

#include "acquisition/AdcDevice.h"
#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "platform/ApplicationMessageBox.h"
#include "texts/Texts.h"

namespace slabcal {

void RunCalibration(Application& application, const std::shared_ptr<CalibrationWorksheet>& worksheet,
                    SamplingPacing pacing) {
    OpenDevice();
    if (InitConverter() == 0)
        ApplicationMessageBox(texts::AdInitializationError);
    CloseDevice();

    {
        CalibrationDialog dialog(worksheet, application.Name(), pacing);
        application.SetMainWindow(&dialog);
        dialog.DoModal(application.Backend());
        application.SetMainWindow(nullptr);
    }
}

} // namespace slabcal

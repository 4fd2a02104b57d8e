#include "app/Startup.h"

#include "acquisition/AdcDevice.h"
#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "platform/ApplicationMessageBox.h"
#include "texts/Texts.h"
#include "worksheet/WorksheetDraft.h"

namespace slabcal {

void RunCalibration(Application& application, const std::shared_ptr<CalibrationWorksheet>& worksheet,
                    SamplingPacing pacing) {
    OpenDevice();
    if (InitConverter() == 0)
        ApplicationMessageBox(texts::AdInitializationError);
    CloseDevice();

    // A table an earlier run recorded and never wrote is offered back before the dialog shows the worksheet;
    // from then on the worksheet is kept on the device after every change.
    OfferWorksheetDraft(
        *worksheet,
        [&application](const std::string& question) {
            return application.Backend().AskApplicationQuestion(texts::NoticeCaption, question) != IdNo;
        },
        [](const std::string& text) { ApplicationMessageBox(text); });
    const WorksheetDraft draft(*worksheet);
    CalibrationDialog dialog(worksheet, application.Name(), pacing);
    application.SetMainWindow(&dialog);
    dialog.DoModal(application.Backend());
    application.SetMainWindow(nullptr);
}

} // namespace slabcal

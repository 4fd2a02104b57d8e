#include "calibration/CalibrationDialog.h"

#include "acquisition/AdcDevice.h"
#include "calibration/DialogSamplingView.h"
#include "calibration/PointTable.h"
#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"
#include "fitting/SegmentTable.h"
#include "platform/ApplicationMessageBox.h"
#include "resources/ControlIds.h"
#include "resources/Icon128.h"
#include "resources/Template102.h"
#include "storage/SaveStep.h"
#include "texts/Texts.h"

#include <array>
#include <cmath>

namespace slabcal {

CalibrationDialog::CalibrationDialog(SegmentModel& segmentModel, DeviceFileSystem& deviceFiles,
                                     std::string messageCaption, SamplingPacing pacing)
    : Dialog(Template102()), model(segmentModel), files(deviceFiles),
      currentRow(std::make_shared<std::atomic<int32_t>>(0)),
      view(std::make_shared<DialogSamplingView>(std::move(messageCaption))), worker(view, currentRow, pacing),
      appIcon(Icon128()) {}

CalibrationDialog::~CalibrationDialog() {
    EndSampling();
}

bool CalibrationDialog::OnInitDialog() {
    DialogWindow& window = Window();
    window.SetIcon(IconSize::Large, appIcon);
    window.SetIcon(IconSize::Small, appIcon);

    for (auto height : points::Heights)
        window.ComboAddString(ids::HeightBox, height);
    window.ComboSetCurSel(ids::HeightBox, 0);

    window.ListSetExtendedStyle(ids::PointList,
                                window.ListGetExtendedStyle(ids::PointList) | style::ListExFullRowSelect);
    window.ListInsertColumn(ids::PointList, points::NumberColumn, texts::NumberColumn, 60);
    window.ListInsertColumn(ids::PointList, points::HeightColumn, texts::HeightColumn, 80);
    window.ListInsertColumn(ids::PointList, points::SignalColumn, texts::SignalColumn, 100);
    for (int row = 0; row < points::RowCount; ++row)
        window.ListInsertItem(ids::PointList, row, std::to_string(row + 1));

    OpenDevice();
    view->Attach(Bridge());
    worker.StartSampling();
    return true;
}

void CalibrationDialog::DoDataExchange(DataExchange& exchange) {
    exchange.ComboIndex(ids::HeightBox, *currentRow);
}

bool CalibrationDialog::OnCommand(int id, Notification notification) {
    static constexpr std::array<CommandBinding<CalibrationDialog>, 6> bindings{{
        {ids::SavePointButton, Notification::Clicked, &CalibrationDialog::OnSavePoint},
        {ids::WriteParametersButton, Notification::Clicked, &CalibrationDialog::OnWriteParameters},
        {ids::ToggleButton, Notification::Clicked, &CalibrationDialog::ToggleAutoSampling},
        {ids::UpButton, Notification::Clicked, nullptr},
        {ids::DownButton, Notification::Clicked, nullptr},
        {ids::HeightBox, Notification::SelectionChanged, nullptr},
    }};
    return DispatchCommand<CalibrationDialog>(bindings, *this, id, notification);
}

void CalibrationDialog::OnCommandFailed(int id, std::string_view) {
    // Whatever was not finished is not reported as done, and what was is not reported as failed: a write
    // that threw after the file was stored says so.
    EnableItem(ids::SavePointButton, true);
    ApplicationMessageBox(id == ids::WriteParametersButton ? BrokenOffSaveText(saveStep)
                                                           : texts::CommandFailed);
}

void CalibrationDialog::ToggleAutoSampling() {
    if (worker.ToggleAutoSampling() == 1) {
        SetItemText(ids::ToggleButton, texts::ManualCaption);
    } else {
        SetItemText(ids::ToggleButton, texts::AutomaticCaption);
        SetItemText(ids::SignalField, "0");
    }
    SetItemText(ids::StatusLine, "");
}

void CalibrationDialog::OnSavePoint() {
    DialogWindow& window = Window();
    window.Enable(ids::SavePointButton, false);
    UpdateData(true);

    const int32_t row = *currentRow;
    const std::string signal = window.GetText(ids::SignalField);
    window.ListSetItemText(ids::PointList, row, points::HeightColumn, window.GetText(ids::HeightBox));
    window.ListSetItemText(ids::PointList, row, points::SignalColumn, signal);
    if (auto boundary = segments::BoundaryIndexOfRow(row)) {
        // Stored as the parameter file will hold it: in single precision. A number beyond that range never
        // enters the model; the write command refuses the row by its text.
        if (const float single = RoundToSingle(ReadDecimalPrefix(signal)); std::isfinite(single))
            model.ConsRange[static_cast<std::size_t>(*boundary)] = static_cast<double>(single);
    }
    if (row < points::RowCount)
        *currentRow = row + 1;

    UpdateData(false);
    window.Enable(ids::SavePointButton, true);
    window.SetFocus(ids::SignalField);
    window.SetText(ids::StatusLine, "");
}

void CalibrationDialog::OnEndModal() {
    EndSampling();
}

void CalibrationDialog::EndSampling() {
    worker.EndSampling();
    CloseDevice();
}

void CalibrationDialog::ShowNotice(const std::string& text) {
    MessageBox(text, texts::NoticeCaption, MessageBoxButtons::Ok);
}

} // namespace slabcal

#include "calibration/CalibrationDialog.h"

#include "acquisition/AdcDevice.h"
#include "calibration/DialogSamplingView.h"
#include "calibration/PointTable.h"
#include "platform/ApplicationMessageBox.h"
#include "resources/ControlIds.h"
#include "resources/Icon128.h"
#include "resources/Template102.h"
#include "texts/Texts.h"

#include <array>

namespace slabcal {

static_assert(points::Heights.size() == CalibrationRowCount);

CalibrationDialog::CalibrationDialog(std::shared_ptr<CalibrationWorksheet> sheet, std::string messageCaption,
                                     SamplingPacing pacing)
    : Dialog(Template102()), worksheet(std::move(sheet)),
      view(std::make_shared<DialogSamplingView>(std::move(messageCaption), worksheet->Live())),
      worker(view, worksheet->CurrentRowCell(), pacing), appIcon(Icon128()) {}

CalibrationDialog::CalibrationDialog(SegmentModel& model, const DeviceFileSystem& files,
                                     std::string messageCaption, SamplingPacing pacing)
    : CalibrationDialog(std::make_shared<CalibrationWorksheet>(model, files), std::move(messageCaption),
                        pacing) {}

CalibrationDialog::~CalibrationDialog() {
    EndSampling();
}

bool CalibrationDialog::OnInitDialog() {
    DialogWindow& window = Window();
    window.SetIcon(IconSize::Large, appIcon);
    window.SetIcon(IconSize::Small, appIcon);

    for (auto height : points::Heights)
        window.ComboAddString(ids::HeightBox, height);
    // Row 0 ("40") on a new worksheet; a worksheet taken back goes on where it stood.
    window.ComboSetCurSel(ids::HeightBox, worksheet->CurrentRow());

    window.ListSetExtendedStyle(ids::PointList,
                                window.ListGetExtendedStyle(ids::PointList) | style::ListExFullRowSelect);
    window.ListInsertColumn(ids::PointList, points::NumberColumn, texts::NumberColumn, 60);
    window.ListInsertColumn(ids::PointList, points::HeightColumn, texts::HeightColumn, 80);
    window.ListInsertColumn(ids::PointList, points::SignalColumn, texts::SignalColumn, 100);
    for (int row = 0; row < points::RowCount; ++row) {
        window.ListInsertItem(ids::PointList, row, std::to_string(row + 1));
        if (worksheet->Row(row).measuredOn) // a worksheet taken back shows its rows
            ShowRow(row);
    }
    shown = worksheet->Subscribe([this](const WorksheetEvent& event) {
        if (!HasWindow())
            return;
        if (event.change == WorksheetChange::RowSaved)
            ShowRow(event.row);
        if (event.change == WorksheetChange::TableReplaced)
            for (int row = 0; row < points::RowCount; ++row)
                ShowRow(row);
    });

    // A converter that is not there at the start is as lost as one that goes later: it can be reconnected.
    if (!OpenDevice())
        worksheet->Live()->Lost();
    view->Attach(Bridge());
    worker.StartSampling();
    worksheet->Live()->OfferReconnect([this] { return ReconnectConverter(); });
    return true;
}

bool CalibrationDialog::ReconnectConverter() {
    worker.StopSampling();
    CloseDevice();
    if (!OpenDevice()) {
        worksheet->Live()->Lost();
        return false;
    }
    if (InitConverter() == 0) {
        ApplicationMessageBox(texts::AdInitializationError);
        CloseDevice();
        worksheet->Live()->Lost();
        return false;
    }
    SetItemText(ids::StatusLine, "");
    if (worker.AutoSampling() == 1)
        worker.StartSampling();
    return true;
}

void CalibrationDialog::ShowRow(int row) {
    const PointText& point = worksheet->Row(row).point;
    Window().ListSetItemText(ids::PointList, row, points::HeightColumn, point.height);
    Window().ListSetItemText(ids::PointList, row, points::SignalColumn, point.signal);
}

void CalibrationDialog::DoDataExchange(DataExchange& exchange) {
    exchange.ComboIndex(ids::HeightBox, *worksheet->CurrentRowCell());
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
    // Whatever was not finished is not reported as done. A failure that leaves the write command came
    // before the file was stored: the save sequence reports one after it as how far the save came.
    EnableItem(ids::SavePointButton, true);
    ApplicationMessageBox(id == ids::WriteParametersButton ? texts::ParameterFileWriteFailed
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
    // The selection read and the rule are the worksheet's; its change puts the texts into the cells.
    worksheet->SavePoint(window.ComboGetCurSel(ids::HeightBox), window.GetText(ids::HeightBox),
                         window.GetText(ids::SignalField));
    UpdateData(false);
    window.Enable(ids::SavePointButton, true);
    window.SetFocus(ids::SignalField);
    window.SetText(ids::StatusLine, "");
}

void CalibrationDialog::OnEndModal() {
    EndSampling();
}

void CalibrationDialog::EndSampling() {
    worksheet->Live()->OfferReconnect(nullptr);
    worker.EndSampling();
    CloseDevice();
}

void CalibrationDialog::ShowNotice(const std::string& text) {
    MessageBox(text, texts::NoticeCaption, MessageBoxButtons::Ok);
}

} // namespace slabcal

#pragma once

#include "acquisition/SamplingWorker.h"
#include "fitting/SegmentModel.h"
#include "framework/Dialog.h"
#include "worksheet/CalibrationWorksheet.h"
#include "worksheet/SaveFace.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace slabcal {

class DeviceFileSystem;
class DialogSamplingView;

// The calibration dialog (template 102): the face of a calibration worksheet that the operator works
// with. It shows the live signal, the fifteen-row point table (the cells show the worksheet's rows) and
// runs the save-point command and the write command on the worksheet, answering its questions with the
// dialog's own boxes.
class CalibrationDialog final : public Dialog, private WriteFace {
public:
    // The dialog of `worksheet`, which outlives it. `messageCaption` is the caption of the worker's message
    // box, the application's name.
    CalibrationDialog(std::shared_ptr<CalibrationWorksheet> worksheet, std::string messageCaption,
                      SamplingPacing pacing = {});
    // The same over a worksheet of its own on `model` and `files`.
    CalibrationDialog(SegmentModel& model, const DeviceFileSystem& files, std::string messageCaption,
                      SamplingPacing pacing = {});
    ~CalibrationDialog() override;

    // Button 1004 "保存": the selected height and the shown signal go into their row.
    void OnSavePoint();
    // Button 1003 "参数写入文件": fit, store, back up.
    void OnWriteParameters();
    // Fits the six segments from the point table into the model; 1 when all six were stored, 0 when the
    // operator declined a segment or the points could not be fitted (nothing may be written then).
    [[nodiscard]] int ComputeSegmentModel();

    [[nodiscard]] const CalibrationWorksheet& Worksheet() const { return *worksheet; }
    [[nodiscard]] int32_t CurrentRow() const { return worksheet->CurrentRow(); }
    [[nodiscard]] SamplingWorker& Worker() { return worker; }

    // Opens the converter anew, as at start-up, after it was lost (a pulled cable put back, a driver
    // reloaded): closes it, opens and initialises it (their boxes on failure) and samples again in automatic
    // mode. The table, the selected height and the mode stay as they are. True when the converter came back.
    bool ReconnectConverter();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int id, Notification notification) override;
    void OnEndModal() override;
    void OnCommandFailed(int id, std::string_view reason) override;

private:
    // The write command's questions and reports, as the dialog's boxes and status line.
    void InvalidRow(int row) override;
    void FitFailed(int segment) override;
    [[nodiscard]] bool KeepOverLimit(int segment, const SegmentFit& fit) override;
    void StoreFailed(const StoreResult& stored) override;
    void Warning(std::string_view text) override;
    void Notice(std::string_view text) override;
    void Finished(const StoreResult& stored) override;
    void Recorded(std::string_view name) override;
    void RecordFailed(std::string_view why) override;
    void BrokenOff(SaveStep step, std::string_view why) override;

    // The worksheet's row in the table's cells.
    void ShowRow(int row);
    void ShowNotice(const std::string& text);
    void ToggleAutoSampling();
    // Stops the worker and closes the device: the worker never outlives the dialog's run.
    void EndSampling();

    const std::shared_ptr<CalibrationWorksheet> worksheet;
    std::shared_ptr<DialogSamplingView> view;
    SamplingWorker worker;
    IconResource appIcon;
    CalibrationWorksheet::Subscription shown;
};

} // namespace slabcal

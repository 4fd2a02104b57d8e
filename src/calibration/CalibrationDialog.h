#pragma once

#include "acquisition/SamplingWorker.h"
#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"
#include "framework/Dialog.h"
#include "storage/SaveStep.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace slabcal {

class DeviceFileSystem;
struct StoreResult;
class DialogSamplingView;

// The calibration dialog (template 102): the live signal, the fifteen-row point table, the save-point
// command and the write command that fits the segments and stores them in the parameter file.
class CalibrationDialog final : public Dialog {
public:
    // `model` is the segment model the commands work on; `files` the device's disk. `messageCaption` is
    // the caption of the worker's message box, the application's name.
    CalibrationDialog(SegmentModel& model, DeviceFileSystem& files, std::string messageCaption,
                      SamplingPacing pacing = {});
    ~CalibrationDialog() override;

    // Button 1004 "保存": the selected height and the shown signal go into their row.
    void OnSavePoint();
    // Button 1003 "参数写入文件": fit, store, back up.
    void OnWriteParameters();
    // Fits the six segments from the point table into the model; 1 when all six were stored, 0 when the
    // operator declined a segment or the points could not be fitted (nothing may be written then).
    [[nodiscard]] int ComputeSegmentModel();

    // The fifteen rows' height and signal texts as the point table shows them now.
    [[nodiscard]] CalibrationPoints TablePoints() const;

    [[nodiscard]] int32_t CurrentRow() const { return *currentRow; }
    [[nodiscard]] SamplingWorker& Worker() { return worker; }
    [[nodiscard]] const SegmentModel& Model() const { return model; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int id, Notification notification) override;
    void OnEndModal() override;
    void OnCommandFailed(int id, std::string_view reason) override;

private:
    // What the last computation fitted, for the record of the save that follows it.
    struct ComputedTable {
        CalibrationPoints points;
        std::array<std::optional<SegmentFit>, segments::Count> fits;
        std::array<bool, segments::Count> forced{}; // kept past the deviation question
    };

    // Stores the record of a save that succeeded; false when it could not be stored.
    [[nodiscard]] bool RecordSave(const StoreResult& stored, bool backedUp) const;
    // The first row the fit refuses, or a boundary row whose signal in the model is not finite.
    [[nodiscard]] std::optional<int> FirstInvalidRow(const CalibrationPoints& table) const;
    void ShowNotice(const std::string& text);
    void ToggleAutoSampling();
    // Stops the worker and closes the device: the worker never outlives the dialog's run.
    void EndSampling();

    SegmentModel& model;
    DeviceFileSystem& files;
    ComputedTable computed;
    SaveStep saveStep = SaveStep::Store; // how far the write command came, for a failure it throws
    std::shared_ptr<std::atomic<int32_t>> currentRow;
    std::shared_ptr<DialogSamplingView> view;
    SamplingWorker worker;
    IconResource appIcon;
};

} // namespace slabcal

#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"
#include "platform/DeviceFileSystem.h"
#include "records/CalibrationRecord.h"
#include "worksheet/LiveSignal.h"
#include "worksheet/SaveFace.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

namespace slabcal {

// One row of the table as the operator saved it.
struct WorksheetRow {
    PointText point; // the height and signal texts exactly as saved; empty until the row is saved
    // The converter range the saved signal was measured on: the range the sampling worker had chosen from
    // the current row before the save (a height chosen by hand and saved at once is measured on the other
    // range). Nothing until the row is saved.
    std::optional<ConverterRange> measuredOn;
    // The live signals before the save, when the saved signal was the live one: its repeatability. None
    // for a signal typed by hand.
    std::optional<SignalSpread> spread;

    friend bool operator==(const WorksheetRow&, const WorksheetRow&) = default;
};

// Everything one calibration is, apart from what is computed from it: the rows, the row the next save
// writes, and the boundary signals the saves captured. What a kept draft holds.
struct WorksheetState {
    std::array<WorksheetRow, CalibrationRowCount> rows;
    std::int32_t currentRow = 0;
    std::array<double, segments::BoundaryCount> boundarySignals = SegmentModel{}.ConsRange;

    [[nodiscard]] int SavedRowCount() const;

    friend bool operator==(const WorksheetState&, const WorksheetState&) = default;
};

// What changed in a worksheet.
enum class WorksheetChange : std::uint8_t {
    RowSaved,      // a save-point command wrote a row (`row`)
    TableReplaced, // the whole table was replaced (a kept draft taken back, a points file read)
    Written,       // a write stored the parameter file (`outcome`)
};
struct WorksheetEvent {
    WorksheetChange change = WorksheetChange::RowSaved;
    int row = -1;
    WriteOutcome outcome = WriteOutcome::Stored;
};

// The calibration worksheet: the one home of a calibration while it is being recorded. It owns the
// fifteen rows' texts as the operator saved them, the row the next save writes (shared with the sampling
// worker, which picks the converter's range from it), the live signal, and the rules the dialog has always
// followed: the save-point command's and the write command's (checks, fits, the deviation question, the
// model, the store, the backup copy, the record). The dialog, the command line and the curve window are
// faces on it; each change is announced to the faces that listen.
//
// Everything but the live signal and the current row's shared cell is for the UI thread alone.
class CalibrationWorksheet final {
public:
    // `model` is the segment model of the run: the saves capture the boundary signals into its ConsRange,
    // a write fits CurveA and CurveB into it. `files` is the device's disk.
    CalibrationWorksheet(SegmentModel& model, const DeviceFileSystem& files);
    CalibrationWorksheet(const CalibrationWorksheet&) = delete;
    CalibrationWorksheet& operator=(const CalibrationWorksheet&) = delete;

    // The row the next save writes, -1 to 15: written on the UI thread (the height box's data exchange
    // and the save-point command), read by the sampling worker every cycle.
    [[nodiscard]] const std::shared_ptr<std::atomic<std::int32_t>>& CurrentRowCell() const {
        return currentRow;
    }
    [[nodiscard]] std::int32_t CurrentRow() const { return currentRow->load(); }
    [[nodiscard]] const std::shared_ptr<LiveSignal>& Live() const { return live; }

    // The rows' texts, as every fit reads them.
    [[nodiscard]] CalibrationPoints Points() const;
    [[nodiscard]] const WorksheetRow& Row(int row) const { return rows[static_cast<std::size_t>(row)]; }
    [[nodiscard]] WorksheetState State() const;
    [[nodiscard]] const SegmentModel& Model() const { return model; }
    [[nodiscard]] const DeviceFileSystem& Files() const { return files; }

    // The save-point command's rule: the selected row (the height box's index, -1 when none) becomes the
    // current row; a row of the table takes the two texts as they stand, and a boundary row's signal, read
    // as a decimal and rounded to single precision, becomes its boundary signal; the current row then
    // moves on (up to 15, one past the table).
    void SavePoint(std::int32_t selectedRow, std::string heightText, std::string signalText);

    // Who calibrates and under which conditions: stated in the record of every write from now on; while
    // none are set, the operator's entries kept on the device (ReadCalibrationConditions) are.
    void SetConditions(CalibrationConditions conditions) { calibrationConditions = std::move(conditions); }
    [[nodiscard]] const CalibrationConditions& Conditions() const { return calibrationConditions; }

    // Replaces the rows, current row and boundary signals at once.
    void Replace(const WorksheetState& state);

    // The write command's computation: the rows checked, the six segments fitted, a segment over the
    // deviation limit put to the face, each segment kept stored in the model as it is accepted. False, with
    // the face told why, when a row is not valid, a segment cannot be fitted or the face declined.
    [[nodiscard]] bool ComputeModel(WriteFace& face);
    // ComputeModel, then the save: the model stored in the parameter file, the backup copy and a record of
    // `kind` with this table's points and fits.
    WriteOutcome Write(WriteFace& face, RecordKind kind = RecordKind::Calibration);
    // The segments the last computation fitted (a segment it did not reach is empty).
    [[nodiscard]] const std::array<std::optional<SegmentFit>, segments::Count>& Fits() const {
        return computed.fits;
    }

    // Calls `listener` after every change, on the thread that made it, until the subscription goes (which
    // must not happen from inside a call).
    class Subscription;
    using Listener = std::function<void(const WorksheetEvent&)>;
    [[nodiscard]] Subscription Subscribe(Listener listener) const;

private:
    // ComputeModel's work: Refused or Declined when it stopped, nothing when the model holds all six.
    [[nodiscard]] std::optional<WriteOutcome> Compute(WriteFace& face);
    // The first row the write refuses: one whose texts do not read as a positive height and signal, or a
    // boundary row whose captured signal is not finite.
    [[nodiscard]] std::optional<int> FirstInvalidRow() const;
    void Announce(const WorksheetEvent& event);

    // What the last computation fitted, for the record of the save that follows it.
    struct Computed {
        CalibrationPoints points;
        std::array<std::optional<SegmentFit>, segments::Count> fits;
        std::array<bool, segments::Count> forced{};
    };

    SegmentModel& model;
    const DeviceFileSystem& files;
    std::array<WorksheetRow, CalibrationRowCount> rows;
    const std::shared_ptr<std::atomic<std::int32_t>> currentRow;
    const std::shared_ptr<LiveSignal> live;
    Computed computed;
    CalibrationConditions calibrationConditions;
    std::shared_ptr<std::list<Listener>> listeners;
};

// Keeps a listener subscribed for as long as it lives.
class CalibrationWorksheet::Subscription final {
public:
    Subscription() = default;
    Subscription(std::weak_ptr<std::list<Listener>> listeners, std::list<Listener>::iterator entry);
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    ~Subscription();

private:
    void Cancel();

    std::weak_ptr<std::list<Listener>> listeners;
    std::list<Listener>::iterator entry;
};

} // namespace slabcal

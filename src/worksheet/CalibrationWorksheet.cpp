#include "worksheet/CalibrationWorksheet.h"

#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"
#include "fitting/TableFit.h"
#include "storage/WriteSegmentModel.h"
#include "worksheet/SaveSequence.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace slabcal {
namespace {

// The spread of the last SettleSampleCount live signals before a save, as the curve window judges them
// settled. While the converter delivers, the worker rewrites the signal field ten times a second, so the
// saved text is one of its signals (one some cycles old: the field trails the worker); with no converter
// live the signal was typed by hand, and has none.
std::optional<SignalSpread> LiveSpread(const LiveSignal& live) {
    const std::vector<std::uint32_t> values = live.Recent(SettleSampleCount);
    if (values.size() < 2)
        return std::nullopt;
    double mean = 0;
    for (const std::uint32_t value : values)
        mean += value;
    mean /= static_cast<double>(values.size());
    double squares = 0;
    for (const std::uint32_t value : values)
        squares += (value - mean) * (value - mean);
    return SignalSpread{static_cast<std::int32_t>(values.size()),
                        std::sqrt(squares / static_cast<double>(values.size() - 1))};
}

} // namespace

int WorksheetState::SavedRowCount() const {
    return static_cast<int>(std::count_if(
        rows.begin(), rows.end(), [](const WorksheetRow& row) { return row.measuredOn.has_value(); }));
}

CalibrationWorksheet::CalibrationWorksheet(SegmentModel& segmentModel, const DeviceFileSystem& deviceFiles)
    : model(segmentModel), files(deviceFiles), currentRow(std::make_shared<std::atomic<std::int32_t>>(0)),
      live(std::make_shared<LiveSignal>()), listeners(std::make_shared<std::list<Listener>>()) {}

CalibrationPoints CalibrationWorksheet::Points() const {
    CalibrationPoints points;
    for (std::size_t row = 0; row < rows.size(); ++row)
        points[row] = rows[row].point;
    return points;
}

WorksheetState CalibrationWorksheet::State() const {
    return {rows, CurrentRow(), model.ConsRange};
}

void CalibrationWorksheet::SavePoint(std::int32_t selectedRow, std::string heightText,
                                     std::string signalText) {
    // The signal on show was measured on the range the worker chose from the row current before this save.
    const ConverterRange measuredOn = segments::RangeOfRow(CurrentRow());
    const std::optional<SignalSpread> spread = LiveSpread(*live);
    currentRow->store(selectedRow);
    const bool inTable = selectedRow >= 0 && selectedRow < CalibrationRowCount;
    if (auto boundary = segments::BoundaryIndexOfRow(selectedRow)) {
        // Kept as the parameter file will hold it, in single precision. A number beyond that range never
        // enters the model; the write refuses the row by its text.
        if (const float single = RoundToSingle(ReadDecimalPrefix(signalText)); std::isfinite(single))
            model.ConsRange[static_cast<std::size_t>(*boundary)] = static_cast<double>(single);
    }
    if (inTable)
        rows[static_cast<std::size_t>(selectedRow)] = {
            {std::move(heightText), std::move(signalText)}, measuredOn, spread};
    if (selectedRow < CalibrationRowCount)
        currentRow->store(selectedRow + 1);
    if (inTable)
        Announce({WorksheetChange::RowSaved, selectedRow});
}

void CalibrationWorksheet::Replace(const WorksheetState& state) {
    rows = state.rows;
    currentRow->store(state.currentRow);
    model.ConsRange = state.boundarySignals;
    Announce({WorksheetChange::TableReplaced});
}

std::optional<int> CalibrationWorksheet::FirstInvalidRow() const {
    std::optional<int> invalid = slabcal::FirstInvalidRow(Points());
    // A boundary signal the model holds must be finite too, whatever the row's text says now.
    for (std::size_t index = 0; index < segments::BoundaryRows.size(); ++index) {
        const int row = segments::BoundaryRows[index];
        if (!std::isfinite(model.ConsRange[index]) && (!invalid || row < *invalid))
            invalid = row;
    }
    return invalid;
}

bool CalibrationWorksheet::ComputeModel(WriteFace& face) {
    return !Compute(face);
}

std::optional<WriteOutcome> CalibrationWorksheet::Compute(WriteFace& face) {
    if (auto row = FirstInvalidRow()) {
        face.InvalidRow(*row);
        return WriteOutcome::Refused;
    }
    const CalibrationPoints points = Points();
    const auto fits = FitTable(points);
    computed = {points, fits, {}};
    for (std::size_t segment = 0; segment < fits.size(); ++segment) {
        const auto& fit = fits[segment];
        // The fit refuses points that do not determine a line (equal signals); nothing that is not a
        // finite number may reach the model.
        if (!fit) {
            face.FitFailed(static_cast<int>(segment));
            return WriteOutcome::Refused;
        }
        if (fit->OverLimit()) {
            if (!face.KeepOverLimit(static_cast<int>(segment), *fit))
                return WriteOutcome::Declined;
            computed.forced[segment] = true;
        }
        model.SetSegment(segment, *fit);
    }
    return std::nullopt;
}

WriteOutcome CalibrationWorksheet::Write(WriteFace& face, RecordKind kind) {
    if (const auto failed = Compute(face))
        return *failed;
    const WriteOutcome outcome = SaveAndRecord(
        files, [this] { return WriteSegmentModel(model, files); }, kind,
        [this](CalibrationRecord& record) {
            record.points = computed.points;
            for (std::size_t row = 0; row < rows.size(); ++row) {
                record.measuredOn[row] = rows[row].measuredOn;
                record.spreads[row] = rows[row].spread;
            }
            record.settings = ReadCalibrationSettings(files);
            record.conditions =
                calibrationConditions.Empty() ? ReadCalibrationConditions(files) : calibrationConditions;
            record.segments = SegmentRecords(computed.fits, computed.forced);
            record.boundarySignals = model.ConsRange;
        },
        face);
    if (outcome != WriteOutcome::StoreFailed)
        Announce({WorksheetChange::Written, -1, outcome});
    return outcome;
}

void CalibrationWorksheet::Announce(const WorksheetEvent& event) {
    for (const Listener& listener : *listeners)
        listener(event);
}

CalibrationWorksheet::Subscription CalibrationWorksheet::Subscribe(Listener listener) const {
    listeners->push_back(std::move(listener));
    return {listeners, std::prev(listeners->end())};
}

CalibrationWorksheet::Subscription::Subscription(std::weak_ptr<std::list<Listener>> list,
                                                 std::list<Listener>::iterator at)
    : listeners(std::move(list)), entry(at) {}

CalibrationWorksheet::Subscription::Subscription(Subscription&& other) noexcept
    : listeners(std::exchange(other.listeners, {})), entry(other.entry) {}

CalibrationWorksheet::Subscription&
CalibrationWorksheet::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        Cancel();
        listeners = std::exchange(other.listeners, {});
        entry = other.entry;
    }
    return *this;
}

CalibrationWorksheet::Subscription::~Subscription() {
    Cancel();
}

void CalibrationWorksheet::Subscription::Cancel() {
    if (auto list = listeners.lock())
        list->erase(entry);
    listeners.reset();
}

} // namespace slabcal

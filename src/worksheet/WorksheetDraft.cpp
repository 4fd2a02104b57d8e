#include "worksheet/WorksheetDraft.h"

#include "records/RecordJson.h"
#include "records/RecordStore.h"
#include "storage/DevicePaths.h"
#include "storage/UnusedName.h"
#include "texts/WorksheetTexts.h"

#include <cerrno>
#include <chrono>
#include <optional>
#include <variant>

namespace slabcal {
namespace {

CalibrationRecord TableRecord(const WorksheetState& state, RecordKind kind) {
    CalibrationRecord record = NewTableRecord(kind, std::chrono::system_clock::now());
    for (std::size_t row = 0; row < state.rows.size(); ++row) {
        record.points[row] = state.rows[row].point;
        record.measuredOn[row] = state.rows[row].measuredOn;
        record.spreads[row] = state.rows[row].spread;
    }
    record.currentRow = state.currentRow;
    record.boundarySignals = state.boundarySignals;
    return record;
}

WorksheetState StateOf(const CalibrationRecord& record) {
    WorksheetState state;
    for (std::size_t row = 0; row < state.rows.size(); ++row)
        state.rows[row] = {record.points[row], record.measuredOn[row], record.spreads[row]};
    state.currentRow = record.currentRow.value_or(0);
    state.boundarySignals = record.boundarySignals;
    return state;
}

std::string NameOf(std::string_view devicePath) {
    return std::string(devicePath.substr(devicePath.find_last_of("\\/") + 1));
}

// The draft the device holds: its state, or why it cannot be trusted; nothing when there is none.
std::optional<std::variant<WorksheetState, std::string>> ReadDraft(const DeviceFileSystem& files) {
    std::string bytes;
    if (FileResult read = files.ReadFile(WorksheetDraftPath, bytes); !read) {
        if (read.step == FileStep::Open && read.error == ENOENT)
            return std::nullopt;
        return read.Describe();
    }
    const RecordOrError parsed = ParseRecord(bytes);
    if (const auto* error = std::get_if<RecordError>(&parsed))
        return error->detail;
    const auto& record = std::get<CalibrationRecord>(parsed);
    if (record.kind != RecordKind::Draft)
        return std::string("not a worksheet but a record of kind ") +
               std::string(RecordKindName(record.kind));
    return StateOf(record);
}

} // namespace

WorksheetDraft::WorksheetDraft(CalibrationWorksheet& sheet)
    : worksheet(sheet), subscription(worksheet.Subscribe([this](const WorksheetEvent& event) {
          if (event.change != WorksheetChange::Written)
              Keep();
          else if (event.outcome == WriteOutcome::Stored || event.outcome == WriteOutcome::StoredWithFailures)
              Remove();
      })) {}

void WorksheetDraft::Keep() {
    // Read by nobody who may not read the parameter file, like the records.
    last = worksheet.Files().ReplaceFileLike(WorksheetDraftPath,
                                             RecordToJson(TableRecord(worksheet.State(), RecordKind::Draft)),
                                             ParameterFilePath);
}

void WorksheetDraft::Remove() {
    last = worksheet.Files().RemoveFile(WorksheetDraftPath);
}

void OfferWorksheetDraft(CalibrationWorksheet& worksheet, const std::function<bool(const std::string&)>& ask,
                         const std::function<void(const std::string&)>& tell) {
    const DeviceFileSystem& files = worksheet.Files();
    const auto found = ReadDraft(files);
    if (!found)
        return;
    if (const auto* problem = std::get_if<std::string>(&*found)) {
        const std::string aside =
            UnusedDevicePath(files, std::string(WorksheetDraftPath) + ".damaged-" +
                                        UtcStamp(std::chrono::system_clock::now(), "%Y%m%d-%H%M%S"));
        if (FileResult kept = files.CopyFile(WorksheetDraftPath, aside); !kept) {
            tell(texts::worksheet::DraftNotKeptAside(*problem, kept.Describe()));
            return;
        }
        (void)files.RemoveFile(WorksheetDraftPath);
        tell(texts::worksheet::DraftDamaged(*problem, NameOf(aside)));
        return;
    }
    const auto& state = std::get<WorksheetState>(*found);
    if (state.SavedRowCount() == 0 || ask(texts::worksheet::DraftOffer(state.SavedRowCount()))) {
        worksheet.Replace(state);
        return;
    }
    // Never deleted unseen: the table the operator turned down goes where the records are.
    if (const RecordWriteResult written = WriteRecord(files, TableRecord(state, RecordKind::Abandoned));
        !written.Succeeded()) {
        tell(texts::worksheet::DraftNotAbandoned(written.file.Describe()));
        return;
    }
    (void)files.RemoveFile(WorksheetDraftPath);
}

} // namespace slabcal

#include "commands/CommandLineFace.h"
#include "commands/Commands.h"
#include "records/RecordStore.h"
#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"
#include "storage/WriteSegmentModel.h"
#include "worksheet/SaveSequence.h"

#include <algorithm>
#include <cctype>
#include <variant>

namespace slabcal {
namespace {

bool Agrees(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

// Longer texts are told by their length only.
constexpr std::size_t ShownLimit = 80;

// The text as it stands when it is short and plain, else only its length: a record's text reaches the
// terminal.
std::string Shown(const std::string& text) {
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
    if (plain && text.size() <= ShownLimit)
        return '"' + text + '"';
    return std::to_string(text.size()) + " bytes";
}

} // namespace

int RunRestore(const RestoreOptions& options, const DeviceFileSystem& files, std::istream& in,
               std::ostream& out, std::ostream& err) {
    const std::string name = RecordFileName(options.record).value_or(options.record);
    const RecordOrError read = ReadSaveRecord(files, options.record);
    if (const auto* error = std::get_if<RecordError>(&read)) {
        err << "slabcal: " << DescribeRecordError(options.record, *error) << "; nothing restored\n";
        return exit_status::Refused;
    }
    const auto& source = std::get<CalibrationRecord>(read);
    const auto texts = ValueTexts(source);
    // Every text a save keeps or stores passes; one the gauge would read otherwise is refused.
    for (std::size_t index = 0; index < texts.size(); ++index) {
        if (const std::string problem = ParameterFile::GaugeReadableProblem(texts[index]); !problem.empty()) {
            err << "slabcal: record " << name << " holds a value of " << SegmentModelKeys[index] << " ("
                << Shown(texts[index]) << ") which the gauge cannot use: it " << problem
                << "; nothing restored\n";
            return exit_status::Refused;
        }
    }
    if (!options.yes) {
        if (!options.interactive) {
            err << "slabcal: restore asks before it writes and standard input is not a terminal; add --yes\n";
            return exit_status::Refused;
        }
        out << "Restore the values of " << name << " (" << source.time << ", " << RecordKindName(source.kind)
            << ") into " << files.HostPath(ParameterFilePath).value_or("?") << "? [y/N] " << std::flush;
        std::string answer;
        std::getline(in, answer);
        if (!Agrees(answer)) {
            out << "nothing restored\n";
            return exit_status::Failed;
        }
    }
    const auto lock = LockRoot(files, err);
    if (!lock)
        return exit_status::Refused;
    CommandLineFace face(files, out, err);
    return ExitStatus(SaveAndRecord(
        files, [&] { return WriteParameterTexts(texts, files); }, RecordKind::Restore,
        [&](CalibrationRecord& record) {
            record.points = source.points;
            record.measuredOn = source.measuredOn;
            record.segments = source.segments;
            record.boundarySignals = source.boundarySignals;
            record.restoredFrom = name;
            // The restored calibration's own statement of how it was made.
            record.spreads = source.spreads;
            record.settings = source.settings;
            record.conditions = source.conditions;
        },
        face));
}

} // namespace slabcal

#include "commands/Commands.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"
#include "storage/DevicePaths.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

namespace slabcal {
namespace {

// The code point of the UTF-8 sequence at the start of `text` and its length; nothing for a stray byte,
// an overlong form, a surrogate or a value beyond U+10FFFF.
std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return std::pair{static_cast<char32_t>(lead), std::size_t{1}};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t at = 1; at < length; ++at) {
        const auto next = static_cast<unsigned char>(text[at]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr std::array<char32_t, 5> smallest{0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::pair{code, length};
}

// Characters a terminal acts on or draws as nothing: controls (C0, DEL, C1), line and paragraph
// separators, and the marks that reorder or hide text.
bool IsUnprintable(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x206F) || code == 0xFEFF;
}

// A text read from a record, as one line that does only what it says: what a terminal would act on, a
// stray byte and the backslash itself are written as escapes ("\n", "\x1b", "\u2028", "\\"), so no
// record can forge a line of its own or of another, or drive the terminal; ordinary text, Chinese
// included, is shown as it is.
std::string Escaped(std::string_view text) {
    std::string shown;
    char escape[16];
    while (!text.empty()) {
        const auto decoded = DecodeUtf8(text);
        if (!decoded) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[0]));
            shown += escape;
            text.remove_prefix(1);
            continue;
        }
        const auto [code, length] = *decoded;
        if (code == '\\')
            shown += "\\\\";
        else if (code == '\n')
            shown += "\\n";
        else if (code == '\r')
            shown += "\\r";
        else if (code == '\t')
            shown += "\\t";
        else if (code < 0x80 && IsUnprintable(code)) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
            shown += escape;
        } else if (IsUnprintable(code)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
            shown += escape;
        } else
            shown.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return shown;
}

std::string Describe(const CalibrationRecord& record, const std::string& name) {
    std::string kind(RecordKindName(record.kind));
    if (!RecordsASave(record.kind))
        return Escaped(record.time) + "  " + kind + "  " + std::to_string(RecordedRowCount(record)) + " rows";
    if (record.kind == RecordKind::Restore)
        kind += " of " + Escaped(record.restoredFrom);
    char worst[32];
    std::snprintf(worst, sizeof worst, "%.2f %%", WorstDeviationPercent(record));
    const std::string forced = ForcedSegments(record);
    const Decision decision = OverallDecision(record.assessment);
    return Escaped(record.time) + "  " + kind + "  worst " + worst + "  forced " +
           (forced.empty() ? "-" : forced) + "  certificate " + Escaped(CertificateNumber(record, name)) +
           "  decision " + (decision == Decision::None ? "-" : std::string(DecisionName(decision)));
}

} // namespace

int RunHistory(const DeviceFileSystem& files, std::ostream& out, std::ostream& err) {
    std::vector<ListedRecord> records;
    if (FileResult listed = ListRecords(files, records); !listed) {
        err << "slabcal: cannot list " << files.HostPath(RecordFolder).value_or("?") << ": "
            << listed.Describe() << '\n';
        return exit_status::Failed;
    }
    if (records.empty()) {
        out << "no calibration records in " << files.HostPath(RecordFolder).value_or("?") << '\n';
        return exit_status::Success;
    }
    std::optional<std::string> current;
    if (std::string bytes; files.ReadFile(ParameterFilePath, bytes))
        current = Sha256Hex(bytes);
    for (const auto& [name, entry] : records) {
        out << name << "  ";
        if (const auto* error = std::get_if<RecordError>(&entry)) {
            out << (error->problem == RecordProblem::NewerVersion ? "" : "damaged: ")
                << Escaped(error->detail) << '\n';
            continue;
        }
        const auto& record = std::get<CalibrationRecord>(entry);
        out << Describe(record, name) << (record.parameterFileSha256 == current ? "  current" : "") << '\n';
    }
    return exit_status::Success;
}

} // namespace slabcal

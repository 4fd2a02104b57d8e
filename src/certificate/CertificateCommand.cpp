#include "certificate/CertificateCommand.h"

#include "assessment/AssessPoints.h"
#include "certificate/Certificate.h"
#include "commands/Commands.h"
#include "platform/OutputFile.h"
#include "records/RecordStore.h"

#include <chrono>
#include <cstdio>
#include <variant>

namespace slabcal {
namespace {

// The day `days` after the record's UTC time ("2026-12-07T12:00:00Z"), as 2027-12-07; empty when the
// time does not read as one.
std::string DayAfter(const std::string& time, int days) {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (std::sscanf(time.c_str(), "%4d-%2u-%2u", &year, &month, &day) != 3)
        return {};
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                           std::chrono::day{day}};
    if (!date.ok())
        return {};
    const std::chrono::year_month_day due{std::chrono::sys_days{date} + std::chrono::days{days}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(due.year()),
                  static_cast<unsigned>(due.month()), static_cast<unsigned>(due.day()));
    return text;
}

} // namespace

int RunCertificate(std::string_view record, const std::string& output, const DeviceFileSystem& files,
                   std::ostream& out, std::ostream& err) {
    const RecordOrError read = ReadSaveRecord(files, record);
    if (const auto* error = std::get_if<RecordError>(&read)) {
        err << "slabcal: " << DescribeRecordError(record, *error) << "; no certificate written\n";
        return exit_status::Refused;
    }
    // Refused like bad input, before anything is drawn: a device, a FIFO or a folder is not somewhere a
    // certificate can go.
    if (const auto refusal = UnusableOutputPath(output)) {
        err << "slabcal: " << *refusal << "; no certificate written\n";
        return exit_status::Refused;
    }
    const auto& source = std::get<CalibrationRecord>(read);
    CertificateContent content;
    content.time = source.time;
    content.version = source.programVersion;
    content.recordName = RecordFileName(record).value_or(std::string(record));
    content.points = source.points;
    content.values = ValueTexts(source);
    for (std::size_t segment = 0; segment < content.forced.size(); ++segment)
        content.forced[segment] = source.segments[segment].forced;
    content.checksum = source.parameterFileSha256;
    content.number = CertificateNumber(source, content.recordName);
    content.formatVersion = source.formatVersion;
    content.settings = source.settings;
    content.conditions = source.conditions;
    content.spreads = source.spreads;
    // A record of format 1 did not keep its points judged: what it holds still gives as-found and as-left.
    content.assessment = source.formatVersion >= 2 ? source.assessment : AssessPoints(source);
    if (source.settings.intervalDays)
        content.dueDate = DayAfter(source.time, *source.settings.intervalDays);
    if (const std::string error = WriteCertificate(content, output); !error.empty()) {
        err << "slabcal: " << error << '\n';
        return exit_status::Failed;
    }
    out << "certificate of " << content.recordName << " written to " << output << '\n';
    return exit_status::Success;
}

} // namespace slabcal

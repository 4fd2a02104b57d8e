#include "certificate/CertificateCommand.h"

#include "certificate/Certificate.h"
#include "commands/Commands.h"
#include "platform/OutputFile.h"
#include "records/RecordStore.h"

#include <variant>

namespace slabcal {

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
    if (const std::string error = WriteCertificate(content, output); !error.empty()) {
        err << "slabcal: " << error << '\n';
        return exit_status::Failed;
    }
    out << "certificate of " << content.recordName << " written to " << output << '\n';
    return exit_status::Success;
}

} // namespace slabcal

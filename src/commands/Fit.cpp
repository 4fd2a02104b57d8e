#include "analysis/CalibrationAnalysis.h"
#include "commands/CommandLineFace.h"
#include "commands/Commands.h"
#include "fitting/PointsFile.h"
#include "platform/ReadWholeFile.h"
#include "storage/WriteSegmentModel.h"
#include "worksheet/CalibrationWorksheet.h"

#include <cstdio>
#include <variant>

namespace slabcal {
namespace {

// Far beyond any points file; a larger file is not one.
constexpr std::size_t MaxPointsFileBytes = 64 * 1024;

std::string DeviationLine(std::size_t segment, const SegmentFit& fit) {
    const auto& rows = segments::Table[segment];
    char text[160];
    std::snprintf(text, sizeof text, "segment %zu (rows %d-%d): max |residual| %.6f, %.2f %%%s", segment + 1,
                  rows.first + 1, rows.first + rows.count, fit.maxAbs, LogDeviationPercent(fit.maxAbs),
                  fit.OverLimit() ? "  over the limit" : "");
    return text;
}

// A finding as the curve window lists it, after the rows it names or the segment it concerns, numbered
// from 1: "row 9: 第9行: 偏离 10.0 %, 请重新测量", "row 6,7: …", "segment 4: 第4段偏差过大".
std::string FindingLine(const analysis::Finding& finding) {
    std::string line = finding.rows.empty() ? "segment " + std::to_string(*finding.segment + 1) : "row ";
    for (std::size_t k = 0; k < finding.rows.size(); ++k)
        line += (k == 0 ? "" : ",") + std::to_string(finding.rows[k] + 1);
    return line + ": " + finding.text;
}

} // namespace

int RunFit(const FitOptions& options, const DeviceFileSystem& files, std::ostream& out, std::ostream& err) {
    std::string bytes;
    if (FileResult read = ReadWholeFile(files.Host(), options.pointsFile, MaxPointsFileBytes, bytes); !read) {
        err << "slabcal: cannot read " << options.pointsFile << ": " << read.Describe() << '\n';
        return exit_status::Refused;
    }
    const auto parsed = ParsePointsFile(bytes);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        err << "slabcal: " << options.pointsFile << ": " << *error << '\n';
        return exit_status::Refused;
    }
    // The rows saved one after another, as the operator saves them in the dialog.
    SegmentModel model;
    CalibrationWorksheet worksheet(model, files);
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const PointText& point = std::get<CalibrationPoints>(parsed)[static_cast<std::size_t>(row)];
        worksheet.SavePoint(row, point.height, point.signal);
    }
    // Every segment is printed, over the limit or not; the write puts the question to --force.
    CommandLineFace printing(files, out, err, true);
    if (!worksheet.ComputeModel(printing))
        return exit_status::Refused;
    const auto valueTexts = SegmentModelTexts(model);
    for (std::size_t index = 0; index < valueTexts.size(); ++index)
        out << SegmentModelKeys[index] << '=' << valueTexts[index] << '\n';
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment)
        out << DeviationLine(segment, *worksheet.Fits()[segment]) << '\n';
    // What the curve window would tell of this table (a points file does not say on which range a row was
    // measured).
    for (const analysis::Finding& finding : analysis::Analyse(worksheet.Points()).findings)
        out << FindingLine(finding) << '\n';
    if (!options.write)
        return exit_status::Success;
    const auto lock = LockRoot(files, err);
    if (!lock)
        return exit_status::Refused;
    CommandLineFace face(files, out, err, options.force);
    worksheet.SetConditions(options.conditions);
    // The record states the settings file as it stands; a line of it that is not used is said now.
    for (const std::string& problem : ReadCalibrationSettings(files).problems)
        err << "slabcal: " << CalibrationSettingsPath << ": " << problem << " (not used)\n";
    return ExitStatus(worksheet.Write(face, RecordKind::Fit));
}

} // namespace slabcal

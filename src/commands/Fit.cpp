#include "commands/Commands.h"
#include "commands/SaveWithRecord.h"
#include "fitting/PointsFile.h"
#include "fitting/TableFit.h"
#include "platform/ReadWholeFile.h"
#include "storage/WriteSegmentModel.h"
#include "texts/Texts.h"

#include <cmath>
#include <cstdio>
#include <variant>

namespace slabcal {
namespace {

// Far beyond any points file; a larger file is not one.
constexpr std::size_t MaxPointsFileBytes = 64 * 1024;

std::string Numbered(std::size_t number, std::string_view suffix) {
    return std::string(texts::InvalidRowPrefix) + std::to_string(number) + std::string(suffix);
}

std::string DeviationLine(std::size_t segment, const SegmentFit& fit) {
    const auto& rows = segments::Table[segment];
    char text[160];
    std::snprintf(text, sizeof text, "segment %zu (rows %d-%d): max |residual| %.6f, %.2f %%%s", segment + 1,
                  rows.first + 1, rows.first + rows.count, fit.maxAbs, std::expm1(fit.maxAbs) * 100,
                  fit.maxAbs > segments::DeviationLimit ? "  over the limit" : "");
    return text;
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
    const auto& points = std::get<CalibrationPoints>(parsed);
    // The write command's checks and segments, with its texts.
    if (const auto row = FirstInvalidRow(points)) {
        err << "slabcal: " << Numbered(static_cast<std::size_t>(*row) + 1, texts::InvalidRowSuffix) << '\n';
        return exit_status::Refused;
    }
    const auto fits = FitTable(points);
    SegmentModel model;
    model.ConsRange = BoundarySignals(points);
    std::array<bool, segments::Count> over{};
    for (std::size_t segment = 0; segment < fits.size(); ++segment) {
        if (!fits[segment]) {
            err << "slabcal: " << Numbered(segment + 1, texts::FitFailedSuffix) << '\n';
            return exit_status::Refused;
        }
        model.CurveA[segment] = fits[segment]->slope;
        model.CurveB[segment] = fits[segment]->intercept;
        over[segment] = fits[segment]->maxAbs > segments::DeviationLimit;
    }
    const auto valueTexts = SegmentModelTexts(model);
    for (std::size_t index = 0; index < valueTexts.size(); ++index)
        out << SegmentModelKeys[index] << '=' << valueTexts[index] << '\n';
    for (std::size_t segment = 0; segment < fits.size(); ++segment)
        out << DeviationLine(segment, *fits[segment]) << '\n';
    if (!options.write)
        return exit_status::Success;
    for (std::size_t segment = 0; segment < over.size(); ++segment)
        if (over[segment] && !options.force) {
            err << "slabcal: segment " << segment + 1 << ": " << texts::DeviationTooLarge
                << " (--force writes it); nothing written\n";
            return exit_status::Refused;
        }
    return SaveWithRecord(
        files, [&] { return WriteSegmentModel(model, files); }, RecordKind::Fit,
        [&](CalibrationRecord& record) {
            record.points = points;
            record.segments = SegmentRecords(fits, over);
            record.boundarySignals = model.ConsRange;
        },
        out, err);
}

} // namespace slabcal

#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentTable.h"
#include "records/CalibrationSettings.h"
#include "records/PointAssessment.h"
#include "records/SignalSpread.h"
#include "storage/WriteSegmentModel.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace slabcal {

// What a calibration certificate states: when and with which program, the points, the sixteen values as
// the parameter file holds them (CurveA0-5, CurveB0-5, ConsRange0-3), which segments the operator forced
// past the deviation question, and the checksum of the file written.
struct CertificateContent {
    std::string time; // UTC
    std::string version;
    std::string recordName;
    CalibrationPoints points;
    std::array<std::string, SegmentModelKeys.size()> values;
    std::array<bool, segments::Count> forced{};
    std::string checksum;
    // The record's certificate number, printed on every page.
    std::string number;
    // What a record of format 1 did not hold (settings, conditions, spreads) is stated as not known, and
    // no uncertainty or decision is given.
    int formatVersion = 2;
    CalibrationSettings settings;
    CalibrationConditions conditions;
    std::array<std::optional<SignalSpread>, CalibrationRowCount> spreads;
    std::vector<PointAssessment> assessment;
    std::string dueDate; // empty when no interval is set
};

// Writes the certificate as a PDF of A4 pages, each with the certificate number and "第 x 页 共 y 页", with
// Qt's PDF writer: real text, the point table with the height each segment's line gives and the deviation,
// the segments, the boundary signals, the log-log curve, the checksum and lines for the operator's name and
// signature, in ChineseFontFamily's font; a text that font cannot show (or no such font at all) fails the
// certificate. Drawn in memory, then stored by WriteOutputFile: whole or not at all, only to a new name or
// over a regular file. Needs a QApplication (offscreen will do). Empty on success, else one line saying why.
[[nodiscard]] std::string WriteCertificate(const CertificateContent& content, const std::string& path);

} // namespace slabcal

#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentTable.h"
#include "storage/WriteSegmentModel.h"

#include <array>
#include <string>

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
};

// Writes the certificate as a PDF of one A4 page (two when the page is full) with Qt's PDF writer: real
// text, the point table with the height each segment's line gives and the deviation, the segments, the
// boundary signals, the log-log curve, the checksum and lines for the operator's name and signature, in
// ChineseFontFamily's font; a text that font cannot show (or no such font at all) fails the certificate.
// Drawn in memory, then stored by WriteOutputFile: whole or not at all, only to a new name or over a
// regular file. Needs a QApplication (offscreen will do). Empty on success, else one line saying why.
[[nodiscard]] std::string WriteCertificate(const CertificateContent& content, const std::string& path);

} // namespace slabcal

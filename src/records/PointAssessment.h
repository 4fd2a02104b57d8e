#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace slabcal {

// The verdict on one point under guarded acceptance (the guard band is the expanded uncertainty U): Pass
// when |error| + U <= the permissible error, Fail when |error| - U > it, Indeterminate between; None when
// no permissible error is set.
enum class Decision : std::uint8_t { None, Pass, Fail, Indeterminate };

[[nodiscard]] std::string_view DecisionName(Decision decision);
[[nodiscard]] std::optional<Decision> DecisionFromName(std::string_view name);
// One recorded row judged: the height the gauge gave before the save (as-found) and gives after it
// (as-left) for the row's signal, the uncertainty of the as-left reading and the verdict. Heights in mm;
// standard uncertainties (u…) in mm, each already through the segment's sensitivity.
struct PointAssessment {
    std::int32_t row = 0;
    double referenceHeight = 0;
    double signal = 0;
    std::optional<double> asFound; // nothing on a first calibration (no readable earlier values)
    double asLeft = 0;
    std::int32_t segment = 0;             // the segment the gauge's rule picks for the signal after the save
    double sensitivity = 0;               // |d height / d signal| there, mm per signal unit
    std::optional<double> uReference;     // nothing when the reference tolerance is not set
    std::optional<double> uRepeatability; // nothing for a row typed by hand
    double uResolution = 0;
    double uFit = 0;
    double expanded = 0; // U, k = 2
    Decision decision = Decision::None;

    [[nodiscard]] double AsLeftError() const { return asLeft - referenceHeight; }
    friend bool operator==(const PointAssessment&, const PointAssessment&) = default;
};

// The overall verdict: Fail when any point fails, else Indeterminate when any is, else Pass; None when no
// point was judged.
[[nodiscard]] Decision OverallDecision(std::span<const PointAssessment> points);

} // namespace slabcal

#include "drivers/simulated/GaugeResponse.h"

#include "fitting/SegmentModel.h"
#include "platform/ConverterContract.h"

#include <cmath>
#include <cstddef>

namespace slabcal {
namespace {

// The gauge's built-in model. Segment 4 equals segment 3 and segment 5's intercept is only a placeholder,
// so the large range follows segment 3 alone; the small range hands over at ConsRange0 and ConsRange1.
const SegmentModel BuiltIn{};
constexpr std::size_t LargeRangeSegment = 3;

double HeightAt(std::size_t segment, double signal) {
    return BuiltIn.Segment(segment).HeightAt(signal);
}

double SignalAt(std::size_t segment, double heightMm) {
    return std::exp((std::log(heightMm) - BuiltIn.CurveB[segment]) / BuiltIn.CurveA[segment]);
}

// Each small-range segment answers for the heights its calibration rows cover; the bands change where
// neighbouring segments hand over (about 70.8 mm and 151.8 mm), and the outer segments extrapolate.
std::size_t SmallRangeSegment(double heightMm) {
    static const double upperOfSegment0 = HeightAt(0, BuiltIn.ConsRange[0]);
    static const double upperOfSegment1 = HeightAt(1, BuiltIn.ConsRange[1]);
    if (heightMm < upperOfSegment0)
        return 0;
    if (heightMm <= upperOfSegment1)
        return 1;
    return 2;
}

} // namespace

double GaugeResponse(double heightMm, ConverterRange range) {
    const std::size_t segment =
        range == ConverterRange::Small ? SmallRangeSegment(heightMm) : LargeRangeSegment;
    return CountsPerSignalUnit * SignalAt(segment, heightMm);
}

} // namespace slabcal

#include "platform/GaugeResponse.h"

#include <array>
#include <cmath>

namespace slabcal {
namespace {

// One power-law segment: ln(height) = curveA * ln(signal) + curveB.
struct Segment {
    double curveA;
    double curveB;
};

// The gauge's built-in default segments 0 to 3, copied from the storage layer's SegmentModel (which this
// layer may not link). Segment 4 equals segment 3 and segment 5's intercept is only a placeholder, so the
// large range follows segment 3 alone.
constexpr std::array<Segment, 4> DefaultSegments{{
    {-0.6423, 9.5979},
    {-0.4605, 8.087},
    {-0.3915, 7.6199},
    {-0.3625, 8.8041},
}};
// The default boundary signals ConsRange0 and ConsRange1, where small-range segments 0/1 and 1/2 meet.
constexpr double SignalBetween0And1 = 4063;
constexpr double SignalBetween1And2 = 776;
constexpr double CountsPerSignalUnit = 1000;

double HeightAt(const Segment& segment, double signal) {
    return std::exp(segment.curveB + segment.curveA * std::log(signal));
}

double SignalAt(const Segment& segment, double heightMm) {
    return std::exp((std::log(heightMm) - segment.curveB) / segment.curveA);
}

// Each small-range segment answers for the heights its calibration rows cover; the bands change where
// neighbouring segments hand over (about 70.8 mm and 151.8 mm), and the outer segments extrapolate.
const Segment& SmallRangeSegment(double heightMm) {
    static const double upperOfSegment0 = HeightAt(DefaultSegments[0], SignalBetween0And1);
    static const double upperOfSegment1 = HeightAt(DefaultSegments[1], SignalBetween1And2);
    if (heightMm < upperOfSegment0)
        return DefaultSegments[0];
    if (heightMm <= upperOfSegment1)
        return DefaultSegments[1];
    return DefaultSegments[2];
}

} // namespace

double GaugeResponse(double heightMm, GaugeRange range) {
    const Segment& segment = range == GaugeRange::Small ? SmallRangeSegment(heightMm) : DefaultSegments[3];
    return CountsPerSignalUnit * SignalAt(segment, heightMm);
}

} // namespace slabcal

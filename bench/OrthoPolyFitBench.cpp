// The calibration's line fit against GSL's gsl_fit_linear on the same points: one segment's logarithms of
// the signals (x) and of the heights (y), three points as in most segments, four as in segment 3.
#include "fitting/OrthoPolyFit.h"

#include <benchmark/benchmark.h>
#include <gsl/gsl_fit.h>

#include <cstddef>

namespace {

struct Segment {
    const double* x;
    const double* y;
};

// ln of the signals 9895, 6991, 4140 and of the heights 40, 50, 70.
constexpr double x3[] = {9.199784858036667, 8.852378886511985, 8.32845106681936};
constexpr double y3[] = {3.6888794541139363, 3.912023005428146, 4.248495242049359};
// ln of the signals 1650, 1310, 870, 600 and of the heights 250, 300, 400, 500.
constexpr double x4[] = {7.408530566894626, 7.177782416195197, 6.76849321164863, 6.396929655216146};
constexpr double y4[] = {5.521460917862246, 5.703782474656201, 5.991464547107982, 6.214608098422191};

Segment SegmentOf(int n) {
    return n == 3 ? Segment{x3, y3} : Segment{x4, y4};
}

void OrthoPolyFitLine(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Segment segment = SegmentOf(n);
    double a[2];
    double sumSquares = 0;
    double sumAbs = 0;
    double maxAbs = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            slabcal::OrthoPolyFit(segment.x, segment.y, a, n, 2, &sumSquares, &sumAbs, &maxAbs));
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(maxAbs);
    }
}

void GslFitLinear(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Segment segment = SegmentOf(n);
    double c0 = 0;
    double c1 = 0;
    double cov00 = 0;
    double cov01 = 0;
    double cov11 = 0;
    double sumSquares = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gsl_fit_linear(segment.x, 1, segment.y, 1, static_cast<std::size_t>(n), &c0,
                                                &c1, &cov00, &cov01, &cov11, &sumSquares));
        benchmark::DoNotOptimize(c1);
        benchmark::DoNotOptimize(sumSquares);
    }
}

} // namespace

BENCHMARK(OrthoPolyFitLine)->Arg(3)->Arg(4);
BENCHMARK(GslFitLinear)->Arg(3)->Arg(4);

BENCHMARK_MAIN();

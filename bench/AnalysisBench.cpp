// What the curve window computes when a row is saved: the analysis of a full table (one segment over the
// limit, so the culprit search runs; or one row 5 % off, so the range check names it), the advice on the
// row just saved, and the before-writing comparison with a stored calibration.
#include "analysis/CalibrationAnalysis.h"
#include "analysis/SavedRowAdvice.h"
#include "analysis/StoredComparison.h"
#include "support/ModelPoints.h"

#include <benchmark/benchmark.h>

namespace {

using namespace slabcal;

CalibrationPoints DisturbedTable() {
    CalibrationPoints points = test::ModelPoints();
    points[8].height = "330";
    return points;
}

void AnalyseFullTable(benchmark::State& state) {
    const CalibrationPoints points = DisturbedTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::Analyse(points));
}
BENCHMARK(AnalyseFullTable);

void AnalyseTableWithAdvice(benchmark::State& state) {
    CalibrationPoints points = test::ModelPoints();
    points[8].height = "315";
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::Analyse(points));
}
BENCHMARK(AnalyseTableWithAdvice);

void AdviceOnTheLastRowSaved(benchmark::State& state) {
    const CalibrationPoints points = DisturbedTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::SavedRowAdvice(points, {}, CalibrationRowCount - 1));
}
BENCHMARK(AdviceOnTheLastRowSaved);

void CompareWithStored(benchmark::State& state) {
    const CalibrationPoints points = DisturbedTable();
    const std::optional<SegmentModel> stored = SegmentModel{};
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::CompareWithStored(points, stored));
}
BENCHMARK(CompareWithStored);

} // namespace

BENCHMARK_MAIN();

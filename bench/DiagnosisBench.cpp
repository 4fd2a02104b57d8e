// How often the curve window's findings name the row an operator recorded wrong, on tables drawn from
// smooth probe responses of several shapes (not only the gauge's built-in model) at signal noise of 0.05 to
// 0.5 %, one row disturbed: its height off by ±3 to ±20 %, the gauge at the next row's height, the probe
// not moved, a reading saved before it settled, two rows swapped, a reading on the other range. For each
// kind: how often the write command would ask, and whether the findings name the row alone, among two,
// name another, or say nothing; on clean tables, how often anything at all is said. The same for the advice
// given the moment each row is saved, and the time one analysis takes.
//
//   slabcal_bench_diagnosis [tables per family and kind = 10000] [seed = 1]
#include "analysis/CalibrationAnalysis.h"
#include "analysis/SavedRowAdvice.h"
#include "analysis/StoredComparison.h"
#include "calibration/PointTable.h"
#include "drivers/simulated/GaugeResponse.h"
#include "platform/ConverterContract.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace slabcal;
using Clock = std::chrono::steady_clock;

// The largest signal the 24-bit converter can show.
constexpr double FullScale = 16777;

std::array<double, CalibrationRowCount> NominalHeights() {
    std::array<double, CalibrationRowCount> heights{};
    for (std::size_t row = 0; row < heights.size(); ++row)
        heights[row] = std::stod(std::string(points::Heights[row]));
    return heights;
}
const std::array<double, CalibrationRowCount> Heights = NominalHeights();

enum class Family { DriftingPowerLaw, CoilOnAxis, TwoRegime, BuiltIn };
constexpr std::array<Family, 4> Families{Family::DriftingPowerLaw, Family::CoilOnAxis, Family::TwoRegime,
                                         Family::BuiltIn};
const char* Name(Family family) {
    switch (family) {
    case Family::DriftingPowerLaw:
        return "drifting power law";
    case Family::CoilOnAxis:
        return "coil on axis";
    case Family::TwoRegime:
        return "two-regime";
    case Family::BuiltIn:
        return "built-in model";
    }
    return "";
}

// One probe: its signal at a height on either range. The smooth families draw their parameters so that
// the slope, ln(height) per ln(signal), stays within about −0.29 to −0.75, and scale each range so that
// the signal at its lowest height lies between 6 000 and 12 000 (the built-in model's 9 895 and 8 566).
class Probe {
public:
    Probe(Family kind, std::mt19937_64& random) : family(kind) {
        std::uniform_real_distribution<double> uniform(0, 1);
        switch (family) {
        case Family::DriftingPowerLaw: // ln s = −n·u − drift·u²/2, u = ln(h/40): the exponent drifts
            parameter = {1.4 + 0.5 * uniform(random), 0.1 + 0.3 * uniform(random), 0};
            break;
        case Family::CoilOnAxis: // the field on the axis of a loop of radius a at a distance h + d
            parameter = {25 + 15 * uniform(random), 5 + 10 * uniform(random), 0};
            break;
        case Family::TwoRegime: // 1/s = h^n1 + c·h^n2: one exponent near the slab, another far off
            parameter = {1.4 + 0.3 * uniform(random), 2.6 + 0.4 * uniform(random),
                         std::exp(std::log(80.0) + uniform(random) * std::log(300.0 / 80))};
            break;
        case Family::BuiltIn:
            return;
        }
        gain[0] = std::log(8000 + 4000 * uniform(random)) - Shape(Heights[0]);
        gain[1] = std::log(6000 + 4000 * uniform(random)) - Shape(Heights[LastSmallRangeRow + 1]);
    }

    [[nodiscard]] double Signal(double height, ConverterRange range) const {
        if (family == Family::BuiltIn)
            return GaugeResponse(height, range) / CountsPerSignalUnit;
        return std::exp(Shape(height) + gain[range == ConverterRange::Small ? 0 : 1]);
    }

private:
    [[nodiscard]] double Shape(double height) const {
        switch (family) {
        case Family::DriftingPowerLaw: {
            const double u = std::log(height / 40);
            return -parameter[0] * u - parameter[1] * u * u / 2;
        }
        case Family::CoilOnAxis: {
            const double distance = height + parameter[1];
            return -1.5 * std::log(parameter[0] * parameter[0] + distance * distance);
        }
        case Family::TwoRegime: {
            const double near = parameter[0] * std::log(height);
            const double far =
                parameter[0] * std::log(parameter[2]) + parameter[1] * std::log(height / parameter[2]);
            const double larger = std::max(near, far);
            return -(larger + std::log(std::exp(near - larger) + std::exp(far - larger)));
        }
        case Family::BuiltIn:
            break;
        }
        return 0;
    }

    Family family;
    std::array<double, 3> parameter{};
    std::array<double, 2> gain{};
};

enum class Kind {
    Clean,
    Height3,
    Height5,
    Height7,
    Height10,
    Height20,
    WrongHeight,
    NotMoved,
    Unsettled,
    Swapped,
    OtherRange,
};
constexpr std::array<Kind, 11> Kinds{Kind::Clean,     Kind::Height3,  Kind::Height5,     Kind::Height7,
                                     Kind::Height10,  Kind::Height20, Kind::WrongHeight, Kind::NotMoved,
                                     Kind::Unsettled, Kind::Swapped,  Kind::OtherRange};
const char* Name(Kind kind) {
    constexpr std::array<const char*, Kinds.size()> names{
        "clean",        "height ±3 %", "height ±5 %", "height ±7 %",  "height ±10 %",      "height ±20 %",
        "wrong height", "not moved",   "unsettled",   "rows swapped", "on the other range"};
    return names[static_cast<std::size_t>(kind)];
}
double HeightError(Kind kind) {
    switch (kind) {
    case Kind::Height3:
        return 0.03;
    case Kind::Height5:
        return 0.05;
    case Kind::Height7:
        return 0.07;
    case Kind::Height10:
        return 0.10;
    case Kind::Height20:
        return 0.20;
    default:
        return 0;
    }
}

constexpr std::array<double, 4> NoiseLevels{0.0005, 0.001, 0.002, 0.005};

// A table as the operator would record it, with the rows a finding should name.
struct Table {
    CalibrationPoints points;
    analysis::RecordedRanges ranges;
    std::vector<int> disturbed; // any of these is the right row to name
    int revealedAt = -1;        // the save that completes the disturbance
    double noise = 0;
};

Table Draw(const Probe& probe, Kind kind, double noise, std::mt19937_64& random) {
    std::uniform_real_distribution<double> uniform(0, 1);
    std::normal_distribution<double> gauss(0, 1);
    std::array<double, CalibrationRowCount> at = Heights; // where the gauge really stood
    std::array<ConverterRange, CalibrationRowCount> range{};
    for (int row = 0; row < CalibrationRowCount; ++row)
        range[static_cast<std::size_t>(row)] = segments::RangeOfRow(row);
    auto row = static_cast<int>(uniform(random) * CalibrationRowCount);
    const double sign = uniform(random) < 0.5 ? -1 : 1;
    Table table;
    table.noise = noise;
    switch (kind) {
    case Kind::Clean:
        break;
    case Kind::WrongHeight: // the gauge already at the next row's height
        at[static_cast<std::size_t>(row)] = Heights[static_cast<std::size_t>(row == 14 ? 13 : row + 1)];
        break;
    case Kind::NotMoved: // the gauge still at the last row's height
    case Kind::Unsettled:
        row = std::max(row, 1);
        if (kind == Kind::NotMoved)
            at[static_cast<std::size_t>(row)] = Heights[static_cast<std::size_t>(row - 1)];
        break;
    case Kind::Swapped: // two neighbouring rows recorded in each other's place
        if (row == LastSmallRangeRow || row == CalibrationRowCount - 1)
            --row;
        std::swap(at[static_cast<std::size_t>(row)], at[static_cast<std::size_t>(row + 1)]);
        table.disturbed.push_back(row + 1);
        break;
    case Kind::OtherRange:
        range[static_cast<std::size_t>(row)] = range[static_cast<std::size_t>(row)] == ConverterRange::Small
                                                   ? ConverterRange::Large
                                                   : ConverterRange::Small;
        break;
    default:
        at[static_cast<std::size_t>(row)] *= 1 + sign * HeightError(kind);
        break;
    }
    if (kind != Kind::Clean)
        table.disturbed.push_back(row);
    if (!table.disturbed.empty())
        table.revealedAt = *std::max_element(table.disturbed.begin(), table.disturbed.end());
    for (std::size_t r = 0; r < at.size(); ++r) {
        double signal = probe.Signal(at[r], range[r]);
        // Saved at 70–95 % of the step from the last row's reading.
        if (kind == Kind::Unsettled && static_cast<int>(r) == row) {
            const double last = probe.Signal(Heights[r - 1], range[r]);
            signal = last + (0.7 + 0.25 * uniform(random)) * (signal - last);
        }
        signal = std::clamp(std::floor(signal * (1 + noise * gauss(random))), 1.0, FullScale);
        table.points[r] = {std::string(points::Heights[r]), std::to_string(static_cast<long>(signal))};
        table.ranges[r] = range[r];
    }
    return table;
}

// How the findings for one table came out.
struct Tally {
    long tables = 0;
    long asked = 0;
    long alone = 0;
    long amongTwo = 0;
    long wrong = 0;
    long silent = 0;
    long askedRight = 0;     // asked, and the right row among those named
    long saidAtSave = 0;     // the window named the row at the save that disturbed the table
    long saidByRangeEnd = 0; // … or at a later save up to its range's last row
    long anyFinding = 0;     // clean tables: anything said after the last row
    long anyAtSaves = 0;     // clean tables: anything said at any save
    // The largest height error of the calibration the write would store, over 40–800 mm, of each table
    // about which nothing was said.
    std::vector<double> silentErrors;

    void Add(const Tally& other) {
        tables += other.tables;
        asked += other.asked;
        alone += other.alone;
        amongTwo += other.amongTwo;
        wrong += other.wrong;
        silent += other.silent;
        askedRight += other.askedRight;
        saidAtSave += other.saidAtSave;
        saidByRangeEnd += other.saidByRangeEnd;
        anyFinding += other.anyFinding;
        anyAtSaves += other.anyAtSaves;
        silentErrors.insert(silentErrors.end(), other.silentErrors.begin(), other.silentErrors.end());
    }
};

double Percent(long part, long whole) {
    return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

// "12.34 %" with `decimals`, or "—" for no value (nothing to count).
std::string Shown(double percent, int decimals) {
    if (!std::isfinite(percent))
        return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f %%", decimals, percent);
    return text;
}

bool Names(const std::vector<int>& named, const std::vector<int>& right) {
    return std::any_of(named.begin(), named.end(), [&right](int row) {
        return std::find(right.begin(), right.end(), row) != right.end();
    });
}

double analyseSeconds = 0;
long analyses = 0;
double slowestAnalysis = 0;

// The rows the findings hold to be recorded wrong, most likely first.
std::vector<int> Suspects(const std::vector<analysis::Finding>& findings) {
    std::vector<int> named;
    for (const analysis::Finding& finding : findings) {
        for (int row : finding.rows) {
            if (finding.Suspects() && std::find(named.begin(), named.end(), row) == named.end())
                named.push_back(row);
        }
    }
    return named;
}

int LastRowOfRange(int row) {
    return segments::RangeOfRow(row) == ConverterRange::Small ? LastSmallRangeRow : CalibrationRowCount - 1;
}

// The largest error, in % of the height, of what the gauge would measure from 40 to 800 mm with the
// calibration the write stores from this table; nothing when the write would refuse it.
std::optional<double> WorstHeightError(const Probe& probe, const CalibrationPoints& points) {
    const auto model = analysis::ModelToWrite(points);
    if (!model)
        return std::nullopt;
    constexpr int Steps = 60;
    double worst = 0;
    for (int step = 0; step <= Steps; ++step) {
        const double height =
            Heights.front() * std::pow(Heights.back() / Heights.front(), step / double(Steps));
        const ConverterRange range =
            height < Heights[LastSmallRangeRow + 1] ? ConverterRange::Small : ConverterRange::Large;
        const double signal = probe.Signal(height, range);
        if (const auto measured = analysis::HeightAt(*model, range, signal); measured && signal <= FullScale)
            worst = std::max(worst, std::fabs(*measured / height - 1) * 100);
    }
    return worst;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return NAN;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}

void Judge(const Probe& probe, const Table& table, Tally& tally) {
    ++tally.tables;
    // The whole table as `slabcal fit` reads it, without the ranges the window saw.
    const auto start = Clock::now();
    const analysis::CalibrationAnalysis result = analysis::Analyse(table.points);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    analyseSeconds += seconds;
    slowestAnalysis = std::max(slowestAnalysis, seconds);
    ++analyses;
    const std::vector<int> named = Suspects(result.findings);
    const bool asked = std::any_of(result.segments.begin(), result.segments.end(),
                                   [](const analysis::SegmentCheck& check) { return check.overLimit; });
    // The saves one after another, as the window shows them: the advice on the row just saved and the
    // findings on the table so far.
    CalibrationPoints saved;
    analysis::RecordedRanges ranges;
    bool anyAtSaves = false;
    bool saidAtSave = false;
    bool saidByRangeEnd = false;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        saved[static_cast<std::size_t>(row)] = table.points[static_cast<std::size_t>(row)];
        ranges[static_cast<std::size_t>(row)] = table.ranges[static_cast<std::size_t>(row)];
        const auto advice = analysis::SavedRowAdvice(saved, ranges, row);
        const auto findings = analysis::Analyse(saved, ranges).findings;
        anyAtSaves = anyAtSaves || advice.has_value() || !findings.empty();
        if (table.disturbed.empty() || row < table.revealedAt || row > LastRowOfRange(table.revealedAt))
            continue;
        const bool said =
            (advice && Names(advice->rows, table.disturbed)) || Names(Suspects(findings), table.disturbed);
        saidAtSave = saidAtSave || (said && row == table.revealedAt);
        saidByRangeEnd = saidByRangeEnd || said;
    }
    if (named.empty()) {
        if (const auto error = WorstHeightError(probe, table.points))
            tally.silentErrors.push_back(*error);
    }
    if (table.disturbed.empty()) {
        tally.anyFinding += result.findings.empty() ? 0 : 1;
        tally.anyAtSaves += anyAtSaves ? 1 : 0;
        return;
    }
    tally.saidAtSave += saidAtSave ? 1 : 0;
    tally.saidByRangeEnd += saidByRangeEnd ? 1 : 0;
    const bool right = Names(named, table.disturbed);
    tally.asked += asked ? 1 : 0;
    tally.askedRight += asked && right ? 1 : 0;
    if (named.empty())
        ++tally.silent;
    else if (!right)
        ++tally.wrong;
    else if (named.size() == 1)
        ++tally.alone;
    else
        ++tally.amongTwo;
}

void PrintHeader() {
    std::printf(
        "| kind | tables | asked | named right alone | right among two | wrong | silent | right among named "
        "when asked | said at its save | by its range's last save | silent: median worst height error |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|\n");
}

void PrintRow(const char* name, const Tally& tally) {
    if (tally.tables == 0)
        return;
    if (tally.alone + tally.amongTwo + tally.wrong + tally.silent == 0) {
        std::printf("| %s | %ld | false alarms: %.3f %% of tables after the last row, %.3f %% at some save "
                    "| | | | | | | | %s |\n",
                    name, tally.tables, Percent(tally.anyFinding, tally.tables),
                    Percent(tally.anyAtSaves, tally.tables), Shown(Median(tally.silentErrors), 2).c_str());
        return;
    }
    const double askedRight = tally.asked > 0 ? Percent(tally.askedRight, tally.asked) : NAN;
    std::printf(
        "| %s | %ld | %.1f %% | %.1f %% | %.1f %% | %.1f %% | %.1f %% | %s | %.1f %% | %.1f %% | %s |\n",
        name, tally.tables, Percent(tally.asked, tally.tables), Percent(tally.alone, tally.tables),
        Percent(tally.amongTwo, tally.tables), Percent(tally.wrong, tally.tables),
        Percent(tally.silent, tally.tables), Shown(askedRight, 2).c_str(),
        Percent(tally.saidAtSave, tally.tables), Percent(tally.saidByRangeEnd, tally.tables),
        Shown(Median(tally.silentErrors), 2).c_str());
}

} // namespace

int main(int argc, char** argv) {
    const long perFamily = argc > 1 ? std::atol(argv[1]) : 10000;
    std::mt19937_64 random(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1);
    std::array<std::array<Tally, Kinds.size()>, Families.size()> tallies{};
    std::array<std::array<Tally, NoiseLevels.size()>, Families.size()> clean{};
    for (std::size_t family = 0; family < Families.size(); ++family) {
        for (std::size_t kind = 0; kind < Kinds.size(); ++kind) {
            for (long k = 0; k < perFamily; ++k) {
                const Probe probe(Families[family], random);
                const std::size_t level = static_cast<std::size_t>(k) % NoiseLevels.size();
                Tally one;
                Judge(probe, Draw(probe, Kinds[kind], NoiseLevels[level], random), one);
                tallies[family][kind].Add(one);
                if (Kinds[kind] == Kind::Clean)
                    clean[family][level].Add(one);
            }
        }
    }

    std::printf(
        "All families, %ld tables each per kind, noise 0.05 / 0.1 / 0.2 / 0.5 %% in turn; the whole table "
        "judged without the ranges the window saw, the saves one by one with them:\n\n",
        perFamily);
    PrintHeader();
    for (std::size_t kind = 0; kind < Kinds.size(); ++kind) {
        Tally all;
        for (std::size_t family = 0; family < Families.size(); ++family)
            all.Add(tallies[family][kind]);
        PrintRow(Name(Kinds[kind]), all);
    }

    std::printf("\nThe targets, family by family (right: the disturbed row among those named):\n\n"
                "| family | asked with ±7–20 %%: right | ±5 %%: right | ±10 %%: right | clean: any finding, "
                "at 0.05 / 0.1 / "
                "0.2 / 0.5 %% noise | clean: anything said at some save |\n|---|---|---|---|---|---|\n");
    for (std::size_t family = 0; family < Families.size(); ++family) {
        Tally asked;
        for (const Kind kind : {Kind::Height7, Kind::Height10, Kind::Height20})
            asked.Add(tallies[family][static_cast<std::size_t>(kind)]);
        const Tally& five = tallies[family][static_cast<std::size_t>(Kind::Height5)];
        const Tally& ten = tallies[family][static_cast<std::size_t>(Kind::Height10)];
        std::string noise;
        for (const Tally& level : clean[family])
            noise += (noise.empty() ? "" : " / ") +
                     std::to_string(Percent(level.anyFinding, level.tables)).substr(0, 5);
        std::printf("| %s | %.2f %% of %ld | %.1f %% | %.1f %% | %s %% | %.3f %% |\n", Name(Families[family]),
                    Percent(asked.askedRight, asked.asked), asked.asked,
                    Percent(five.alone + five.amongTwo, five.tables),
                    Percent(ten.alone + ten.amongTwo, ten.tables), noise.c_str(),
                    Percent(tallies[family][0].anyAtSaves, tallies[family][0].tables));
    }
    std::printf(
        "\nAnalyse on a whole table: %.2f µs mean over %ld, slowest %.1f µs (wall clock, saves' analyses "
        "not counted)\n",
        analyseSeconds / static_cast<double>(analyses) * 1e6, analyses, slowestAnalysis * 1e6);
    return 0;
}

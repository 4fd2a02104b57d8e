#include "fitting/OrthoPolyFit.h"
#include "fitting/FitWorkStorage.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace slabcal {
namespace {

constexpr double Untouched = -123.25;

struct Outputs {
    std::array<double, 5> a{Untouched, Untouched, Untouched, Untouched, Untouched};
    double sumSquares = Untouched;
    double sumAbs = Untouched;
    double maxAbs = Untouched;

    int Fit(const double* x, const double* y, int n, int m) {
        return OrthoPolyFit(x, y, a.data(), n, m, &sumSquares, &sumAbs, &maxAbs);
    }
    [[nodiscard]] bool AllUntouched() const {
        for (double value : a) {
            if (value != Untouched) {
                return false;
            }
        }
        return sumSquares == Untouched && sumAbs == Untouched && maxAbs == Untouched;
    }
};

// Heap storage that keeps count and refuses the request with the given index.
class CountingStorage final : public FitWorkStorage {
public:
    explicit CountingStorage(int failAt = -1) : failingRequest(failAt) {}

    double* Obtain(std::size_t count) noexcept override {
        lastCount = count;
        if (requests++ == failingRequest) {
            return nullptr;
        }
        ++outstanding;
        return static_cast<double*>(std::calloc(count, sizeof(double)));
    }
    void Release(double* block) noexcept override {
        --outstanding;
        std::free(block);
    }

    int requests = 0;
    int outstanding = 0;
    std::size_t lastCount = 0;

private:
    int failingRequest;
};

class InstalledStorage final {
public:
    explicit InstalledStorage(FitWorkStorage& storage) : previous(InstallFitWorkStorage(&storage)) {}
    ~InstalledStorage() { InstallFitWorkStorage(previous); }
    InstalledStorage(const InstalledStorage&) = delete;
    InstalledStorage& operator=(const InstalledStorage&) = delete;

private:
    FitWorkStorage* previous;
};

struct Exact {
    std::vector<double> a; // m = a.size()
    double sumSquares;
    double sumAbs;
    double maxAbs;
};

// Every output to the last bit, and nothing written past a[m - 1].
void ExpectExactFit(const double* x, const double* y, int n, const Exact& expected) {
    const int m = static_cast<int>(expected.a.size());
    Outputs out;
    ASSERT_EQ(out.Fit(x, y, n, m), 1);
    for (int k = 0; k < m; ++k) {
        EXPECT_EQ(out.a[k], expected.a[k]) << "a[" << k << "]";
    }
    for (std::size_t k = expected.a.size(); k < out.a.size(); ++k) {
        EXPECT_EQ(out.a[k], Untouched) << "a[" << k << "]";
    }
    EXPECT_EQ(out.sumSquares, expected.sumSquares);
    EXPECT_EQ(out.sumAbs, expected.sumAbs);
    EXPECT_EQ(out.maxAbs, expected.maxAbs);
}

TEST(OrthoPolyFitResults, StraightLineMatchesReferenceBits) {
    const double x[] = {1, 2, 4};
    const double y[] = {1, 3, 2};
    // The largest residual, -15/14, is negative; only its magnitude shows.
    ExpectExactFit(x, y, 3,
                   {{2.0, 0.21428571428571436}, 1.7857142857142856, 2.142857142857143, 1.0714285714285714});
}

TEST(OrthoPolyFitResults, CollinearPointsFitExactly) {
    const double x[] = {1, 2, 3};
    const double y[] = {2, 4, 6};
    ExpectExactFit(x, y, 3, {{4.0, 2.0}, 0.0, 0.0, 0.0});
}

// Residuals +1, -1, 0: the second equals the largest so far and leaves it, and no sign shows.
TEST(OrthoPolyFitResults, OneCoefficientIsTheMeanOfY) {
    const double x[] = {1, 2, 4};
    const double y[] = {1, 3, 2};
    ExpectExactFit(x, y, 3, {{2.0}, 2.0, 2.0, 1.0});
}

TEST(OrthoPolyFitResults, ParabolaFitsExactly) {
    const double x[] = {0, 1, 2, 3};
    const double y[] = {1, 2, 5, 10};
    ExpectExactFit(x, y, 4, {{3.25, 3.0, 1.0}, 0.0, 0.0, 0.0});
}

TEST(OrthoPolyFitResults, LeastSquaresLineOfMorePoints) {
    const double x[] = {0, 1, 2, 3};
    const double y[] = {0, 1, 1, 4};
    Outputs out;
    ASSERT_EQ(out.Fit(x, y, 4, 2), 1);
    // Closed form: mean of y 1.5, slope sum((x - 1.5) y) / sum((x - 1.5)^2) = 6 / 5.
    EXPECT_DOUBLE_EQ(out.a[0], 1.5);
    EXPECT_DOUBLE_EQ(out.a[1], 1.2);
    // Residuals -0.3, -0.1, 1.1, -0.7.
    EXPECT_DOUBLE_EQ(out.sumSquares, 1.8);
    EXPECT_DOUBLE_EQ(out.sumAbs, 2.2);
    EXPECT_DOUBLE_EQ(out.maxAbs, 1.1);
}

// The calibration's own kind of data, ln(signal) against ln(height): a reordered or fused operation shows
// in the last bits here even where the small integer examples stay exact.
TEST(OrthoPolyFitResults, LogarithmicSegmentsMatchReferenceBits) {
    const double x3[] = {9.199784858036667, 8.852378886511985, 8.32845106681936};
    const double y3[] = {3.6888794541139363, 3.912023005428146, 4.248495242049359};
    ExpectExactFit(x3, y3, 3,
                   {{3.949799233863814, -0.6422486328292345},
                    3.01299997840419e-10,
                    2.815356223262455e-05,
                    1.4076781115868187e-05});
    const double x4[] = {7.408530566894626, 7.177782416195197, 6.76849321164863, 6.396929655216146};
    const double y4[] = {5.521460917862246, 5.703782474656201, 5.991464547107982, 6.214608098422191};
    ExpectExactFit(x4, y4, 4,
                   {{5.857829009512155, -0.6844013956629286},
                    0.0008004452766632275,
                    0.05555226569428928,
                    0.01767005123874199});
}

// Degree 3 is the first to run the inner coefficients of the recurrence; reference bits worked out apart from
// this code.
TEST(OrthoPolyFitResults, CubicOfScatteredPointsMatchesReferenceBits) {
    const double x[] = {3.25, 3.5, -4.25, -2.625, 4.125, -2.25};
    const double y[] = {-5.0, -1.75, -2.625, -3.0, -3.75, 0.625};
    ExpectExactFit(x, y, 6,
                   {{-1.8263879644326642, -0.6281110893387547, -0.05742429192933389, 0.02848689536608325},
                    11.700864752989427,
                    7.2747536096575605,
                    1.8102828458018823});
}

// Calibration segments: ln(signal) against ln(height), intercept recomputed about zero.
struct SegmentCase {
    double signals[3];
    double slope;
    double intercept;
    double maxAbs;
    double maxAbsTolerance;
};

TEST(OrthoPolyFitResults, CalibrationSegmentsOfThreePoints) {
    const SegmentCase cases[] = {
        {{9895, 6991, 4140}, -0.642249, 9.597437, 1.4e-5, 0.05e-5},
        {{10000, 7000, 4100}, -0.627762, 9.470492, 0.00048, 0.000005},
        {{10000, 5000, 4100}, -0.547921, 8.706898, 0.1281, 0.00005},
    };
    const double heights[] = {40, 50, 70};
    for (const SegmentCase& segment : cases) {
        double x[3];
        double y[3];
        double sum = 0;
        for (int j = 0; j < 3; ++j) {
            x[j] = std::log(segment.signals[j]);
            y[j] = std::log(heights[j]);
            sum = x[j] + sum;
        }
        const double mean = sum / 3;
        Outputs out;
        ASSERT_EQ(out.Fit(x, y, 3, 2), 1);
        EXPECT_NEAR(out.a[1], segment.slope, 5e-7) << segment.signals[1];
        EXPECT_NEAR(out.a[0] - (out.a[1] * mean), segment.intercept, 5e-7) << segment.signals[1];
        EXPECT_NEAR(out.maxAbs, segment.maxAbs, segment.maxAbsTolerance) << segment.signals[1];
    }
}

// Nothing may be written or printed when the fit is refused.
void ExpectRefused(const double* x, const double* y, int n, int m) {
    Outputs out;
    testing::internal::CaptureStdout();
    const int result = out.Fit(x, y, n, m);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(result, 0) << "n=" << n << " m=" << m;
    EXPECT_TRUE(out.AllUntouched()) << "n=" << n << " m=" << m;
}

TEST(OrthoPolyFitRefusal, ArgumentsOutsideTheirRange) {
    const double x[] = {1, 2, 4};
    const double y[] = {1, 3, 2};
    ExpectRefused(x, y, 0, 0);
    ExpectRefused(x, y, 0, 1);
    ExpectRefused(x, y, -1, 1);
    ExpectRefused(x, y, 3, 0);
    ExpectRefused(x, y, 3, -2);
    ExpectRefused(x, y, 2, 3);
    ExpectRefused(x, y, 1, 2);
}

TEST(OrthoPolyFitRefusal, PointsThatDoNotDetermineThePolynomial) {
    const double same[] = {8.5, 8.5, 8.5, 8.5};
    const double y[] = {1, 3, 2, 5};
    ExpectRefused(same, y, 3, 2);
    ExpectRefused(same, y, 4, 2);
    const double twoValues[] = {1, 2, 1, 2};
    ExpectRefused(twoValues, y, 4, 3);

    Outputs out;
    EXPECT_EQ(out.Fit(same, y, 4, 1), 1) << "a constant needs one abscissa only";
    EXPECT_EQ(out.a[0], 2.75);
    Outputs line;
    EXPECT_EQ(line.Fit(twoValues, y, 4, 2), 1);
}

TEST(OrthoPolyFitRefusal, ValuesThatAreNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double good[] = {1, 2, 4};
    const double withNan[] = {1, nan, 4};
    const double withInf[] = {1, 2, -inf};
    ExpectRefused(withNan, good, 3, 2);
    ExpectRefused(withInf, good, 3, 2);
    ExpectRefused(good, withNan, 3, 2);
    ExpectRefused(good, withInf, 3, 1);
}

// Nine points: more than fit in the work space on the stack, so the vectors come from the storage.
constexpr double ManyX[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr double ManyY[] = {1, 2, 5, 10, 17, 26, 37, 50, 65};

TEST(OrthoPolyFitStorage, ThreeVectorsOfNAreObtainedAndReleasedForManyPoints) {
    CountingStorage storage;
    InstalledStorage installed(storage);
    Outputs out;
    ASSERT_EQ(out.Fit(ManyX, ManyY, 9, 3), 1);
    EXPECT_EQ(storage.requests, 3);
    EXPECT_EQ(storage.lastCount, 9u);
    EXPECT_EQ(storage.outstanding, 0);
}

// A segment's few points never need the storage, so a calibration cannot fail for want of memory.
TEST(OrthoPolyFitStorage, FewPointsNeverAskTheStorage) {
    CountingStorage failing(0);
    InstalledStorage installed(failing);
    const double x[] = {0, 1, 2, 3, 4, 5, 6, 7};
    const double y[] = {1, 2, 5, 10, 17, 26, 37, 50};
    Outputs out;
    ASSERT_EQ(out.Fit(x, y, 8, 3), 1);
    EXPECT_NEAR(out.a[2], 1.0, 1e-12);
    EXPECT_EQ(failing.requests, 0);
}

TEST(OrthoPolyFitStorage, EachFailedAllocationIsReportedOnce) {
    for (int failAt = 0; failAt < 3; ++failAt) {
        CountingStorage storage(failAt);
        InstalledStorage installed(storage);
        Outputs out;
        testing::internal::CaptureStdout();
        const int result = out.Fit(ManyX, ManyY, 9, 2);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "内存分配失败\n") << failAt;
        EXPECT_EQ(result, 0) << failAt;
        EXPECT_TRUE(out.AllUntouched()) << failAt;
        EXPECT_EQ(storage.requests, failAt + 1) << "no request after the failed one";
        EXPECT_EQ(storage.outstanding, 0) << "vectors obtained before the failure are released";
    }
}

TEST(OrthoPolyFitStorage, HeapIsUsedAgainOnceTheInstalledStorageIsRemoved) {
    CountingStorage failing(0);
    FitWorkStorage* const before = InstallFitWorkStorage(&failing);
    EXPECT_EQ(before, nullptr);
    EXPECT_EQ(&CurrentFitWorkStorage(), &failing);
    EXPECT_EQ(InstallFitWorkStorage(before), &failing);

    Outputs out;
    EXPECT_EQ(out.Fit(ManyX, ManyY, 9, 2), 1);
    EXPECT_EQ(failing.requests, 0);
}

} // namespace
} // namespace slabcal

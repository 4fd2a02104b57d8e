#include "fitting/OrthoPolyFit.h"

#include "fitting/FitWorkStorage.h"
#include "texts/Texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

namespace slabcal {
namespace {

// Up to this many points the work vectors live on the stack: a calibration segment has three or four, and
// three heap allocations would cost more than the fit itself.
constexpr int InlinePoints = 8;

// The three polynomials of the recurrence, in powers of (x - z), zero-filled; given back to their storage
// on every path.
class WorkVectors final {
public:
    WorkVectors(FitWorkStorage& storage, int n) : source(storage) {
        const auto count = static_cast<std::size_t>(n);
        if (n <= InlinePoints) {
            std::fill_n(onStack.begin(), 3 * count, 0.0);
            next = onStack.data();
            current = next + count;
            previous = current + count;
            return;
        }
        next = source.Obtain(count);
        if (next != nullptr) {
            current = source.Obtain(count);
        }
        if (current != nullptr) {
            previous = source.Obtain(count);
        }
    }
    ~WorkVectors() {
        if (next == onStack.data()) {
            return;
        }
        for (double* block : {previous, current, next}) {
            if (block != nullptr) {
                source.Release(block);
            }
        }
    }
    WorkVectors(const WorkVectors&) = delete;
    WorkVectors& operator=(const WorkVectors&) = delete;

    [[nodiscard]] bool Complete() const { return previous != nullptr; }

    double* next = nullptr;
    double* current = nullptr;
    double* previous = nullptr;

private:
    FitWorkStorage& source;
    std::array<double, 3 * InlinePoints> onStack;
};

bool AllFinite(const double* values, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

// A polynomial with m coefficients is determined only by m different abscissae; with fewer, the recurrence
// divides by a norm that is zero up to rounding and yields meaningless numbers. The values are counted in
// ascending order, each pass finding the smallest one above the last, so no storage is needed; a line needs
// only one value other than the first.
bool HasDistinctValues(const double* x, int n, int m) {
    if (m == 2) {
        return std::any_of(x + 1, x + n, [first = x[0]](double value) { return value != first; });
    }
    double last = -std::numeric_limits<double>::infinity();
    for (int found = 0; found < m; ++found) {
        bool any = false;
        double smallest = 0.0;
        for (int i = 0; i < n; ++i) {
            if (x[i] > last && (!any || x[i] < smallest)) {
                smallest = x[i];
                any = true;
            }
        }
        if (!any) {
            return false;
        }
        last = smallest;
    }
    return true;
}

// Horner's rule for a polynomial in powers of u = x - z.
double Evaluate(const double* coefficients, int degree, double u) {
    double v = coefficients[degree];
    for (int k = degree - 1; k >= 0; --k) {
        v = (u * v) + coefficients[k];
    }
    return v;
}

struct Projection {
    double norm = 0.0;     // sum of Q², the squared norm of the polynomial Q over the points
    double onto = 0.0;     // sum of y·Q
    double weighted = 0.0; // sum of (x - z)·Q², which the next degree's recurrence needs
};

Projection Project(const double* polynomial, int degree, const double* x, const double* y, int n, double z) {
    Projection sums;
    for (int i = 0; i < n; ++i) {
        const double u = x[i] - z;
        const double w = Evaluate(polynomial, degree, u);
        sums.norm = (w * w) + sums.norm;
        sums.onto = (y[i] * w) + sums.onto;
        sums.weighted = ((u * w) * w) + sums.weighted;
    }
    return sums;
}

void ReportAllocationFailure() {
    std::fwrite(texts::AllocationFailed.data(), 1, texts::AllocationFailed.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The straight line (m = 2) of a few points, as every calibration segment is fitted: the same operations
// in the same order as the general recurrence below, which for m = 2 needs no work vectors (the degree-1
// polynomial is (x - z) - p), so the bits are the same.
void FitLine(const double* x, const double* y, double* a, int n, double* sumSquares, double* sumAbs,
             double* maxAbs) {
    double z = 0.0;
    const double r = 1.0 / n;
    for (int i = 0; i < n; ++i) {
        z = (r * x[i]) + z;
    }
    double p = 0.0;
    double c = 0.0;
    for (int i = 0; i < n; ++i) {
        p = (p + x[i]) - z;
        c = c + y[i];
    }
    const double r1 = 1.0 / static_cast<double>(n);
    p = r1 * p;
    c = r1 * c;
    double a0 = c;

    double norm = 0.0;
    double onto = 0.0;
    for (int i = 0; i < n; ++i) {
        const double w = (x[i] - z) - p;
        norm = (w * w) + norm;
        onto = (y[i] * w) + onto;
    }
    const double a1 = (1.0 / norm) * onto;
    a0 = (-p * a1) + a0;

    double squares = 0.0;
    double absolutes = 0.0;
    double largest = 0.0;
    for (int i = 0; i < n; ++i) {
        const double e = (((x[i] - z) * a1) + a0) - y[i];
        const double f = std::abs(e);
        if (f > largest) {
            largest = f;
        }
        squares = (e * e) + squares;
        absolutes = f + absolutes;
    }
    a[0] = a0;
    a[1] = a1;
    *sumSquares = squares;
    *sumAbs = absolutes;
    *maxAbs = largest;
}

} // namespace

// The order of every operation below is part of the result: the stored calibration depends on the last bits.
int OrthoPolyFit(const double* x, const double* y, double* a, int n, int m, double* sumSquares,
                 double* sumAbs, double* maxAbs) {
    if (n < 1 || m < 1 || m > n || !AllFinite(x, n) || !AllFinite(y, n) || !HasDistinctValues(x, n, m)) {
        return 0;
    }
    if (m == 2 && n <= InlinePoints) {
        FitLine(x, y, a, n, sumSquares, sumAbs, maxAbs);
        return 1;
    }
    WorkVectors work(CurrentFitWorkStorage(), n);
    if (!work.Complete()) {
        ReportAllocationFailure();
        return 0;
    }
    double* const next = work.next;
    double* const current = work.current;
    double* const previous = work.previous;

    double z = 0.0;
    const double r = 1.0 / n;
    for (int i = 0; i < n; ++i) {
        z = (r * x[i]) + z;
    }

    previous[0] = 1.0;
    double d1 = n;
    double p = 0.0;
    double c = 0.0;
    for (int i = 0; i < n; ++i) {
        p = (p + x[i]) - z;
        c = c + y[i];
    }
    const double r1 = 1.0 / d1;
    p = r1 * p;
    c = r1 * c;
    a[0] = c;

    if (m >= 2) {
        // With current = (1, -p), Horner's (u * 1.0) + (-p) is exactly u - p.
        current[1] = 1.0;
        current[0] = -p;
        const Projection first = Project(current, 1, x, y, n, z);
        const double r2 = 1.0 / first.norm;
        c = r2 * first.onto;
        p = r2 * first.weighted;
        double q = r1 * first.norm;
        d1 = first.norm;
        a[1] = c;
        a[0] = (current[0] * c) + a[0];

        for (int j = 2; j < m; ++j) {
            next[j] = current[j - 1];
            next[j - 1] = current[j - 2] - (current[j - 1] * p);
            for (int k = j - 2; k >= 1; --k) {
                next[k] = (current[k - 1] - (current[k] * p)) - (previous[k] * q);
            }
            next[0] = -(current[0] * p) - (previous[0] * q);

            const Projection sums = Project(next, j, x, y, n, z);
            const double r2j = 1.0 / sums.norm;
            c = r2j * sums.onto;
            p = r2j * sums.weighted;
            q = sums.norm / d1;
            d1 = sums.norm;

            a[j] = next[j] * c;
            current[j] = next[j];
            for (int k = j - 1; k >= 0; --k) {
                a[k] = (next[k] * c) + a[k];
                previous[k] = current[k];
                current[k] = next[k];
            }
        }
    }

    double squares = 0.0;
    double absolutes = 0.0;
    double largest = 0.0;
    for (int i = 0; i < n; ++i) {
        const double e = Evaluate(a, m - 1, x[i] - z) - y[i];
        const double f = std::abs(e);
        if (f > largest) {
            largest = f;
        }
        squares = (e * e) + squares;
        absolutes = f + absolutes;
    }
    *sumSquares = squares;
    *sumAbs = absolutes;
    *maxAbs = largest;
    return 1;
}

} // namespace slabcal

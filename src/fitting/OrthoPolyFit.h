#pragma once

namespace slabcal {

// Least-squares fit of a polynomial with m coefficients (degree m - 1) to the n points (x[i], y[i]), built
// from polynomials orthogonal over the x values. The coefficients come back in powers of (x - z), z being
// the mean of x, which the caller recomputes when it needs the ordinary form:
//   P(x) = a[0] + a[1]*(x - z) + ... + a[m-1]*(x - z)^(m-1).
// The three measures are taken over the residuals e_i = P(x[i]) - y[i]: sum of e_i², sum of |e_i|, max |e_i|.
//
// Result 1: a[0..m-1] and the three measures hold the fit.
// Result 0, with a and the measures left as they were:
//   - the work storage could not be obtained ("内存分配失败" is then written to standard output);
//   - the arguments are outside n >= 1 and 1 <= m <= n, a value is not finite, or x holds fewer than m
//     different values, so the points do not determine the polynomial (nothing is written).
// The results are reproducible to the last bit: every step is evaluated in a fixed order.
[[nodiscard]] int OrthoPolyFit(const double* x, const double* y, double* a, int n, int m, double* sumSquares,
                               double* sumAbs, double* maxAbs);

} // namespace slabcal

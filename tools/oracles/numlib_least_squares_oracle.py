#!/usr/bin/python3
"""Reference results for the library's regression and least-squares solvers.

    /usr/bin/python3 tools/oracles/numlib_least_squares_oracle.py

writes into tests/data/numlib/:
  regression_fits.csv      regression problems and their coefficients, total and
                           residual sums of squares: NIST StRD Longley (certified
                           values, checked again here by exact rational
                           arithmetic), the creep fit's Prony-series regressions
                           (k = 4, 3, 2), seeded random problems with and without
                           an intercept (numpy.linalg.lstsq, confirmed by a
                           40-digit QR solve in mpmath, whose values are
                           written), log-log lines and
                           quadratic fits (numpy.polyfit); sums of squares are
                           evaluated with mpmath at 40 digits;
  regression_weighted.csv  rows with frequencies and weights (a frequency 0 and a
                           NaN weight among them) and the weighted fit
                           (numpy.linalg.lstsq on rows times sqrt(f*w)).

Layout of regression_fits.csv, one problem after another:
  case, nobs, nind, intcep, tolerance        header
  y, x1 .. xnind                             nobs rows
  b(1) .. b(nind+intcep), sst, sse           expected
"""

import fractions
import math

from numlib_common import require, write_csv

np, mpmath = require("numpy", "mpmath")

mpmath.mp.dps = 40

# ---- NIST StRD Longley ---------------------------------------------------------

LONGLEY = [
    (60323, 83.0, 234289, 2356, 1590, 107608, 1947),
    (61122, 88.5, 259426, 2325, 1456, 108632, 1948),
    (60171, 88.2, 258054, 3682, 1616, 109773, 1949),
    (61187, 89.5, 284599, 3351, 1650, 110929, 1950),
    (63221, 96.2, 328975, 2099, 3099, 112075, 1951),
    (63639, 98.1, 346999, 1932, 3594, 113270, 1952),
    (64989, 99.0, 365385, 1870, 3547, 115094, 1953),
    (63761, 100.0, 363112, 3578, 3350, 116219, 1954),
    (66019, 101.2, 397469, 2904, 3048, 117388, 1955),
    (67857, 104.6, 419180, 2822, 2857, 118734, 1956),
    (68169, 108.4, 442769, 2936, 2798, 120445, 1957),
    (66513, 110.8, 444546, 4681, 2637, 121950, 1958),
    (68655, 112.6, 482704, 3813, 2552, 123366, 1959),
    (69564, 114.2, 502601, 3931, 2514, 125368, 1960),
    (69331, 115.7, 518173, 4806, 2572, 127852, 1961),
    (70551, 116.9, 554894, 4007, 2827, 130081, 1962),
]
LONGLEY_CERTIFIED = [-3482258.63459582, 15.0618722713733, -0.0358191792925910,
                     -2.02022980381683, -1.03322686717359, -0.0511041056535807,
                     1829.15146461355]
LONGLEY_SSE = 836424.055505915
LONGLEY_SST = 185008826.0


def exact_least_squares(rows):
    """Coefficients, SST and SSE of y on (1, x) by the normal equations in
    rational arithmetic."""
    F = fractions.Fraction
    data = [[F(str(v)) for v in row] for row in rows]
    n = len(data[0])
    xs = [[F(1)] + row[1:] for row in data]
    ys = [row[0] for row in data]
    a = [[sum(x[i] * x[j] for x in xs) for j in range(n)] for i in range(n)]
    rhs = [sum(x[i] * y for x, y in zip(xs, ys)) for i in range(n)]
    for k in range(n):  # Gauss-Jordan, exact
        p = next(i for i in range(k, n) if a[i][k] != 0)
        a[k], a[p], rhs[k], rhs[p] = a[p], a[k], rhs[p], rhs[k]
        for i in range(n):
            if i != k and a[i][k] != 0:
                f = a[i][k] / a[k][k]
                a[i] = [u - f * v for u, v in zip(a[i], a[k])]
                rhs[i] -= f * rhs[k]
    b = [rhs[i] / a[i][i] for i in range(n)]
    mean = sum(ys) / len(ys)
    sst = sum((y - mean) ** 2 for y in ys)
    sse = sum((y - sum(bi * xi for bi, xi in zip(b, x))) ** 2 for x, y in zip(xs, ys))
    return b, sst, sse


def longley_case():
    b, sst, sse = exact_least_squares(LONGLEY)
    for exact, certified in zip(b + [sst, sse], LONGLEY_CERTIFIED + [LONGLEY_SST, LONGLEY_SSE]):
        assert abs(float(exact) - certified) <= 1e-13 * abs(certified), (exact, certified)
    rows = [[float(v) for v in row[:1] + row[1:]] for row in LONGLEY]
    return rows, LONGLEY_CERTIFIED + [LONGLEY_SST, LONGLEY_SSE]


# ---- problems solved by numpy ------------------------------------------------------

def sums_of_squares(y, x, intcep, b):
    """SST and SSE at the coefficients B, in 40-digit arithmetic."""
    y = [mpmath.mpf(v) for v in y]
    mean = sum(y) / len(y) if intcep else 0
    sst = sum((v - mean) ** 2 for v in y)
    sse = 0
    for i, v in enumerate(y):
        fit = mpmath.mpf(b[0]) if intcep else 0
        for j in range(x.shape[1]):
            fit += mpmath.mpf(b[intcep + j]) * mpmath.mpf(x[i, j])
        sse += (v - fit) ** 2
    return float(sst), float(sse)


def lstsq_case(y, x, intcep):
    """numpy.linalg.lstsq's coefficients, confirmed to 1e-9 by a 40-digit QR
    solve (mpmath), whose values are written."""
    design = np.column_stack([np.ones(len(y))] + [x]) if intcep else x
    b = np.linalg.lstsq(design, y, rcond=None)[0]
    exact = mpmath.qr_solve(mpmath.matrix(design.tolist()), mpmath.matrix(y.tolist()))[0]
    exact = [float(v) for v in exact]
    scale = max(abs(v) for v in exact)
    for u, v in zip(b, exact):
        assert abs(u - v) <= 1e-9 * max(abs(v), 1e-3 * scale), (u, v)
    sst, sse = sums_of_squares(y, x, intcep, exact)
    rows = [[y[i]] + list(x[i]) for i in range(len(y))]
    return rows, exact + [sst, sse], np.linalg.cond(design / np.abs(design).max(axis=0))


def prony_regressors(k, shift=5.5, count=30):
    """The creep fit's regression: reduced times over 10^-3..10^6, responses from
    a power-law compliance (x 1e7), retardation times 10^(j*s)."""
    s = (shift + 2.0) / (k + 1)
    lam = [10.0 ** (j * s) for j in range(1, k + 1)]
    t = np.array([10.0 ** (-3.0 + 9.0 * i / (count - 1)) for i in range(count)])
    y = 2.0 + 0.8 * t ** 0.45
    x = np.column_stack([1.0 - np.exp(-t / lj) for lj in lam] + [t])
    return y, x


def polynomial_case(u, v, degree):
    """A line or parabola in u by numpy.polyfit, highest power last in B."""
    coef = np.polyfit(u, v, degree)[::-1]
    x = np.column_stack([u ** p for p in range(1, degree + 1)])
    sst, sse = sums_of_squares(v, x, 1, coef)
    rows = [[v[i]] + list(x[i]) for i in range(len(v))]
    return rows, list(coef) + [sst, sse]


def regression_rows():
    out = []

    def add(case, rows, expected, intcep, tolerance):
        nind = len(rows[0]) - 1
        out.append([case, len(rows), nind, intcep, tolerance])
        out.extend(rows)
        out.append(expected)

    rows, expected = longley_case()
    add(1, rows, expected, 1, 1e-9)

    for case, k in ((2, 4), (3, 3), (4, 2)):
        y, x = prony_regressors(k)
        rows, expected, cond = lstsq_case(y, x, 1)
        print(f"Prony k={k}: condition {cond:.3g} (columns scaled)")
        add(case, rows, expected, 1, 1e-9)

    rng = np.random.default_rng(20261209)
    for case, (nobs, nind, intcep) in zip((5, 6, 7, 8), ((50, 3, 1), (40, 4, 0), (12, 6, 1),
                                                      (200, 10, 1))):
        x = rng.uniform(-3.0, 5.0, size=(nobs, nind))
        y = 1.5 * intcep + x @ rng.uniform(-2.0, 2.0, size=nind) + rng.normal(0, 0.3, nobs)
        rows, expected, cond = lstsq_case(y, x, intcep)
        add(case, rows, expected, intcep, 1e-9)

    # Log-log slopes of a creep curve (seven points) and quadratic fits of the
    # master curve, seven and twenty points.
    t = np.array([1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0])
    compliance = 1e-7 * (1.2 + 0.3 * t ** 0.41)
    u, v = np.log10(t), np.log10(compliance)
    add(9, *polynomial_case(u, v, 1), 1, 1e-9)
    add(10, *polynomial_case(u, v, 2), 1, 1e-9)
    u20 = np.linspace(-1.0, 3.0, 20)
    v20 = -6.2 + 0.35 * u20 + 0.04 * u20 ** 2 + 0.01 * np.sin(3.0 * u20)
    add(11, *polynomial_case(u20, v20, 2), 1, 1e-9)
    return out


# ---- weights and frequencies -------------------------------------------------

def weighted_rows():
    """Columns x1, x2, y, frequency, weight; then b(1..3), SSE, DFE, NRMISS."""
    rng = np.random.default_rng(7)
    n = 25
    x = rng.uniform(0.0, 4.0, size=(n, 2))
    y = 0.7 + x @ np.array([1.3, -0.4]) + rng.normal(0, 0.2, n)
    freq = rng.integers(1, 4, size=n).astype(float)
    weight = rng.uniform(0.2, 3.0, size=n)
    freq[4] = 0.0            # skipped
    weight[9] = math.nan     # skipped and counted
    used = (freq > 0) & ~np.isnan(weight)
    w = freq[used] * weight[used]
    design = np.column_stack([np.ones(used.sum()), x[used]])
    b = np.linalg.lstsq(design * np.sqrt(w)[:, None], y[used] * np.sqrt(w), rcond=None)[0]
    sse = 0
    for i in np.flatnonzero(used):
        r = mpmath.mpf(y[i]) - (mpmath.mpf(b[0]) + mpmath.mpf(b[1]) * mpmath.mpf(x[i, 0])
                                 + mpmath.mpf(b[2]) * mpmath.mpf(x[i, 1]))
        sse += mpmath.mpf(freq[i]) * mpmath.mpf(weight[i]) * r * r
    rows = [[x[i, 0], x[i, 1], y[i], freq[i], weight[i]] for i in range(n)]
    rows.append(list(b) + [float(sse), float(freq[used].sum() - 3), 1])
    return rows


def main():
    write_csv("regression_fits.csv",
              "case,nobs,nind,intcep,tolerance / y,x1..xnind / b..,sst,sse", regression_rows())
    write_csv("regression_weighted.csv",
              "x1,x2,y,frequency,weight (25 rows) / b1,b2,b3,sse,dfe,nrmiss", weighted_rows())


if __name__ == "__main__":
    main()

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
                           (numpy.linalg.lstsq on rows times sqrt(f*w));
  constrained_lsq.csv      bounded and constrained least-squares problems and
                           their solutions: every active set enumerated (each
                           variable free or at a bound, each constraint inactive
                           or at a limit), the feasible minimum kept and solved
                           again by its KKT system at 40 digits; the bounds-only
                           ones also agree with scipy.optimize.lsq_linear
                           (method "bvls"). Seeded random problems, the creep
                           fit's relaxation moduli (K = 3, 4, 5) and one problem
                           for each kind of constraint and bound, and one
                           whose constraints leave a variable out.

Layout of regression_fits.csv, one problem after another:
  case, nobs, nind, intcep, tolerance        header
  y, x1 .. xnind                             nobs rows
  b(1) .. b(nind+intcep), sst, sse           expected
"""

import fractions
import math

from numlib_common import require, write_csv

np, scipy, mpmath = require("numpy", "scipy", "mpmath")

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


# ---- constrained least squares ---------------------------------------------------

NO_LOWER, NO_UPPER = 1.0e30, -1.0e30


def kkt_solve(a, b, rows, values, digits=None):
    """min |A x - b| subject to rows·x = values, by the KKT system (mpmath at
    DIGITS when given); None when the system is singular."""
    n = a.shape[1]
    m = len(rows)
    if digits is None:
        k = np.zeros((n + m, n + m))
        k[:n, :n] = a.T @ a
        rhs = np.concatenate([a.T @ b, values]) if m else a.T @ b
        if m:
            e = np.array(rows)
            k[:n, n:] = e.T
            k[n:, :n] = e
        if np.linalg.matrix_rank(k) < n + m:
            return None
        return np.linalg.solve(k, rhs)[:n]
    with mpmath.workdps(digits):
        am = mpmath.matrix(a.tolist())
        k = mpmath.zeros(n + m, n + m)
        ata = am.T * am
        rhs = mpmath.zeros(n + m, 1)
        atb = am.T * mpmath.matrix(b.tolist())
        for i in range(n):
            rhs[i] = atb[i]
            for j in range(n):
                k[i, j] = ata[i, j]
        for r, (row, v) in enumerate(zip(rows, values)):
            rhs[n + r] = mpmath.mpf(v)
            for j in range(n):
                k[n + r, j] = k[j, n + r] = mpmath.mpf(row[j])
        sol = mpmath.lu_solve(k, rhs)
        return np.array([float(sol[i]) for i in range(n)])


def enumerate_active_sets(p):
    """The exact solution of a small problem: every variable free, at its lower
    or at its upper bound, every constraint inactive, at BL or at BU; the
    feasible equality-constrained minimum with the smallest residual, refined
    at 40 digits."""
    import itertools
    a, b, c = p["a"], p["b"], p["c"]
    n, m = a.shape[1], len(p["bl"])

    def var_states(j):
        states = ["free"]
        if p["xlb"][j] != NO_LOWER:
            states.append("lower")
        if p["xub"][j] != NO_UPPER:
            states.append("upper")
        return states

    def con_states(i):
        t = p["irtype"][i]
        if t in (0, 3) and p["bl"][i] == p["bu"][i]:
            return ["lower"]
        states = ["free"]
        if t in (0, 2, 3):
            states.append("lower")
        if t in (0, 1, 3):
            states.append("upper")
        return states

    def equalities(choice):
        rows, values = [], []
        for j, s in enumerate(choice[:n]):
            if s != "free":
                e = np.zeros(n)
                e[j] = 1.0
                rows.append(e)
                values.append(p["xlb"][j] if s == "lower" else p["xub"][j])
        for i, s in enumerate(choice[n:]):
            if s != "free":
                rows.append(c[i])
                values.append(p["bl"][i] if s == "lower" else p["bu"][i])
        return rows, values

    def feasible(x):
        tol = 1e-9
        for j in range(n):
            lo, hi = p["xlb"][j], p["xub"][j]
            if lo != NO_LOWER and x[j] < lo - tol * max(1, abs(lo)):
                return False
            if hi != NO_UPPER and x[j] > hi + tol * max(1, abs(hi)):
                return False
        for i in range(m):
            v, t = c[i] @ x, p["irtype"][i]
            if t in (0, 2, 3) and v < p["bl"][i] - tol * max(1, abs(p["bl"][i])):
                return False
            if t in (0, 1, 3) and v > p["bu"][i] + tol * max(1, abs(p["bu"][i])):
                return False
        return True

    best, best_choice = None, None
    for choice in itertools.product(*([var_states(j) for j in range(n)]
                                      + [con_states(i) for i in range(m)])):
        rows, values = equalities(choice)
        if len(rows) > n:
            continue
        x = kkt_solve(a, b, rows, values)
        if x is None or not feasible(x):
            continue
        r = np.linalg.norm(a @ x - b)
        if best is None or r < best - 1e-13 * max(best, 1e-300):
            best, best_choice = r, choice
    rows, values = equalities(best_choice)
    return kkt_solve(a, b, rows, values, digits=40), best_choice


def bvls(p):
    import scipy.optimize
    lo = [-np.inf if v == NO_LOWER else v for v in p["xlb"]]
    hi = [np.inf if v == NO_UPPER else v for v in p["xub"]]
    return scipy.optimize.lsq_linear(p["a"], p["b"], bounds=(lo, hi), method="bvls",
                                     tol=1e-15).x


def problem(a, b, xlb, xub, c=None, bl=(), bu=(), irtype=()):
    return {"a": np.array(a, float), "b": np.array(b, float), "xlb": list(xlb), "xub": list(xub),
            "c": np.zeros((0, np.shape(a)[1])) if c is None else np.array(c, float),
            "bl": list(bl), "bu": list(bu), "irtype": list(irtype)}


def random_bounded(rng, m, n):
    """Bounds cutting the unconstrained solution on about half the variables,
    of every type."""
    a = rng.normal(size=(m, n))
    b = a @ rng.uniform(-2, 2, n) + rng.normal(0, 0.5, m)
    free = np.linalg.lstsq(a, b, rcond=None)[0]
    xlb, xub = [], []
    for j in range(n):
        kind = rng.integers(0, 5)
        cut = free[j] - 0.4 * abs(free[j]) - 0.2
        raise_ = free[j] + 0.4 * abs(free[j]) + 0.2
        if kind == 0:    # both, upper active
            xlb.append(cut - 3.0), xub.append(cut)
        elif kind == 1:  # both, lower active
            xlb.append(raise_), xub.append(raise_ + 3.0)
        elif kind == 2:  # lower only, inactive or active
            xlb.append(raise_ if rng.integers(0, 2) else cut), xub.append(NO_UPPER)
        elif kind == 3:  # upper only
            xlb.append(NO_LOWER), xub.append(cut if rng.integers(0, 2) else raise_)
        else:            # free
            xlb.append(NO_LOWER), xub.append(NO_UPPER)
    return problem(a, b, xlb, xub)


def relaxation_fit(k):
    """The creep fit's relaxation moduli: K relaxation times from 10 to 1e6,
    M rows from the 1.5 rule, E(j) in [1e-5, 1/c1], sum E = 1/c1 and
    sum rho·E = c_n. The right side 1/Z is the Carson transform of a relaxation
    series E at the exact times; the matrix and the constraint take the times
    as a root finder gives them, to 1e-6 relative, so the fit is close but not
    exact, as in the engine."""
    moduli = [0.21, 0.12, 0.055, 0.012, 0.0021][:k]
    rho = [10.0 ** (1.0 + 5.0 * j / (k - 1)) for j in range(k)]
    found = [r * (1.0 + 1e-6 * math.sin(j + 1.0)) for j, r in enumerate(rho)]
    c1 = 1.0 / sum(moduli)
    cn = sum(r * e for r, e in zip(rho, moduli))
    m = max(k, int(math.log10(found[-1] / found[0]) / float(np.float32(0.17609126))) + 1)
    t = [found[0] * 1.5 ** i for i in range(m)]
    b = [sum(e * (r / ti) / (r / ti + 1.0) for r, e in zip(rho, moduli)) for ti in t]
    a = [[(r / ti) / (r / ti + 1.0) for r in found] for ti in t]
    return problem(a, b, [1e-5] * k, [1.0 / c1] * k, c=[[1.0] * k, found],
                   bl=[1.0 / c1, cn], bu=[1.0 / c1, cn], irtype=[0, 0])


def constrained_cases():
    rng = np.random.default_rng(20261210)
    cases = []
    for _ in range(6):   # bounds only, against scipy's BVLS
        m, n = int(rng.integers(6, 14)), int(rng.integers(2, 6))
        cases.append(("bvls", random_bounded(rng, m, n)))
    for k in (3, 4, 5):
        cases.append(("relaxation", relaxation_fit(k)))

    def with_constraints(kinds, bounds, m=9, n=4, zero_column=None):
        p = random_bounded(rng, m, n)
        free = np.linalg.lstsq(p["a"], p["b"], rcond=None)[0]
        p["xlb"], p["xub"] = [v[0] for v in bounds], [v[1] for v in bounds]
        c = rng.normal(size=(len(kinds), n))
        if zero_column is not None:
            c[:, zero_column] = 0.0
        p["c"] = c
        for i, kind in enumerate(kinds):
            v = c[i] @ free
            if kind == 1:                        # C x <= BU, active
                p["bl"].append(-5.0), p["bu"].append(v - 0.7)
            elif kind == 2:                      # C x >= BL, active
                p["bl"].append(v + 0.7), p["bu"].append(5.0)
            elif kind == 3:                      # two-sided, upper active
                p["bl"].append(v - 3.0), p["bu"].append(v - 0.5)
            elif kind == 0:                      # two-sided, wide
                p["bl"].append(v - 0.6), p["bu"].append(v + 0.2)
            else:                                # equality
                p["bl"].append(v + 0.3), p["bu"].append(v + 0.3)
            p["irtype"].append(0 if kind in (0, 4) else kind)
        return p

    boxed = [(-1.0, 1.5), (-2.0, 0.5), (-0.5, 2.0), (-1.5, 1.0)]
    cases.append(("types 1 and 2, all boxed", with_constraints([1, 2], boxed)))
    cases.append(("type 3 and type 0 with BL < BU", with_constraints([3, 0], boxed)))
    cases.append(("free and upper-only under equalities",
                  with_constraints([4, 4], [(NO_LOWER, NO_UPPER), (NO_LOWER, 0.4),
                                            (-1.0, 1.0), (-2.0, 2.0)])))
    cases.append(("XLB = -1e30 as a bound",
                  with_constraints([1], [(-1.0e30, 0.3), (-1.0, 1.0), (NO_LOWER, NO_UPPER),
                                         (-2.0, 2.0)])))
    cases.append(("constraints without variable 1",
                  with_constraints([1, 2], [(-5.0, 5.0)] * 4, zero_column=0)))
    # Variable 1 in no constraint and the others fixed: the constraint rows
    # leave out every column that can still move, so variable 1 must come in
    # through the equations (it starts at its lower bound; its optimum is inside).
    p = with_constraints([4, 2], [(-5.0, 5.0), (0.3, 0.3), (-0.2, -0.2), (0.5, 0.5)],
                         zero_column=0)
    v = p["c"] @ np.array([0.0, 0.3, -0.2, 0.5])
    p["bl"], p["bu"] = [v[0], v[1] - 1.0], [v[0], 5.0]
    cases.append(("variable 1 in no constraint, the others fixed", p))
    return cases


def constrained_rows():
    out = []
    for number, (what, p) in enumerate(constrained_cases(), start=1):
        x, active = enumerate_active_sets(p)
        if what == "bvls":
            other = bvls(p)
            assert np.allclose(other, x, rtol=1e-9, atol=1e-12), (other, x)
        n, m = p["a"].shape[1], len(p["bl"])
        print(f"case {number} ({what}): active {''.join(s[0] for s in active)}")
        out.append([number, p["a"].shape[0], n, m])
        out.extend(list(row) for row in p["a"])
        out.append(list(p["b"]))
        if m:
            out.extend(list(row) for row in p["c"])
            out.append(p["bl"])
            out.append(p["bu"])
            out.append(p["irtype"])
        out.append(p["xlb"])
        out.append(p["xub"])
        out.append(list(x))
    return out


def main():
    write_csv("regression_fits.csv",
              "case,nobs,nind,intcep,tolerance / y,x1..xnind / b..,sst,sse", regression_rows())
    write_csv("regression_weighted.csv",
              "x1,x2,y,frequency,weight (25 rows) / b1,b2,b3,sse,dfe,nrmiss", weighted_rows())
    write_csv("constrained_lsq.csv",
              "case,nra,nca,ncon / A rows / b / C rows, bl, bu, irtype (when ncon > 0) / "
              "xlb / xub / x", constrained_rows())


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reference values for the creep-compliance fit: master curve, power law,
Prony series, relaxation times and moduli.

    /usr/bin/python3 tools/oracles/creep_fit_oracle.py

writes into tests/data/engine/cracking/:
  creep_tables.csv        the test tables: name, strength, 21 compliances (the
                          values handed to the table writer);
  creep_master_curves.csv per table: the two shifts and misfits, the five
                          spans, the range case of each shift search, whether
                          the smoothing was kept, the u^2 term of each curve,
                          then the 30 master-curve times and compliances
                          (numpy lstsq fits, numpy.roots for the inverse, a
                          plain loop for the grid);
  creep_fit_reference.csv the reference mix: the bounded least-squares power law
                          (scipy least_squares, bounded TRF, several starts), the
                          k = 4 Prony coefficients (numpy lstsq), the relaxation
                          times (scipy brentq on each open interval) and the
                          exact residues of the Maxwell series;
  creep_series.csv        constructed series and their relaxation times (brentq);
  prony_cascade.csv       constructed master curves for the k = 4, 3, 2 cascade.

The table values are read back from their E14.6 text, as the fit reads them.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from numlib_common import num, require  # noqa: E402

np, scipy = require("numpy", "scipy")
import scipy.optimize  # noqa: E402

import cracking_oracle as co  # noqa: E402

f32 = co.f32
TIMES = co.TIMES
GRID_STEP = f32(0.05)


def write_csv(name, header, rows):
    co.write_csv(name, header, rows)


# ---- the test tables --------------------------------------------------------------

def power_curves(*curves):
    """Three curves a * t^m."""
    return [a * t ** m for a, m in curves for t in TIMES]


def shifted_power(m, shifts):
    return [1e-6 * (t * 10.0 ** s) ** m for s in shifts for t in TIMES]


def reference_table():
    _, _, s, d1, m = co.mixture_creep(4.0, 11.0, 10.98, -3.68)
    return s, [d1[k] * t ** m[k] for k in range(3) for t in TIMES]


TABLES = [
    ("reference",) + reference_table(),
    ("power_law", 300.0, shifted_power(0.3, (0.0, 1.0, 2.5))),
    ("smoothing", 300.0, power_curves((1e-6, 0.3), (1e-6 * 10.0 ** 0.5, 0.1),
                                      (1e-6 * 100.0 ** 0.3, 0.3))),
    ("crossing_flatter", 300.0, power_curves((1e-6, 0.4), (2e-6, 0.1),
                                             (2e-6 * 10.0 ** 0.05, 0.1))),
    ("crossing_steeper", 300.0, power_curves((2e-6, 0.1), (1e-6, 0.4),
                                             (1e-6 * 10.0 ** 0.12, 0.4))),
    ("below_span", 300.0, power_curves((2e-6, 0.3), (1e-6, 0.3), (1e-6 * 10.0 ** 0.09, 0.3))),
    ("below_kept", 300.0, power_curves((2e-6, 0.3), (1.5e-6, 0.3),
                                       (1.5e-6 * 10.0 ** 0.09, 0.3))),
    ("beyond_grid", 300.0, shifted_power(0.3, (0.0, 25.0, 25.5))),
    ("coincident", 300.0, shifted_power(0.3, (0.0, 0.0, 0.0))),
    ("small_m", 300.0, power_curves((1e-6, 0.08), (1.6e-6, 0.1), (2.5e-6, 0.12))),
    ("decreasing", 300.0, power_curves((1e-6, -0.02), (2e-6, 0.2), (4e-6, 0.3))),
    ("curved", 300.0, [10.0 ** (-6.5 + 0.15 * u + 0.06 * u * u + 0.4 * j)
                       for j in range(3) for u in map(math.log10, TIMES)]),
]


def table_values(values):
    """The compliances as the fit reads them back from the table's E14.6 fields."""
    out = []
    for v in values:
        text = co.fortran_e(v, 14, 6)
        out.append(float(text))
        mant = abs(v) / 10.0 ** (math.floor(math.log10(abs(v))) + 1) * 1e6
        if abs(mant - math.floor(mant) - 0.5) < 1e-6:
            print(f"warning: {v!r} lies next to a rounding tie")
    return out


# ---- master curve -------------------------------------------------------------------

def lstsq(columns, y):
    a = np.column_stack(columns)
    return np.linalg.lstsq(a, np.asarray(y), rcond=None)[0]


def line(u, y):
    b = lstsq([np.ones(len(u)), u], y)
    return (b[0], b[1], 0.0)


def quadratic(u, y):
    u = np.asarray(u)
    b = lstsq([np.ones(len(u)), u, u * u], y)
    return (b[0], b[1], b[2]) if b[2] >= 0.0 else line(u, y)


def value(c, u):
    return c[0] + c[1] * u + c[2] * u * u


def inverse(y, c):
    if c[2] < 1e-20 and abs(c[1]) > 1e-20:
        return -(c[0] - y) / c[1]
    return max(r.real for r in np.roots([c[2], c[1], c[0] - y]))


def grid(ua, ub):
    best, best_s, second = 1e12, None, 1e12
    for k in range(1, 1001):
        s = -30.5 + k * GRID_STEP
        q = 0.0
        for a, b in zip(ua, ub):
            q += (a - (s + b)) ** 2
        if q < best:
            second, best, best_s = best, q, s
        elif q < second:
            second = q
    if second - best < 1e-9 * max(best, 1e-300) + 1e-300:
        print(f"warning: grid near-tie {best} {second}")
    return best_s, best


def levels(first, last, fa, fb):
    d1, d2 = 10.0 ** first, 10.0 ** last
    lv = [math.log10(d1 + i * (d2 - d1) / 4) for i in range(5)]
    return [inverse(v, fa) for v in lv], [inverse(v, fb) for v in lv]


def shift_search(ca, cb, fa, fb, spans, ia, ib):
    """Curve B onto the colder curve A; returns shift, misfit and the range case."""
    (ua, ya), (ub, yb) = ca, cb
    if yb[0] > ya[0] and yb[6] > ya[6]:
        case, first = 1, value(fb, ub[0])
        us = inverse(first, fa)
        if ua[6] - us >= 1.0:
            last = value(fa, ua[6])
        else:
            last = value(fa, us + 1.0)
            spans[ia] = us + 1.0
    elif yb[0] > ya[0]:
        case, first, last = 2, value(fb, ub[0]), value(fb, ub[6])
    elif yb[6] > ya[6]:
        case, first, last = 3, value(fa, ua[0]), value(fa, ua[6])
    else:
        case, first = 4, value(fa, ua[0])
        if value(fb, ub[6]) > value(fa, ua[0] + 1.0):
            last = value(fb, ub[6])
        else:
            last = value(fa, ua[0] + 1.0)
            spans[ib] = ua[0] + 1.0
    s, q = grid(*levels(first, last, fa, fb))
    return s, q, case


def master_curve(values):
    curves, fits = [], []
    for j in range(3):
        u = np.log10(TIMES)
        y = np.log10(values[7 * j:7 * j + 7])
        curves.append((u, y))
        fits.append(quadratic(u, y))
    spans = [0.0] * 5
    s2, q2, case12 = shift_search(curves[0], curves[1], fits[0], fits[1], spans, 0, 1)
    s32, q3, case23 = shift_search(curves[1], curves[2], fits[1], fits[2], spans, 1, 2)
    s3 = s32 + s2
    default = math.log10(TIMES[6])

    def point_u(k, span):
        return k * (span if span > 0.0 else default) / 9

    smoothed = 0
    if q2 > f32(0.1) and q3 > f32(0.1):
        s13, q13, _ = shift_search(curves[0], curves[2], fits[0], fits[2], spans, 3, 4)
        if q13 < q2 and q13 < q3:
            smoothed = 1
            s3 = s13
            spans[0], spans[2] = spans[3], spans[4]
            u = [point_u(k, spans[0]) for k in range(10)] + \
                [point_u(k, spans[2]) + s13 for k in range(10)]
            y = [value(fits[0], point_u(k, spans[0])) for k in range(10)] + \
                [value(fits[2], point_u(k, spans[2])) for k in range(10)]
            combined = quadratic(u, y)
            s2, _ = grid(*levels(value(fits[1], 0.0), value(fits[1], 2.0), combined, fits[1]))
    times, compliances = [], []
    for j, shift in enumerate((0.0, s2, s3)):
        for k in range(10):
            u = point_u(k, spans[j])
            times.append(10.0 ** (u + shift))
            compliances.append(10.0 ** value(fits[j], u))
    return dict(s2=s2, s3=s3, q2=q2, q3=q3, spans=spans, cases=(case12, case23),
                smoothed=smoothed, c2=[f[2] for f in fits], times=times, compliances=compliances)


# ---- power law, Prony series, relaxation series ----------------------------------------

def power_law(times, compliances):
    t, target = np.asarray(times), np.asarray(compliances) / 1e-7
    best = None
    for start in ([1.0, 1.0, 0.5], [2.0, 0.5, 0.4], [0.1, 2.0, 0.3], [3.0, 0.1, 0.6]):
        r = scipy.optimize.least_squares(lambda x: target - (x[0] + x[1] * t ** x[2]), start,
                                         bounds=([0.0, 0.0, 0.0], [1e5, 1e5, 3.0]),
                                         method="trf", xtol=1e-15, ftol=1e-15, gtol=1e-15)
        f = float(np.sum(r.fun ** 2))
        if best is None or f < best[1]:
            best = (list(r.x), f)
    return best


def objective(times, compliances, x):
    return sum((d / 1e-7 - (x[0] + x[1] * t ** x[2])) ** 2 for t, d in zip(times, compliances))


def prony(times, compliances, s3):
    """The first of k = 4, 3, 2 whose coefficients are >= 0 with a positive dashpot."""
    t, y = np.asarray(times), np.asarray(compliances) * 1e7
    for k in (4, 3, 2):
        s = (s3 + 2.0) / (k + 1)
        lam = [10.0 ** (j * s) for j in range(1, k + 1)]
        b = lstsq([np.ones(30)] + [1.0 - np.exp(-t / l) for l in lam] + [t], y)
        if np.all(b >= 0.0) and b[-1] > 0.0:
            return k, lam, list(b)
    return 0, [], list(b)


def scaled(b):
    """c1..cn of the fit's root function from the regression coefficients."""
    return [x * 1e-7 * 1e7 for x in b[:-1]] + [1e7 / b[-1] * 1e-7]


def root_function(c, lam):
    def f(x):
        v = c[0] - x / c[-1]
        for cj, lj in zip(c[1:-1], lam):
            v += cj / (1.0 - lj / x)
        return v
    return f


def relaxation_times(c, lam):
    f = root_function(c, lam)
    out = []
    for j in range(len(lam)):
        lo = lam[j - 1] * (1.0 + 1e-12) if j else lam[0] * 1e-12
        hi = lam[j] * (1.0 - 1e-12)
        out.append(scipy.optimize.brentq(f, lo, hi, xtol=1e-300, rtol=1e-15, maxiter=500))
    lo = lam[-1] * (1.0 + 1e-12)
    hi = 2.0 * lam[-1]
    while f(hi) > 0.0:
        hi *= 2.0
    out.append(scipy.optimize.brentq(f, lo, hi, xtol=1e-300, rtol=1e-15, maxiter=500))
    return out


def residues(c, lam, rho):
    e = [r / (sum(cj * lj / (1.0 - lj / r) ** 2 for cj, lj in zip(c[1:-1], lam)) +
              r * r / c[-1]) for r in rho]
    assert abs(sum(e) - 1.0 / c[0]) < 1e-9 / c[0], (sum(e), 1.0 / c[0])
    assert abs(sum(r * x for r, x in zip(rho, e)) - c[-1]) < 1e-9 * c[-1]
    return e


# ---- outputs ------------------------------------------------------------------------------

def master_rows():
    rows, curves = [], {}
    for name, strength, values in TABLES:
        mc = master_curve(table_values(values))
        curves[name] = mc
        rows.append([name, mc["s2"], mc["s3"], mc["q2"], mc["q3"]] + mc["spans"] +
                    list(mc["cases"]) + [mc["smoothed"]] + mc["c2"] + mc["times"] +
                    mc["compliances"])
        print(f"{name}: S2 {mc['s2']!r} S3 {mc['s3']!r} q {mc['q2']:.4g} {mc['q3']:.4g} "
              f"spans {mc['spans']} cases {mc['cases']} smoothed {mc['smoothed']}")
    covered = {c for mc in curves.values() for c in mc["cases"]}
    assert covered == {1, 2, 3, 4}, covered
    return rows, curves


def reference_rows(mc):
    t, d = mc["times"], mc["compliances"]
    x, f = power_law(t, d)
    k, lam, b = prony(t, d, mc["s3"])
    assert k == 4
    c = scaled(b)
    rho = relaxation_times(c, lam)
    e = residues(c, lam, rho)
    m_rows = max(len(rho), int(math.log10(rho[-1] / rho[0]) / f32(0.17609126)) + 1)
    print(f"reference: power law {x} f {f}; rho {rho}; E {[v * 1e7 for v in e]}; M {m_rows}")
    return [x + [f], [objective(t, d, [1.0, 1.0, 0.5])], b, lam, rho, [v * 1e7 for v in e],
            [m_rows]]


def cascade_rows(mc):
    """Master curves on the reference times made from exact series of k = 3 and
    k = 2 (the larger k fit them with a negative coefficient), a falling one
    that no k fits, and two with dependent columns: expected k (0: none), then
    S3, 30 times, 30 compliances, and the accepted coefficients, or the first
    negative one's position and value."""
    t, s3 = np.asarray(mc["times"]), mc["s3"]

    def series(k, coef, eta):
        lam = [10.0 ** (j * (s3 + 2.0) / (k + 1)) for j in range(1, k + 1)]
        return (coef[0] + sum(c * (1.0 - np.exp(-t / x)) for c, x in zip(coef[1:], lam)) +
                t * eta) * 1e-7

    rows = []
    for want, d in ((3, series(3, (1.0, 0.01, 0.01, 1.0), 1e-6)),
                    (2, series(2, (1.0, 0.01, 1.0), 1e-6)),
                    (0, 1e-7 * (5.0 - 0.3 * np.log10(t)))):
        k, _, b = prony(t, d, s3)
        assert k == want, (k, want)
        if k == 0:
            bad = next(p for p, v in enumerate(b, start=1) if v < 0.0)
            tail = [bad, b[bad - 1]]
        else:
            tail = b
        rows.append([k, s3] + list(t) + list(d) + tail)
    # By construction, for the rank decision of the fit's regression (lstsq
    # spreads dependent coefficients instead): retardation times below 0.01 s
    # make every Kelvin column 1.0 to the last bit, the intercept's twin, whose
    # coefficients are then 0 and accepted; one loading time everywhere leaves
    # only the intercept, and a zero dashpot is refused at every k.
    t = [10.0 ** (0.1 * i) for i in range(30)]
    rows.append([4, -12.0] + t + [(3.0 + 1e-4 * x) * 1e-7 for x in t] +
                [3.0, 0.0, 0.0, 0.0, 0.0, 1e-4])
    rows.append([0, 2.25] + [10.0] * 30 + [2e-7] * 30 + [4, 0.0])
    return rows


# Series of two retardation times: a zero 5e-5 s below the pole at 100 s (one
# walking step is 0.2 s), and a last zero far beyond the 0.5 s walk's 50000 s.
SERIES = [((1.0, 1.0, 1e-6, 1000.0), (10.0, 100.0)),
          ((1.0, 1.0, 1.0, 1e5), (10.0, 100.0))]


def series_rows():
    rows = []
    for c, lam in SERIES:
        rho = relaxation_times(list(c), list(lam))
        print(f"series {c} {lam}: rho {rho}")
        rows.append([len(c)] + list(c) + list(lam) + rho)
    return rows


def main():
    write_csv("creep_tables.csv", "name, strength, 21 compliances (1/psi) in table order",
              [[name, strength] + values for name, strength, values in TABLES])
    rows, curves = master_rows()
    write_csv("creep_master_curves.csv",
              "name, S2, S3, q2, q3, L1..L5, range case 1-2, range case 2-3, smoothed, "
              "c2 of curves 1-3, 30 master times, 30 master compliances", rows)
    write_csv("creep_fit_reference.csv",
              "reference mix; rows: x1 x2 x3 f of the bounded least squares (scaled 1e7); "
              "f at (1, 1, 0.5); Prony B1..B6 (k = 4); lambda 1..4; rho 1..5 (s); "
              "E 1..5 (psi); M", reference_rows(curves["reference"]))
    write_csv("creep_series.csv", "n, c1..c4 (scaled), lambda 1..2, rho 1..3 (brentq)",
              series_rows())
    write_csv("prony_cascade.csv",
              "k kept (0: none), S3, 30 times, 30 compliances, then B(1..k+2) or the first "
              "negative coefficient's position and value", cascade_rows(curves["reference"]))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reference minima for the library's bounded minimiser.

    /usr/bin/python3 tools/oracles/numlib_minimiser_oracle.py

writes into tests/data/numlib/:
  minimiser_problems.csv  bounded problems whose minimum scipy finds
                          (L-BFGS-B, ftol 1e-15, gtol 1e-12, exact gradients),
                          checked against a closed form where there is one:
                          problem number, start, bounds, minimiser and minimum;
  minimiser_creep_fit.csv the power-law fit D0 + D1*t^m of two 30-point
                          synthetic master curves of creep_curve_data.h, in the
                          engine's scaling (compliance / 1e-7), with the same
                          bounds and start as the engine: the curve's
                          parameters, D0, D1, m and f (checked against scipy's
                          least_squares).
"""

import fractions
import math

from numlib_common import require, write_csv

np, scipy = require("numpy", "scipy")
import scipy.optimize  # noqa: E402

OPTIONS = dict(ftol=1e-15, gtol=1e-12, maxiter=100000, maxfun=100000)


# ---- Beale's function -----------------------------------------------------------

def beale(x):
    x1, x2 = x
    return ((1.5 - x1 + x1 * x2) ** 2 + (2.25 - x1 + x1 * x2 ** 2) ** 2
            + (2.625 - x1 + x1 * x2 ** 3) ** 2)


def beale_gradient(x):
    x1, x2 = x
    t1 = 1.5 - x1 + x1 * x2
    t2 = 2.25 - x1 + x1 * x2 ** 2
    t3 = 2.625 - x1 + x1 * x2 ** 3
    return np.array([
        2 * t1 * (x2 - 1) + 2 * t2 * (x2 ** 2 - 1) + 2 * t3 * (x2 ** 3 - 1),
        2 * t1 * x1 + 2 * t2 * 2 * x1 * x2 + 2 * t3 * 3 * x1 * x2 ** 2,
    ])


def problem_rows():
    start = [1.0, 1.0]
    bounds = [(-4.5, 4.5), (-4.5, 0.4)]
    r = scipy.optimize.minimize(beale, start, jac=beale_gradient, method="L-BFGS-B",
                                bounds=bounds, options=OPTIONS)
    assert r.success, r.message
    # On the bound x2 = 0.4 the function is a quadratic in x1: its exact minimiser.
    c = [fractions.Fraction(3, 2), fractions.Fraction(9, 4), fractions.Fraction(21, 8)]
    a = [1 - fractions.Fraction(2, 5) ** i for i in (1, 2, 3)]
    x1 = sum(ci * ai for ci, ai in zip(c, a)) / sum(ai * ai for ai in a)
    assert abs(r.x[0] - float(x1)) < 1e-12 and r.x[1] == 0.4, r.x
    return [[1] + start + [b[0] for b in bounds] + [b[1] for b in bounds]
            + list(r.x) + [r.fun]]


# ---- the creep-fit replay -------------------------------------------------------

# (first decade, decades, ripple): the benchmark's curve, then one whose fit
# holds D0 on its bound for many steps before letting it go.
CREEP_CURVES = [(-2.0, 7.0, 0.02), (-3.0, 9.0, 0.002)]


def creep_curve(first=-2.0, decades=7.0, ripple=0.02):
    """The master curve of creep_curve_data.h: scalar libm arithmetic, point by point."""
    times, compliances = [], []
    for k in range(1, 31):
        t = 10.0 ** (first + decades * (k - 1) / 29.0)
        times.append(t)
        compliances.append(1e-7 * (3.2 + 1.7 * t ** 0.28) * (1.0 + ripple * math.sin(2.3 * k)))
    return np.array(times), np.array(compliances)


def creep_fit_rows():
    return [list(curve) + creep_fit(*curve) for curve in CREEP_CURVES]


def creep_fit(first, decades, ripple):
    t, y = creep_curve(first, decades, ripple)
    target = y / 1e-7
    logt = np.log(t)

    def objective(x):
        r = target - (x[0] + x[1] * t ** x[2])
        return float(r @ r)

    def gradient(x):
        tm = t ** x[2]
        r = target - (x[0] + x[1] * tm)
        return np.array([-2 * r.sum(), -2 * (r * tm).sum(), -2 * (r * x[1] * tm * logt).sum()])

    bounds = [(0.0, 1e5), (0.0, 1e5), (0.0, 3.0)]
    r = scipy.optimize.minimize(objective, [1.0, 1.0, 0.5], jac=gradient, method="L-BFGS-B",
                                bounds=bounds, options=OPTIONS)
    assert r.success, r.message
    check = scipy.optimize.least_squares(lambda x: target - (x[0] + x[1] * t ** x[2]), r.x,
                                         bounds=([b[0] for b in bounds], [b[1] for b in bounds]),
                                         xtol=1e-15, ftol=1e-15, gtol=1e-15)
    assert np.all(np.abs(check.x - r.x) <= 1e-7 * np.abs(r.x)), (check.x, r.x)
    return list(r.x) + [r.fun]


def main():
    write_csv("minimiser_problems.csv",
              "problem (1 Beale), x0(1), x0(2), lower(1), lower(2), upper(1), upper(2), "
              "x*(1), x*(2), f*", problem_rows())
    write_csv("minimiser_creep_fit.csv", "first decade, decades, ripple, D0, D1, m, f at the fit",
              creep_fit_rows())


if __name__ == "__main__":
    main()

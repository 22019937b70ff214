#!/usr/bin/python3
"""Reference zeros for the library's root finders.

    /usr/bin/python3 tools/oracles/numlib_zeros_oracle.py

writes into tests/data/numlib/:
  prony_root.csv        the zero beyond the last retardation time of a creep-fit
                        equation with made-up coefficients (scipy brentq);
  polynomial_roots.csv  seeded random real polynomials of degree 3-30 and their
                        zeros (mpmath.polyroots at 50 digits on the same double
                        coefficients), each zero's condition number at most 1e5,
                        then four of degree 70-100;
  quadratic_roots.csv   quadratics whose zeros are computed exactly (fractions
                        and 60-digit decimals), where numpy.roots is not enough.
"""

import fractions
import math
from decimal import Decimal, getcontext

from numlib_common import require, write_csv

np, scipy, mpmath = require("numpy", "scipy", "mpmath")
import scipy.optimize  # noqa: E402


# ---- the creep-fit equation -------------------------------------------------

def prony_root_function(c, cn, lam):
    """c1 - x/cn + sum c(j+1)/(1 - lam_j/x), 1e10 next to a pole."""
    def f(x):
        total = c[0] - x / cn
        for j, lj in enumerate(lam):
            t = 1.0 - lj / x
            if abs(t) < 1e-50:
                return 1e10
            total += c[j + 1] / t
        return total
    return f


PRONY_CASES = [
    # c1..c(n-1), cn, retardation times
    ([3.0, 1.0, 1.5, 2.5], 20000.0, [2.0, 20.0, 200.0]),
    ([0.8, 0.3, 0.6], 90000.0, [5.0, 300.0]),
    ([1.7, 0.2, 0.4, 0.9, 1.1], 35000.0, [0.5, 8.0, 60.0, 700.0]),
]


def prony_rows():
    rows = []
    for c, cn, lam in PRONY_CASES:
        f = prony_root_function(c, cn, lam)
        lo, hi = lam[-1] * (1 + 1e-9), 1e9
        root = scipy.optimize.brentq(f, lo, hi, xtol=1e-300, rtol=8.9e-16, maxiter=500)
        rows.append([len(c) + 1, root, 4.0 * lam[-1], cn] + c + lam)
    return rows


# ---- polynomials --------------------------------------------------------------

def condition_number(coefficients, root):
    """sum |a_i||z|^i / (|z| |p'(z)|), coefficients constant term first."""
    z = mpmath.mpc(root)
    num = sum(abs(mpmath.mpf(a)) * abs(z) ** i for i, a in enumerate(coefficients))
    dp = sum(i * mpmath.mpf(a) * z ** (i - 1) for i, a in enumerate(coefficients) if i > 0)
    return float(num / (abs(z) * abs(dp)))


def polynomial_rows():
    mpmath.mp.dps = 50
    rng = np.random.default_rng(4930)
    rows = []
    dropped = 0
    while len(rows) < 60:
        degree = int(rng.integers(3, 31))
        kind = len(rows) % 3
        if kind == 0:
            coefficients = rng.normal(size=degree + 1)
        elif kind == 1:
            coefficients = rng.uniform(-1.0, 1.0, size=degree + 1)
        else:  # magnitudes spread over a few decades
            coefficients = rng.normal(size=degree + 1) * 10.0 ** rng.uniform(-3, 3, size=degree + 1)
        coefficients = [float(a) for a in coefficients]
        if coefficients[-1] == 0.0 or coefficients[0] == 0.0:
            continue
        roots = mpmath.polyroots([mpmath.mpf(a) for a in reversed(coefficients)],
                                 maxsteps=400, extraprec=400)
        if max(condition_number(coefficients, r) for r in roots) > 1e5:
            dropped += 1
            continue
        rows.append(polynomial_row(coefficients, roots))
    print(f"dropped {dropped} ill-conditioned polynomials")
    # High degrees, where deflation makes the later zeros drift.
    rng = np.random.default_rng(6071)
    for degree in (70, 85, 95, 100):
        coefficients = [float(a) for a in rng.normal(size=degree + 1)]
        roots = mpmath.polyroots([mpmath.mpf(a) for a in reversed(coefficients)],
                                 maxsteps=2000, extraprec=800)
        print(f"degree {degree}: largest condition number "
              f"{max(condition_number(coefficients, r) for r in roots):.3g}")
        rows.append(polynomial_row(coefficients, roots))
    return rows


def polynomial_row(coefficients, roots):
    row = [len(coefficients) - 1] + coefficients
    for r in roots:
        row += [float(mpmath.re(r)), float(mpmath.im(r))]
    return row


# ---- quadratics, exactly ----------------------------------------------------------

def exact_quadratic(a, b, c):
    """Zeros of a z^2 + b z + c for double a, b, c, as (re, im) pairs rounded once."""
    getcontext().prec = 60
    a, b, c = (fractions.Fraction(v) for v in (a, b, c))
    disc = b * b - 4 * a * c
    dd = Decimal(disc.numerator) / Decimal(disc.denominator)
    two_a = 2 * a
    re = -b / two_a
    re_d = Decimal(re.numerator) / Decimal(re.denominator)
    two_a_d = Decimal(two_a.numerator) / Decimal(two_a.denominator)
    if disc >= 0:
        s = dd.sqrt() / abs(two_a_d)
        z1, z2 = re_d - s, re_d + s
        z1, z2 = sorted((z1, z2), key=abs)
        return [(float(z1), 0.0), (float(z2), 0.0)], str(z1), str(z2)
    s = (-dd).sqrt() / abs(two_a_d)
    return [(float(re_d), -float(s)), (float(re_d), float(s))], str(re_d), str(s)


QUADRATICS = [
    ("kahan", 94906265.625, -189812534.0, 94906268.375),
    ("double one", 1.0, -2.0, 1.0),
    ("extreme magnitudes", 1e200, 1.0, 1e-200),
    ("opposite pair", 3.0, 0.0, -12.0),
    ("small and large", 1.0, -1e8, 1.0),
    ("complex pair", 2.0, -2.0, 5.0),
]


def quadratic_rows():
    rows = []
    for name, a, b, c in QUADRATICS:
        roots, first, second = exact_quadratic(a, b, c)
        print(f"{name}: {first} {second}")
        rows.append([name, a, b, c, roots[0][0], roots[0][1], roots[1][0], roots[1][1]])
    return rows


def main():
    write_csv("prony_root.csv",
              "n, brentq zero, guess 4*lambda(n-2), cn, c1..c(n-1), lambda1..lambda(n-2)",
              prony_rows())
    write_csv("quadratic_roots.csv",
              "name, a, b, c, smaller zero (re, im), larger zero (re, im)",
              quadratic_rows())
    write_csv("polynomial_roots.csv",
              "degree, a0..an (constant first), zeros as re, im pairs", polynomial_rows())


if __name__ == "__main__":
    main()

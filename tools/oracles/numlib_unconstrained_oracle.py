#!/usr/bin/python3
"""Reference minima for the library's unconstrained minimisers.

    /usr/bin/python3 tools/oracles/numlib_unconstrained_oracle.py

writes tests/data/numlib/unconstrained_minima.csv: one-variable problems, their
number and the minimiser that scipy.optimize.minimize_scalar (Brent) finds,
checked against the zero of the derivative (brentq).
"""

import math

from numlib_common import require, write_csv

np, scipy = require("numpy", "scipy")
import scipy.optimize  # noqa: E402


def main():
    # Problem 1: x^2 + 4 cos x, whose derivative 2x - 4 sin x vanishes at the minimiser.
    f = lambda x: x * x + 4.0 * math.cos(x)  # noqa: E731
    r = scipy.optimize.minimize_scalar(f, bracket=(1.0, 1.1), tol=1e-10)
    root = scipy.optimize.brentq(lambda x: 2.0 * x - 4.0 * math.sin(x), 1.0, 3.0, xtol=1e-16)
    assert abs(r.x - root) < 1e-7, (r.x, root)
    write_csv("unconstrained_minima.csv", "problem, minimiser", [[1, float(r.x)]])


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reference values for the complementary error function, the normal
distribution and Chebyshev series evaluation, from scipy and numpy.

    /usr/bin/python3 tools/oracles/numlib_normal_oracle.py

writes erfc.csv, ndtr.csv and chebyshev_series.csv into tests/data/numlib/.
"""

import math

from numlib_common import require, write_csv

np, scipy = require("numpy", "scipy")
import scipy.special  # noqa: E402
from numpy.polynomial import chebyshev  # noqa: E402


def erfc_points():
    xs = set(float(x) for x in np.linspace(-6.5, 10.0, 3301))
    sqeps = math.sqrt(2.0 * 2.0 ** -53)
    # Both sides of every switch between formulas, and a few steps away.
    for edge in (sqeps, 1.0, 2.0):
        for sign in (1.0, -1.0):
            x = sign * edge
            xs.add(x)
            below = above = x
            for _ in range(3):
                below = math.nextafter(below, -math.inf)
                above = math.nextafter(above, math.inf)
                xs.update((below, above))
            xs.update((x * (1 - 1e-9), x * (1 + 1e-9)))
    xs.update((0.0, 1e-300, -1e-300, 1e-20, -1e-20))
    return sorted(xs)


def main():
    xs = erfc_points()
    write_csv("erfc.csv", "x, scipy.special.erfc(x)",
              [(x, scipy.special.erfc(x)) for x in xs])

    xs = sorted(set(float(x) for x in np.linspace(-9.1, 8.0, 1711)) | {0.0, -1e-8, 1e-8})
    write_csv("ndtr.csv", "x, scipy.special.ndtr(x)",
              [(x, scipy.special.ndtr(x)) for x in xs])

    # Random series; DCSEVL halves the first coefficient, chebval does not.
    rng = np.random.default_rng(20240611)
    rows = []
    for n in (1, 2, 3, 5, 8, 13, 21, 34, 55, 89):
        coefficients = rng.normal(size=n) / np.arange(1, n + 1)
        for x in rng.uniform(-1.0, 1.0, size=4).tolist() + [-1.0, 1.0]:
            c = coefficients.copy()
            c[0] *= 0.5
            rows.append([n, x, float(chebyshev.chebval(x, c))] + coefficients.tolist())
    write_csv("chebyshev_series.csv",
              "n, x, chebval(x, c with c1 halved), c1..cn", rows)


if __name__ == "__main__":
    main()

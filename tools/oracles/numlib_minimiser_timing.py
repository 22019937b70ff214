#!/usr/bin/python3
"""Times scipy's L-BFGS-B on the creep fit of bench/numlib_minimiser.cpp.

    /usr/bin/python3 tools/oracles/numlib_minimiser_timing.py [seconds]

The same 30-point master curve (creep_curve_data.h, built here by
numlib_minimiser_oracle.creep_curve), start (1, 1, 0.5), bounds
(0, 0, 0)-(1e5, 1e5, 3) and objective sum((y/1e-7 - (x1 + x2*t^x3))^2), numpy
vectorised; default options and finite-difference gradients. Prints the time
per fit (best of five batches of about SECONDS each, default 1), the objective
evaluations per fit and the fitted values. Run it next to bench_numlib_minimiser
so that both see the same machine load.
"""

import sys
import time

from numlib_common import require
from numlib_minimiser_oracle import creep_curve

np, scipy = require("numpy", "scipy")
import scipy.optimize  # noqa: E402


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0
    t, y = creep_curve()
    target = y / 1e-7

    def objective(x):
        r = target - (x[0] + x[1] * t ** x[2])
        return float(r @ r)

    bounds = [(0.0, 1e5), (0.0, 1e5), (0.0, 3.0)]

    def fit():
        return scipy.optimize.minimize(objective, np.array([1.0, 1.0, 0.5]), method="L-BFGS-B",
                                       bounds=bounds)

    result = fit()
    start = time.perf_counter()
    fit()
    fits = max(1, int(seconds / (time.perf_counter() - start)))
    best = float("inf")
    for _ in range(5):
        start = time.perf_counter()
        for _ in range(fits):
            fit()
        best = min(best, (time.perf_counter() - start) / fits)
    print(f"scipy L-BFGS-B creep fit: {best * 1e3:.3f} ms per fit ({fits} fits a batch), "
          f"{result.nfev} evaluations, x = {result.x.tolist()}, f = {result.fun!r}, "
          f"{result.message}")


if __name__ == "__main__":
    main()

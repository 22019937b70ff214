#!/usr/bin/python3
"""Times numpy.linalg.lstsq on the problems of bench/numlib_regression.cpp,
built from the same closed formulas, for the ratio in the closing note.

    /usr/bin/python3 tools/oracles/numlib_regression_timing.py

Debian's numpy calls the reference BLAS and LAPACK (numpy.show_config()).
Run it right after bench_numlib_regression on the same machine.
"""

import math
import timeit

from numlib_common import require

(np,) = require("numpy")


def prony():
    t = np.array([10.0 ** (-3.0 + 9.0 * i / 29.0) for i in range(30)])
    y = 2.0 + 0.8 * t ** 0.45
    cols = [1.0 - np.exp(-t / 10.0 ** (1.5 * (j + 1))) for j in range(4)] + [t]
    return np.column_stack([np.ones(30)] + cols), y


def large(n=100000, k=10):
    i = np.arange(1, n + 1, dtype=float)
    x = np.column_stack([np.sin(0.37 * i * (j + 1.0) + j) for j in range(k)])
    y = 1.0 + 0.01 * np.cos(i) + x @ (0.1 * np.arange(1, k + 1))
    return np.column_stack([np.ones(n), x]), y


def best_time(design, y, number):
    runs = timeit.repeat(lambda: np.linalg.lstsq(design, y, rcond=None), number=number, repeat=5)
    return min(runs) / number


def main():
    design, y = prony()
    print(f"lstsq, Prony regression 30 x 6:      {best_time(design, y, 2000) * 1e6:8.1f} us")
    design, y = large()
    print(f"lstsq, 100000 x 11 with an intercept: {best_time(design, y, 5) * 1e3:8.1f} ms")
    b = np.linalg.lstsq(design, y, rcond=None)[0]
    assert math.isclose(b[1], 0.1, rel_tol=1e-3), b


if __name__ == "__main__":
    main()

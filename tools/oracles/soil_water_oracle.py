#!/usr/bin/python3
"""Independent expectations for the engine's soil water retention.

Evaluates the four-parameter (Fredlund-Xing) retention curve of the front
end's two soils in double precision, with the parameters rounded to single
precision as the engine reads them, and inverts it with scipy's brentq where
the engine bisects its table. Adds the equilibrium suctions of the moisture
index formulas. Writes a plain-text expectation file that the C++ tests read.

    soil_water_oracle.py OUTPUT

Run by hand when a formula or a soil changes; CI never runs it.
"""

import math
import sys

try:
    import numpy as np
    from scipy.optimize import brentq
except ImportError as e:  # pragma: no cover
    sys.exit(f"soil_water_oracle.py needs Debian's python3-numpy and python3-scipy: {e}")

F = np.float32
KPA_PER_CM = 0.09804

# The front end's soils: porosity, a, b, c, hr, initial water content (percent).
SOILS = {
    "natural": (0.273166, 17.6257, 1.59433, 0.721783, 195.8, 19.1465),
    "base": (0.291586, 9.3434, 3.86082, 7.14073, 136.0, 22.2236),
}


def single(*values):
    return [float(F(v)) for v in values]


def curve(soil):
    ts, a, b, c, hr = single(*SOILS[soil][:5])
    span = math.log(1.0 + 1.0e6 / hr)

    def theta(h):
        correction = 1.0 - math.log(1.0 + h / hr) / span
        return correction * ts / math.log(2.71828 + (h / a) ** b) ** c

    return ts, theta


def table_suction(i):
    """Point i of the table: exponent and suction in single precision."""
    exponent = F(F(i - 1) / F(10000.0) - F(4.0))
    return float(F(10.0) ** exponent)


def inverse(theta, value):
    """The suction (kPa) where the curve holds `value`, by brentq on log h."""
    return math.exp(brentq(lambda x: theta(math.exp(x)) - value,
                           math.log(1.0e-4), math.log(1.0e6), xtol=1e-14, rtol=1e-15))


def initial_water(soil):
    return float(F(SOILS[soil][5]) / F(100.0))


def class_suction_kpa(k, m):
    o, t, u = [(0.05046, 3.338, 3.649), (0.03824, 2.741, 4.196), (0.04004, 3.473, 5.285),
               (0.03726, 4.402, 6.877), (0.03836, 5.379, 8.621), (0.04688, 6.646, 12.18),
               (0.04904, 7.599, 15.59), (0.05164, 8.154, 20.202), (0.05218, 8.283, 23.564)][k]
    return math.exp(t - (m + 101.0) * o) + u


def row_kpa(row, m):
    alpha, beta, gamma, delta = [(0.3, 419.07, 133.45, 15.0), (0.3, 543.48, 144.22, 14.36),
                                 (0.0113, 1461.6, 193.97, 870.94), (0.01, 1759.0, 206.0, 1290.0),
                                 (0.01, 2003.0, 210.28, 2210.0), (0.3, 1060.8, 148.8, 72.0)][row - 1]
    return alpha * (math.exp(beta / (m + gamma)) + delta)


def top_boundary_cm(soil, p200, m):
    """The regression's water content at the moisture index m, looked up in the
    curve: its suction in cm of water."""
    ts, theta = curve(soil)
    w = float(F(1.5 * max(p200, 2.0) ** 0.6994 + 4.0 + 0.03 * m))
    w = min(w, float(F(100.0) * F(ts)))
    return inverse(theta, w / 100.0) / KPA_PER_CM


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = ["# expectations from tools/oracles/soil_water_oracle.py"]

    for soil in SOILS:
        ts, theta = curve(soil)
        for i in (1, 30001, 50001, 70001, 100001):
            out.append(f"table {soil} {i} {theta(table_suction(i)):.17g}")
        value = initial_water(soil)
        out.append(f"initial {soil} {value:.17g} {inverse(theta, value):.17g}")
        # Random water contents over the whole curve, from random suctions.
        rng = np.random.default_rng(16 if soil == "base" else 61)
        for x in rng.uniform(-3.5, 5.5, 60):
            h = 10.0 ** x
            out.append(f"roundtrip {soil} {theta(h):.17g} {h:.17g}")

    for m in (-20.0, 0.0, 20.0):
        out.append(f"top_boundary_cm base 4.5 4 {m:g} {top_boundary_cm('base', 4.5, m):.17g}")
        out.append(f"row_kpa 2 {m:g} {row_kpa(2, m):.17g}")
    # a = 3 interpolates halfway between classes 1 and 2.
    half = class_suction_kpa(1, 0.0) + 0.5 * (class_suction_kpa(2, 0.0) - class_suction_kpa(1, 0.0))
    out.append(f"class_kpa 3 0 {half:.17g}")
    out.append(f"class_kpa 10 0 {class_suction_kpa(5, 0.0):.17g}")
    out.append(f"row_kpa 1 0 {row_kpa(1, 0.0):.17g}")

    with open(sys.argv[1], "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

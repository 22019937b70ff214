#!/usr/bin/python3
"""Creep-test samples for the end-to-end criteria road.

    /usr/bin/python3 tools/oracles/creep_samples.py

writes tests/data/engine/e2e/creep_samples.txt: three samples of 22 values,
one value a line, as "input.dat" holds them after the sample count: the 21
creep compliances (1/psi) at -4, 14 and 32 deg F for the loading times 1, 2, 5,
10, 20, 50 and 100 s, then the tensile strength (psi). The values are the
volumetric estimates of cracking_oracle.py for three mixtures of the demo's
binder, as a laboratory would measure them on three specimens.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cracking_oracle import TIMES, mixture_creep  # noqa: E402

# air voids %, effective binder %, binder A and VTS
SPECIMENS = [(4.0, 11.0, 10.98, -3.68), (3.5, 11.5, 10.98, -3.68), (5.0, 10.0, 10.98, -3.68)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.normpath(os.path.join(here, os.pardir, os.pardir, "tests", "data", "engine",
                                         "e2e", "creep_samples.txt"))
    lines = []
    for mix in SPECIMENS:
        _, _, strength, d1, m = mixture_creep(*mix)
        for k in range(3):
            lines += ["%.6e" % (d1[k] * t ** m[k]) for t in TIMES]
        lines.append("%.2f" % strength)
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print(f"wrote {path}")


if __name__ == "__main__":
    main()

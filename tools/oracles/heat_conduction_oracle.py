#!/usr/bin/python3
"""Independent expectations for the heat solution of the pavement layers.

Closed forms of one-dimensional conduction in a homogeneous half-space, for
the asphalt the front end writes (k 0.67 Btu/(h ft F), unit weight 148 pcf,
heat capacity 0.23 Btu/(lb F)):

  - a surface held at T0 + A sin(wt), period 24 h: the first harmonic at depth
    z has amplitude A e^(-z/d) and lags z/(d w), with d = sqrt(2 alpha / w);
  - a surface raised by a step at t = 0: T0 + A erfc(z / (2 sqrt(alpha t))).

And the surface energy balance's values at one state, in double precision from
the model's single-precision constants: the convection coefficient and the
long-wave exchange at Ts = Ta = 60 F with a 10 mph wind and the front end's
site constants, and the largest stable convection coefficient of the default
asphalt grid (1-inch nodes, half step 0.05 h).

    heat_conduction_oracle.py OUTPUT

Writes "name value" lines that the C++ tests read. Run by hand when an input
changes; CI never runs it.
"""

import math
import sys

try:
    import numpy as np
    from scipy.special import erfc
except ImportError as e:  # pragma: no cover
    sys.exit(f"{e}: run with Debian's /usr/bin/python3 (python3-numpy, python3-scipy)")

f32 = lambda x: float(np.float32(x))  # a single-precision constant as the model holds it

K, UNIT_WEIGHT, HEAT_CAPACITY = 0.67, 148.0, 0.23
ALPHA = K / (UNIT_WEIGHT * HEAT_CAPACITY)  # ft^2/h
OMEGA = 2 * math.pi / 24.0                 # rad/h
DAMPING_DEPTH = math.sqrt(2 * ALPHA / OMEGA) * 12.0  # inches


def wave_rows():
    for z in (2, 4, 6):
        yield f"wave_amplitude_{z}in", math.exp(-z / DAMPING_DEPTH)
        yield f"wave_lag_{z}in", z / (DAMPING_DEPTH * OMEGA)


def step_rows():
    for t in (6, 24):
        for z in (2, 4, 8):
            yield f"step_fraction_{z}in_{t}h", float(erfc((z / 12.0) / (2 * math.sqrt(ALPHA * t))))


def surface_rows():
    ts = ta = 60.0
    wind_mph = 10.0
    emissivity, sky_a, sky_b = f32(0.93), f32(0.77), f32(0.28)
    sigma = f32(1.72e-9)
    long_wave = (ts + f32(459.7)) ** 4 * emissivity * sigma - \
        (sky_a - sky_b * f32(0.42657954)) * (ta + f32(459.7)) ** 4 * sigma
    yield "long_wave_60F", long_wave

    ts_c = (ts - 32) * f32(0.5555556)
    film = ts_c + 273.0  # equal temperatures: the film is the surface
    speed = wind_mph * f32(0.447)
    h = f32(0.00144) * film ** f32(0.3) * speed ** f32(0.7) * f32(122.93) * f32(1.33)
    yield "convection_60F_10mph", h

    dz = 1.0 / 12.0
    dt = f32(0.05)
    b = UNIT_WEIGHT * HEAT_CAPACITY * dz
    yield "max_convection_default", b / (2 * dt) - K / dz - f32(0.1)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "w") as out:
        out.write("# heat_conduction_oracle.py: closed forms of conduction and the surface "
                  "balance (see the script)\n")
        out.write(f"# alpha {ALPHA:.9g} ft^2/h, damping depth {DAMPING_DEPTH:.9g} in\n")
        for rows in (wave_rows(), step_rows(), surface_rows()):
            for name, value in rows:
                out.write(f"{name} {value:.10g}\n")


if __name__ == "__main__":
    main()

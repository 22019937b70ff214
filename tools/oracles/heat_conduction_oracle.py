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

For the unbound layers' step, in g, cm, hours, calories and deg C, for a test
soil (porosity 0.3, dry density 1.8 g/cm3, heat capacity 0.2, water 0.2, a
fine soil) and a second one (0.4, 1.5, 0.2, water 0.2):

  - the thermal conductivity of the soils (Johansen's form: dry and saturated
    values weighted by the Kersten number) and their volumetric heat, unfrozen,
    and frozen through with all the test soil's water turned to ice;
  - Neumann's freezing front of the test soil, its surface held 4 C below the
    freezing point: X = 2 lambda sqrt(alpha t) with
    lambda e^(lambda^2) erf(lambda) = Ste / sqrt(pi), Ste = C dT / L,
    L = 80 x 0.2 cal/cm3, alpha and C those of the frozen soil;
  - a daily wave through the unfrozen test soil at 2, 4 and 8 inches;
  - the modulus factor 10^(a + (b - a) / (1 + e^(ln(-b/a) + k (S - So)))) at
    S - So = -0.2 and 0.2 for the coarse and the fine constants;
  - the equivalent suction of ice at 1 C below freezing.

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


# ------------------------------------------------------------ unbound layers

def thermal_conductivity(porosity, density, water, ice, slope):
    """Johansen's conductivity, cal/(cm h C), as the step forms it."""
    dry = (0.137 * density * 1000 + 64.7) / (2700 - 0.947 * density * 1000)
    saturation = water / porosity
    if ice > 0:
        kersten = min(ice + saturation / 2, 1.0)
        saturated = 2.2 ** porosity * 4.0 ** (1 - porosity) * 0.269 ** water
    else:
        kersten = slope * math.log10(max(saturation, 0.1)) + 1
        saturated = 0.57 ** porosity * 4.0 ** (1 - porosity)
    return ((saturated - dry) * kersten + dry) / 1.73073 * 14.9


def volumetric_heat(density, heat_capacity, water, ice):
    mass = 0.917 * ice + water + density
    return (water + 0.50435 * ice + heat_capacity * density) / mass * mass


TEST_SOIL = dict(porosity=0.3, density=1.8, heat_capacity=0.2, water=0.2)
SECOND_SOIL = dict(porosity=0.4, density=1.5, heat_capacity=0.2, water=0.2)


def soil_rows():
    from scipy.optimize import brentq
    from scipy.special import erf
    t = TEST_SOIL
    ice = t["water"] * 80 / 73.4
    k_frozen = thermal_conductivity(t["porosity"], t["density"], 0.0, ice, 1.0)
    c_frozen = volumetric_heat(t["density"], t["heat_capacity"], 0.0, ice)
    k_unfrozen = thermal_conductivity(t["porosity"], t["density"], t["water"], 0.0, 1.0)
    c_unfrozen = volumetric_heat(t["density"], t["heat_capacity"], t["water"], 0.0)
    s = SECOND_SOIL
    yield "soil_k_frozen", k_frozen
    yield "soil_c_frozen", c_frozen
    yield "soil_k_unfrozen", k_unfrozen
    yield "soil_c_unfrozen", c_unfrozen
    yield "second_k_unfrozen", thermal_conductivity(s["porosity"], s["density"], s["water"], 0.0, 1.0)
    yield "full_ice", ice

    stefan = c_frozen * 4.0 / (80 * t["water"])
    lam = brentq(lambda x: x * math.exp(x * x) * erf(x) - stefan / math.sqrt(math.pi), 1e-6, 2.0)
    alpha = k_frozen / c_frozen
    yield "stefan_number", stefan
    yield "stefan_lambda", lam
    for hours in (24, 120, 240):
        yield f"front_cm_{hours}h", 2 * lam * math.sqrt(alpha * hours)

    depth = math.sqrt(2 * (k_unfrozen / c_unfrozen) / OMEGA)  # cm
    for z in (2, 4, 8):
        yield f"soil_wave_amplitude_{z}in", math.exp(-z * 2.54 / depth)
        yield f"soil_wave_lag_{z}in", z * 2.54 / (depth * OMEGA)


def modulus_rows():
    for name, (a, b, k) in (("coarse", (-0.3123, 0.3, 6.8157)), ("fine", (-0.5934, 0.4, 6.1324))):
        a, b, k = f32(a), f32(b), f32(k)
        for label, ds in (("drier", -0.2), ("wetter", 0.2)):
            exponent = a + (b - a) / (1 + math.exp(math.log(-b / a) + k * ds))
            yield f"modulus_{name}_{label}", 10 ** exponent
        yield f"modulus_{name}_dry_limit", 10 ** b
        yield f"modulus_{name}_wet_limit", 10 ** a


def frozen_suction_rows():
    t = 1.0
    x = (8.2312 * math.log10(t + 273.1) - (1.1389 * t + 2445.5647) / (t + 273.1) - 11.098907
         - 0.010188 * t - 1.2486e-06 * t * t + 9.084e-08 * t ** 3)
    yield "frozen_suction_1C", 10841.44 * (t + 273.1) * x


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "w") as out:
        out.write("# heat_conduction_oracle.py: closed forms of conduction and the surface "
                  "balance (see the script)\n")
        out.write(f"# alpha {ALPHA:.9g} ft^2/h, damping depth {DAMPING_DEPTH:.9g} in\n")
        for rows in (wave_rows(), step_rows(), surface_rows(), soil_rows(), modulus_rows(),
                     frozen_suction_rows()):
            for name, value in rows:
                out.write(f"{name} {value:.10g}\n")


if __name__ == "__main__":
    main()

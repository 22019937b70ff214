#!/usr/bin/python3
"""Independent expectations for the engine's drainage report (".drn").

Reads an "input.tmp" (with the reader of climate_input_oracle.py), computes the drainage
curve of the base course, the drainage table, the evaluation and the monthly
rainfall statistics straight from the model's equations, and writes the report
with its own fixed-column formatting (F, E and I fields as Fortran writes
them). Values read from the file are held as single-precision numbers
(numpy.float32) and computed in double precision, as the engine holds them.

    drainage_oracle.py INPUT OUTPUT        the expected report of one input file
    drainage_oracle.py --fixtures DIR      writes the hand-made inputs of the
                                           golden reports and their reports
    drainage_oracle.py --numbers           prints the front-end default's curve
                                           points, t50 and evaluation

Run by hand when a fixture changes; CI never runs it.
"""

import math
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import climate_input_oracle  # noqa: E402  (its reading of "input.tmp")

GRAVEL = ((80, 70, 60, 40), (80, 60, 40, 30), (80, 40, 20, 10))
SAND = ((65, 57, 50, 25), (65, 50, 35, 18), (65, 35, 15, 8))
MONTHS = ("JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY",
          "AUGUST", "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER")
DEFAULT_CONSTANTS = (0.3, 0.25, 0.75, 1.65)


def single(text):
    """A value as the engine's single-precision fields hold it."""
    return float(np.float32(float(text)))


# ------------------------------------------------------------------ reading

def parse(path):
    f = climate_input_oracle.parse(path)
    rain = [p for p, *_ in climate_input_oracle.derive_days(f)]
    layers = [{"thickness": single(layer["thickness"]),
               "porosity": single(layer["values"][3]),
               "permeability": single(layer["values"][6])} if len(layer["values"]) == 20
              else {} for layer in f["layers"]]
    t1, t2, t3, t4 = f["trailing"]
    return {
        "bound": f["bound_layers"],
        "layers": layers,
        "days": [day["date"] + (p,) for day, p in zip(f["days"], rain)],
        "path_length": single(t1[0]),
        "slope_percent": single(t1[1]),
        "fines_type": int(t2[0]),
        "fines": single(t2[1]),
        "gravel": single(t2[2]),
        "sand": single(t2[3]),
        "constant_choice": int(t3[0]),
        "power_factor": single(t3[1]),
        "scale": single(t3[2]),
        "rainfall": single(t4[0]),
        "constants": [single(v) for v in t4[1:5]],
    }


def months_of(days):
    """A month starts at every day 1 but the record's first day."""
    months = []
    for k, (month, day, year, rain) in enumerate(days):
        if k == 0 or day == 1:
            months.append({"days": 0, "wet": [], "rain": []})
        m = months[-1]
        m["days"] += 1
        m["number"] = month
        m["year"] = year
        m["rain"].append(rain)
        if rain != 0.0:
            m["wet"].append(day)
    return months


# ------------------------------------------------------------------ the curve

def simpson(f, lo, hi, n):
    h = (hi - lo) / n
    s = f(lo) + f(hi)
    for k in range(1, n):
        s += (4.0 if k % 2 else 2.0) * f(lo + k * h)
    return s * h / 3.0


def drainage_curve(nb, kb, H, ns, ks, impermeable, L, S):
    """The 60 points (hours, degree of drainage)."""
    if not impermeable and nb == ns and kb == ks:
        ks *= 1.0001
    r = 0.0 if impermeable else nb / ns

    def depth(tau):
        if impermeable:
            return H
        a = nb * ks / kb - nb * nb / ns
        b = (1.0 - r) * ks * tau - H * (nb * ks / kb - 2.0 * nb * nb / ns)
        e = (nb * ks * H * tau - (H * nb) * (H * nb)) / ns
        disc = max(b * b - 4.0 * a * e, 0.0)
        return (-b + math.sqrt(disc)) / (2.0 * a)

    def rate(x, h, hg, numerator):
        """dt/dx (first phase) or dt/dh (second); the seepage coefficients
        are taken at the outlet depth hg."""
        if impermeable:
            q = 0.0
        else:
            rc = hg / math.sqrt(x) * (ks / kb - r)
            rd = nb * H / ns
            re = 1.0 - r
            ra = r * rd / rc
            rf = rd * ra / rc
            s = math.sqrt(x)
            g = ((1.0 - r) * h + rd) / ((ks / kb - r) * h + rd)
            q = ((L - x) * g + re * x + 2.0 * s * ra
                 - 2.0 * rf * math.log(abs((rc * s + rd) / rd))) * ks * 6.0 * x / L
        return numerator / ((3.0 * h * h + 4.0 * h * x * S) * kb + q)

    points = []
    t = q = x = 0.0
    dx = L / 30.0
    h1 = H
    for _ in range(30):
        x = x + dx
        h2 = depth(t + q)
        f2 = rate(x, h2, h2, 2.0 * nb * h2 * x)
        t = t + (f2 * dx + q) / 2.0
        h1 = depth(t)
        f1 = rate(x, h1, h1, 2.0 * nb * h1 * x)
        q = f1 * dx
        v = x * h1 / 3.0 + (H - h1) * L
        hv = (L * H - v) / L
        points.append((t, v / (L * H)))
        if h1 <= 0.0 or h1 <= hv:
            h1 = hv
    h0 = h1
    dh = h0 / 30.0
    h_old = h0
    for i in range(1, 31):
        h_new = h0 - i * dh
        if i == 30 or h_new <= 0.0:
            h_new = h_old / 2.0
        hg = h_new
        t = t + simpson(lambda h: rate(L, h, hg, 4.0 * nb * L * L), h_new, h_old, 10)
        v = L * H - 2.0 * h_new * L / 3.0
        points.append((t, v / (L * H)))
        h_old = h_new
    return points


def interpolate(pairs, at):
    """The second of each pair at `at` of the first, rising: linear between
    the enclosing pairs, from the origin before the first, the last beyond."""
    for i, (x, y) in enumerate(pairs):
        if x >= at:
            if i == 0:
                return y * at / x
            x0, y0 = pairs[i - 1]
            return y0 + (y - y0) * (at - x0) / (x - x0)
    return pairs[-1][1]


def time_for_degree(points, u):
    return interpolate([(pu, t) for t, pu in points], u)


def degree_at_time(points, hours):
    return interpolate(points, hours)


# ------------------------------------------------------------------ rainfall

def gamma_sum(a):
    s = 0.0
    for i in range(1, 3481):
        x = 0.05 * i
        term = x ** (a - 1.0) * math.exp(-x) * 0.05
        s += term
        if term < 1.0e-6 * s:
            break
    return s


def gamma_mass(a, b, lo, hi):
    gsum = gamma_sum(a)

    def f(x):
        if abs(b * x) >= 88.0 or (x <= 0.0 and a <= 1.0):
            return 10.0
        return x ** (a - 1.0) * math.exp(-b * x) / (gsum * b ** a)

    return min(max(simpson(f, lo, hi, 60), 0.0), 1.0)


class Infiltration:
    def __init__(self, f):
        self.L = f["path_length"]
        self.y = f["scale"]
        self.crack = f["power_factor"] == 0.0
        self.F = f["power_factor"]
        self.K = 0.03 if f["constant_choice"] == 1 else 0.11
        self.R = f["rainfall"]
        self.k = [c if c != 0.0 else single(d)
                  for c, d in zip(f["constants"], DEFAULT_CONSTANTS)]

    def phi(self, x):
        if x <= 0.0:
            return 0.0
        k1, k2, k3, k4 = self.k
        return k1 * (60.0 * x / (self.K * self.F)) ** (1.0 - k3) * self.R ** k2 / k4

    def crack_depth(self, v):
        p = (0.02832 * self.y * v - 0.32) * 12.0 / (0.013593599 * self.y * self.L)
        return max(p, 0.0)

    def depth(self, v, rate):
        if self.crack:
            return self.crack_depth(v)
        p = self.phi(self.y * v)
        return p if p * rate < 174.0 else self.crack_depth(v)

    def volume(self, p):
        if self.crack:
            return (0.32 + 0.013593599 * self.y * self.L * p / 12.0) / (0.02832 * self.y)
        return self.phi(self.L * self.y * p / 12.0)


# ------------------------------------------------------------------ the model

def evaluate(f):
    k = f["bound"]
    base = f["layers"][k]
    lower = f["layers"][k + 1] if k + 1 < len(f["layers"]) else None
    nb, kb = base["porosity"], base["permeability"]
    H = base["thickness"] / 12.0
    L = f["path_length"]
    S = f["slope_percent"] / 100.0
    if S <= 0.0:
        S = 1.0e-7
    res = {"computed": nb > 0 and kb > 0 and H > 0 and L > 0}
    if lower is None:
        ns = ks = 0.0
    else:
        ns, ks = lower["porosity"], lower["permeability"]
    impermeable = lower is None or ks <= 0.0 or ns <= 1.0e-6
    if res["computed"]:
        points = drainage_curve(nb, kb, H, ns, ks, impermeable, L, S)
        res["points"] = points
        res["table"] = [time_for_degree(points, 0.05 * j) for j in range(1, 21)]
        t50 = res["table"][9]
        total = points[-1][0]

    fines = f["fines"]
    cls = 0 if fines < 3 else 1 if fines < 5 else 2 if fines < 10 else 3
    tg = GRAVEL[f["fines_type"] - 1][cls]
    ts = SAND[f["fines_type"] - 1][cls]
    w = (f["gravel"] * tg + f["sand"] * ts) * 0.01
    res["evaluation"] = (float(tg), f["gravel"], float(ts), f["sand"], w)
    uc = 15.0 / w if w != 0.0 else math.inf
    res["critical"] = None
    if res["computed"] and uc < 1.0:
        res["critical"] = (uc, time_for_degree(points, uc))

    inf = Infiltration(f)
    pore = L * nb * H
    daily_rows = 0
    if res["computed"] and total >= 24.0:
        daily_rows = 100
        for d in range(1, 101):
            if 24.0 * d > total:
                daily_rows = d
                break
        daily_rows = min(daily_rows, 39)
        degrees = [degree_at_time(points, 24.0 * d) for d in range(1, daily_rows)] + [1.0]

    res["months"] = []
    for m in months_of(f["days"]):
        wet = m["wet"]
        nw = len(wet)
        D = float(m["days"])
        out = {"name": MONTHS[m["number"] - 1], "year": m["year"], "wet": nw}
        if nw == 0:
            out["sequences"] = (1, 0)
        else:
            runs = 1 + sum(1 for p, c in zip(wet, wet[1:]) if c != p + 1)
            out["sequences"] = (runs + (1 if wet[0] > 1 else 0), runs)
        total_rain = 0.0
        for p in m["rain"]:
            total_rain += p
        mean = total_rain / nw if nw else 0.0
        out["probabilities"] = None
        out["daily"] = None
        if nw > 1 and mean != 0.0:
            n = out["sequences"][0] + out["sequences"][1]
            if D == nw:
                pdry, pwet = 0.0, 1.0
                pc = [0.0] * daily_rows
            else:
                rd = n / (D - nw)
                rw = n / nw
                s = rd + rw
                pdry, pwet = rw / s, rd / s
                e = math.exp(-s) if s < 174.0 else 0.0
                pdd = (rw + e * rd) / s
                pwd = (1.0 - e) * rw / s
                pc = [(rw / s) * pdd ** d + (rd / s) * pwd * pdd ** (d - 1)
                      for d in range(1, daily_rows + 1)]
            out["probabilities"] = (pdry, pwet)
            v = 0.0
            for p in m["rain"]:
                v += (p - mean) * (p - mean)
            v = max(v / nw, 1.0e-4)
            a = min(mean * mean / v, 10.0)
            b = min(mean / v, 20.0)
            if daily_rows:
                out["daily"] = [(d, 100.0 * degrees[d - 1], pc[d - 1])
                                for d in range(1, daily_rows + 1)]
        if not res["computed"]:
            out["base"] = None
        elif nw == 0 or (nw > 1 and mean == 0.0):
            out["base"] = (1.0, 0.0)
        elif nw == 1:
            degree = inf.volume(total_rain / D) / pore
            wet_share = time_for_degree(points, degree) / (24.0 * D)
            out["base"] = (1.0 - wet_share, wet_share)
        else:
            if total < 24.0:
                dry = 1.0 - (t50 / 24.0) * pwet
            else:
                g = 0.0
                previous = 0.0
                for j in range(2, 21, 2):
                    p = inf.depth(0.05 * j * pore, b)
                    g = min(g + gamma_mass(a, b, previous, p), 1.0)
                    previous = p
                dry = 0.0
                previous = 0.0
                for d in range(1, daily_rows + 1):
                    p = inf.depth(degrees[d - 1] * pore, b)
                    dry += gamma_mass(a, b, previous, p) * pc[d - 1]
                    previous = p
                dry += (1.0 - g) * pc[daily_rows - 1]
            out["base"] = (dry, 1.0 - dry)
        res["months"].append(out)
    return res


# ------------------------------------------------------------------ writing

def F(v, w, d):
    s = "%.*f" % (d, v)
    if len(s) == w + 1 and (s.startswith("0.") or s.startswith("-0.")):
        s = s.replace("0.", ".", 1)
    return s.rjust(w) if len(s) <= w else "*" * w


def E(v, w, d):
    if v == 0.0:
        s = "0." + "0" * d + "E+00"
    else:
        mant, exp = ("%.*e" % (d - 1, abs(v))).split("e")
        exp = int(exp) + 1
        s = "0." + mant.replace(".", "") + ("E%+03d" % exp if abs(exp) <= 99 else "%+04d" % exp)
        if v < 0:
            s = "-" + s
    return s.rjust(w) if len(s) <= w else "*" * w


def I(v, w):
    s = "%d" % v
    return s.rjust(w) if len(s) <= w else "*" * w


VERDICTS = ("$$$$ THIS DRAINAGE DESIGN IS NOT ACCEPTABLE $$$$",
            "$ THIS DRAINAGE DESIGN IS MARGINALLY ACCEPTABLE $",
            "$$$$ THIS DRAINAGE DESIGN IS SATISFACTORY $$$$")
LABELS = ("WATER DRAINED PERCENTAGE DUE TO GRAVEL    = ",
          "PERCENTAGE  OF GRAVEL IN THE SAMPLE       = ",
          "WATER DRAINED PERCENTAGE DUE TO SAND      = ",
          "PERCENTAGE  OF SAND IN THE SAMPLE         = ",
          "PERCENTAGE  OF WATER WILL BE DRAINED      = ")


def report(res):
    lines = [" " * 104, "DRAINAGE%" + " " * 10 + "TIME"]
    for j in range(1, 21):
        t = E(res["table"][j - 1], 10, 3) if res["computed"] else "*" * 10
        lines.append(F(0.05 * j * 100.0, 5, 1) + " " * 8 + t)
    lines += ["", "******** EVALUATION OF DRAIANGE DESIGN ********"]
    lines += [label + F(v, 11, 2) for label, v in zip(LABELS, res["evaluation"])]
    lines.append("")
    if res["critical"]:
        uc, t = res["critical"]
        lines.append("CRITICAL DRAINAGE DEGREE (85% SATURATION) = " + F(uc * 100.0, 11, 2))
        lines.append("DRAINING TIME FOR 85% SATURATION (HOURS)  = " + F(t, 11, 2))
        verdict = VERDICTS[0] if t > 10.0 else VERDICTS[1] if t >= 5.0 else VERDICTS[2]
        lines += ["", "", verdict, "", ""]
    for m in res["months"]:
        lines.append(" %s %d" % (m["name"], m["year"]))
        lines.append("NUMBER OF DAYS WITH PRECIPITATION = " + I(m["wet"], 4))
        lines.append("NUMBER OF DRY DAY SEQUENCES =" + I(m["sequences"][0], 4))
        lines.append("NUMBER OF WET DAY SEQUENCES =" + I(m["sequences"][1], 4))
        if m["probabilities"]:
            lines.append("PROBABILITY OF DRY DAYS =" + F(m["probabilities"][0], 10, 3))
            lines.append("PROBABILITY OF WET DAYS =" + F(m["probabilities"][1], 10, 3))
            if m["daily"]:
                lines += ["", "", " DAYS   %DRAINAGE   PROBABILITY DRY DAYS"]
                for d, percent, pc in m["daily"]:
                    lines.append(I(d, 3) + " " * 5 + F(percent, 8, 2) + " " * 10 + F(pc, 8, 3))
                lines += ["", ""]
        if m["base"] is None:
            dry = wet = "*" * 10
        else:
            dry, wet = F(m["base"][0], 10, 3), F(m["base"][1], 10, 3)
        lines.append("DRY PROBABILITY OF BASE COURSE = " + dry)
        lines.append("WET PROBABILITY OF BASE COURSE = " + wet)
        lines += ["", "", ""]
    return "".join(line + "\n" for line in lines)


# ------------------------------------------------------------------ fixtures

def soil_records(porosity, permeability):
    values = [130, 0.3, 0.2, porosity, 30000, 30000, permeability, 0, 0, 0, 0,
              9.3, 3.9, 7.1, 136, 4, 21.6, 4.5, 9.5, 20]
    return "".join("%s,'Value %d'\n" % (repr(v), k) for k, v in enumerate(values, 1))


# The fixture's rainfall, 30 December 2000 to 3 April 2001: one wet day in
# the two days of December; January wet on most days, its first and last
# included; February dry; March wet on a few days after a dry start; April 1-3
# all wet.
JANUARY = (0.42, 0.11, 0.05, 0.3, 0.26, 0.5, 0.18, 0.22, 0, 0.8, 0.23, 0.31, 0.27,
           0.19, 0.35, 0.4, 0, 0, 0, 0.06, 1.3, 0.02, 0.4, 0.33, 0, 0, 0, 0.17,
           0.21, 0.28, 0.09)
MARCH = {5: 0.12, 6: 0.9, 15: 0.03, 22: 1.4, 23: 0.08}


def rain_of(month, day):
    if month == 12:
        return 2.0 if day == 31 else 0.0
    if month == 1:
        return JANUARY[day - 1]
    if month == 3:
        return MARCH.get(day, 0.0)
    if month == 4:
        return (0.3, 0.55, 0.12)[day - 1]
    return 0.0


def fixture_input(base_porosity, t3):
    """A daily-form input: asphalt 4 in over a 6-in base (the porosity given,
    100 ft/h) over a 12-in layer of permeability 0 and porosity 1e-6; 20-ft
    path, no slope; fines type 1, 12 % fines, 25 % gravel, 40 % sand."""
    days = [(12, 30, 2000), (12, 31, 2000)]
    for month, length in ((1, 31), (2, 28), (3, 31), (4, 3)):
        days += [(month, d, 2001) for d in range(1, length + 1)]
    text = "1\n2\n1.0\n1\n1,'IDMODEL(0)TMI(1)'\n'FLEXIBLE','KAVRO ANALYSIS TYPE'\nC:\\proj\\\n"
    text += "1 0\n3 10 0.1 1\n"
    text += "'Asphalt',4,1,5,'Material,Thickness,Nodal spacing,Last Node'\n"
    text += "148,'Unit Weight'\n0.67,'Thermal Conductivity'\n0.23,'Heat Capacity'\n"
    text += "'Base',6,2,8,'Material,Thickness,Nodal spacing,Last Node'\n"
    text += soil_records(base_porosity, 100)
    text += "'Lower',12,4,11,'Material,Thickness,Nodal spacing,Last Node'\n"
    text += soil_records(1e-6, 0)
    text += "3 0.93 0.85 50 0.5\n0.77 0.28 5.0 0.85\n4 15 32 30.2\n1\n"
    text += "%d\n" % len(days)
    text += "50 0\n" * 11
    for month, day, year in days:
        text += "%d %d %d 60 40 %s 8 70 7 17 400 20\n" % (
            month, day, year, repr(float(rain_of(month, day))))
    text += "20  0  1\n1 12 25 40\n%s\n10 0 0 0 0\n" % t3
    return text


FIXTURES = (
    ("drainage_crack", 0.3, "2 0 100"),
    ("drainage_power", 0.3, "2 100 1"),
)


def write_fixtures(directory):
    for name, porosity, t3 in FIXTURES:
        source = os.path.join(directory, name + ".tmp")
        with open(source, "w") as out:
            out.write(fixture_input(porosity, t3))
        with open(os.path.join(directory, name + ".drn"), "w") as out:
            out.write(report(evaluate(parse(source))))


def print_numbers():
    f = {"bound": 1, "path_length": 12.0, "slope_percent": 2.0}
    nb, kb, H = single(0.291586), single(968.466), 10.0 / 12.0
    ns, ks = single(0.273166), single(2.0184e-6)
    points = drainage_curve(nb, kb, H, ns, ks, False, f["path_length"], 0.02)
    for i in (1, 30, 60):
        print("point %d: %.8g h, U %.8g" % (i, points[i - 1][0], points[i - 1][1]))
    print("t50 %.8g" % time_for_degree(points, 0.5))
    w = (single(90.5) * 60 + single(5) * 50) * 0.01
    print("W %.8g Uc %.8g T %.8g" % (w, 15 / w, time_for_degree(points, 15 / w)))


def main(argv):
    if len(argv) == 2 and argv[1] == "--numbers":
        print_numbers()
    elif len(argv) == 3 and argv[1] == "--fixtures":
        write_fixtures(argv[2])
    elif len(argv) == 3:
        with open(argv[2], "w") as out:
            out.write(report(evaluate(parse(argv[1]))))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

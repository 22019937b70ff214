#!/usr/bin/python3
"""Independent expectations for the engine's reading of "input.tmp".

Reads a front-end-form input file with its own free-form reader, then derives
with Python's datetime and numpy what the engine's input phase must find: the
calendar of the months, the wet days, the daily sums and means, the
temperature mean of the history mode and the Thornthwaite moisture index of
every day. Writes a plain-text expectation file that the C++ tests read.

    climate_input_oracle.py INPUT OUTPUT

Run by hand when a fixture changes; CI never runs it.
"""

import datetime
import re
import sys

import numpy as np

TOKEN = re.compile(r"'[^']*'|[^\s,]+")


class ListReader:
    """Free-form records: each read starts a new line and continues on the next
    ones until it has its values; the rest of its last line is dropped."""

    def __init__(self, text):
        self.lines = text.replace("\r\n", "\n").split("\n")
        self.pos = 0

    def line(self):
        s = self.lines[self.pos]
        self.pos += 1
        return s

    def read(self, n):
        values = []
        while len(values) < n:
            values.extend(TOKEN.findall(self.line()))
        return values[:n]


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in data:
        h ^= b
        h = (h * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def parse(path):
    raw = open(path, "rb").read()
    r = ListReader(raw.decode("ascii"))
    f = {"bytes": len(raw), "fnv": fnv1a64(raw)}
    f["form"] = int(r.read(1)[0])
    r.read(1)
    r.read(1)
    f["history_mode"] = int(r.read(1)[0])
    r.read(2)
    r.read(2)
    r.line()  # case name, one fixed-form line
    f["bound_layers"] = sum(int(v) for v in r.read(2))
    layers, intervals = (int(v) for v in r.read(4)[:2])
    f["layers"] = []
    for _ in range(layers):
        head = r.read(5)
        name = head[0].strip("'")
        records = 3 if name in ("PCC", "Asphalt", "ATB") else 20
        f["layers"].append({"name": name, "thickness": head[1],
                            "values": [r.read(2)[0] for _ in range(records)]})
    r.read(5)
    r.read(4)
    r.read(4)
    r.read(1)
    day_count = int(r.read(1)[0])
    for _ in range(intervals + 1):
        r.read(2)
    days = []
    for _ in range(day_count):
        if f["form"] == 0:
            head = r.read(6)
            day = {"date": tuple(int(v) for v in head[:3]),
                   "sun": (float(head[3]), float(head[4])),
                   "hours": [[float(v) for v in r.read(6)[1:]] for _ in range(24)]}
        else:
            v = r.read(12)
            day = {"date": tuple(int(x) for x in v[:3]),
                   "values": [float(x) for x in v[3:]],
                   "sun": (float(v[8]), float(v[9]))}
        days.append(day)
    f["days"] = days
    f["trailing"] = [r.read(n) for n in (3, 4, 3, 5)]  # records T1-T4
    return f


def derive_days(f):
    """Daily precipitation and the daily means of hourly values 3-5."""
    out = []
    for day in f["days"]:
        if f["form"] == 0:
            p = v4 = v5 = v9 = 0.0
            for h in day["hours"]:
                p += h[1]
                v4 += h[2] / 24.0
                v5 += h[3] / 24.0
                v9 += h[4] / 24.0
        else:
            vals = day["values"]
            p, v4, v5, v9 = vals[2], vals[3], vals[4], vals[8]
        out.append((p, v4, v5, v9))
    return out


def months_of(f, daily):
    """Months of the record: a new month wherever the calendar month of
    consecutive dates differs (the window's wrap included)."""
    months = []
    previous = None
    for (month, day, year), (p, *_rest) in zip((d["date"] for d in f["days"]), daily):
        date = datetime.date(year, month, day)  # a real date, or this raises
        if previous is None or (date.year, date.month) != (previous.year, previous.month):
            months.append({"days": 0, "wet": []})
        m = months[-1]
        m["days"] += 1
        m["number"] = date.month
        m["year"] = date.year
        if p != 0.0:
            m["wet"].append(date.day)
        previous = date
    return months


def thornthwaite(table):
    heat = 0.0
    for t, _, _ in table:
        if t > 0:
            heat += float(np.float32((0.2 * t) ** 1.514))
    if heat == 0.0:
        return None
    a = float(np.float32(6.75e-7 * heat ** 3 - 7.71e-5 * heat ** 2 + 0.017921 * heat + 0.49239))
    pe = 0.0
    p = 0.0
    for t, daylight, rain in table:
        p += rain
        pe += 1.6 * (10.0 * max(t, 0.0) / heat) ** a * daylight / 12.0
    if pe == 0.0:
        return None
    return float(np.float32((p / pe - 1.0) * 75.0 + 10.0))


def moisture_index(f, daily):
    n = len(f["days"])
    table = [[-100.0, 0.0, 0.0] for _ in range(12)]
    tsum = psum = lsum = 0.0
    tcount = ndays = 0
    tmi = [0.0] * n
    latest = None
    found = []
    first = None
    for i, day in enumerate(f["days"]):
        month = day["date"][0]
        if i > 0 and month != f["days"][i - 1]["date"][0]:
            ended = f["days"][i - 1]["date"][0]
            table[ended - 1] = [(tsum / tcount - 32.0) / 1.8, lsum / ndays, psum * 2.54]
            tsum = psum = lsum = 0.0
            tcount = ndays = 0
            if table[month - 1][0] > -99.0:
                idx = thornthwaite(table)
                if idx is not None:
                    latest = idx
                    found.append(idx)
                    if first is None:
                        first = i
        if f["form"] == 0:
            for h in day["hours"]:
                tsum += h[0]
                psum += h[1]
            tcount += 24
        else:
            tsum += (day["values"][0] + day["values"][1]) / 2.0
            psum += daily[i][0]
            tcount += 1
        lsum += day["sun"][1] - day["sun"][0]
        ndays += 1
        if latest is not None:
            tmi[i] = latest
    if found:
        mean = sum(found) / len(found)
        for i in range(first + 1):
            tmi[i] = mean
    return tmi


def temperature_mean(f):
    """Single-precision sum and count of every hourly temperature."""
    if f["form"] != 0 or f["history_mode"] == 0:
        return None, 0
    total = np.float32(0.0)
    count = np.float32(0.0)
    for day in f["days"]:
        for h in day["hours"]:
            total = np.float32(float(total) + h[0])
            count = np.float32(count + np.float32(1.0))
    return np.float32(total / count) if count > 0 else None, int(count)


def main(source, target):
    f = parse(source)
    daily = derive_days(f)
    months = months_of(f, daily)
    tmi = moisture_index(f, daily)
    mean, count = temperature_mean(f)
    with open(target, "w") as out:
        out.write("# expectations from tools/oracles/climate_input_oracle.py\n")
        out.write("file_fnv1a64 %016x\n" % f["fnv"])
        out.write("file_bytes %d\n" % f["bytes"])
        out.write("days %d\n" % len(f["days"]))
        out.write("record_count %d\n" % count)
        out.write("temperature_mean %s\n" % ("none" if mean is None else repr(float(mean))))
        out.write("months %d\n" % len(months))
        for k, m in enumerate(months, 1):
            out.write("month %d %d %d %d %d%s\n" % (
                k, m["number"], m["year"], m["days"], len(m["wet"]),
                "".join(" %d" % d for d in m["wet"])))
        for k, (day, (p, v4, v5, v9), t) in enumerate(zip(f["days"], daily, tmi), 1):
            out.write("day %d %d %d %d %r %r %r %r %r\n" % (
                k, day["date"][0], day["date"][1], day["date"][2], p, v4, v5, v9, t))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

#!/usr/bin/env python3
"""Writes the example elevated-release study (Tolvern SF6) into this folder.

tolvernsf6-max11052011.txt  quality flags: 48 header records, then one record per
                            experiment hour and arc (flag in column 88)
TolvernSF611052011.txt      observation blocks: key, stability, text, source, arc,
                            text and one record per sampler

Twelve experiment hours (1980-07-15 hours 10-13, 1980-07-22 hours 11-14,
1981-05-20 hours 12-15) with arcs at 0.5, 1.0, 2.0 and 5.0 km. Every arc carries a
Gaussian plume across its samplers, with a little measurement noise, readings below
the detection limit written as zero and a few missing samplers (-1.00). The 1981
hours give their concentrations in ng/m^3 with a concentration factor of 0.001.
The output is fixed by the seed: run it again to get the same files.
"""
import math
import os
import random

XSRC, YSRC = 285.597, 4385.088
ARCS = [0.5, 1.0, 2.0, 5.0]
HERE = os.path.dirname(os.path.abspath(__file__))

# (year, month, day, hour, plume bearing deg, sigma-theta deg, OBK m, TS K, VS m/s, Q g/s)
HOURS = [
    (80, 7, 15, 10, 62.0, 14.0, -85.30, 411.0, 13.40, 5.12),
    (80, 7, 15, 11, 65.5, 16.5, -42.75, 412.5, 13.60, 5.08),
    (80, 7, 15, 12, 70.0, 17.0, -31.10, 413.0, 13.55, 5.15),
    (80, 7, 15, 13, 74.5, 15.0, -58.20, 412.0, 13.20, 5.10),
    (80, 7, 22, 11, 238.0, 9.5, -260.40, 405.5, 12.10, 4.87),
    (80, 7, 22, 12, 244.5, 11.0, -120.65, 406.0, 12.25, 4.91),
    (80, 7, 22, 13, 250.0, 12.5, -95.00, 407.5, 12.30, 4.90),
    (80, 7, 22, 14, 243.0, 10.0, -140.80, 407.0, 12.20, 4.88),
    (81, 5, 20, 12, 355.0, 8.0, -510.25, 398.0, 11.80, 6.02),
    (81, 5, 20, 13, 2.5, 9.0, -330.70, 399.5, 11.95, 6.05),
    (81, 5, 20, 14, 8.0, 10.5, -210.15, 400.0, 12.05, 6.00),
    (81, 5, 20, 15, 12.0, 9.5, -275.60, 399.0, 11.90, 5.98),
]

# Quality flags below 3 skip an arc: (year, month, day, hour, arc km) -> flag.
SKIPPED = {
    (80, 7, 15, 10, 0.5): 2,   # first block of an hour skipped: its emission record
    (80, 7, 15, 12, 5.0): 1,   # comes from the hour's second block
    (80, 7, 22, 13, 0.5): 0,
    (80, 7, 22, 13, 1.0): 2,
    (81, 5, 20, 12, 5.0): 1,
    (81, 5, 20, 15, 0.5): 2,
}

PEAK = {0.5: 4.5, 1.0: 11.0, 2.0: 8.5, 5.0: 3.2}  # centreline peak per g/s of Q, ug/m^3
SAMPLERS = {0.5: (15, 19), 1.0: (18, 25), 2.0: (24, 31), 5.0: (30, 40)}


def place(record, column, text):
    """Puts text into record (a list of characters) starting at 1-based column."""
    end = column - 1 + len(text)
    if len(record) < end:
        record.extend(" " * (end - len(record)))
    record[column - 1:end] = list(text)
    return record


def line(*fields):
    record = []
    for column, text in fields:
        place(record, column, text)
    return "".join(record).rstrip() + "\n"


def arc_block(rng, test, h, arc):
    year, month, day, hour, centre, sigma_theta, obk, ts, vs, q = h
    scale = 0.001 if year == 81 else 1.0  # 1981 readings are in ng/m^3
    lo, hi = SAMPLERS[arc]
    n = rng.randint(lo, hi)
    # Samplers stand at a fixed spacing over a sector that holds the plume, not
    # necessarily centred on it.
    sector = max(4.2 * sigma_theta, 30.0)
    start = centre - sector * rng.uniform(0.4, 0.6)
    step = sector / (n - 1)
    peak = PEAK[arc] * q * rng.uniform(0.8, 1.25)
    out = [
        line((1, "TOLVERN SF6"), (14, f"TEST {test:3d}"), (32, f" {year:02d}/{month:02d}/{day:02d} "),
             (44, f"ARC {arc:4.1f} KM"), (60, "HOUR ENDING"), (78, f"{hour:02d}00 LST")),
        line((2, "STABILITY  HANNA-PAINE L ="), (30, f"{obk:9.2f}"), (40, "M")),
        line((2, f"SIGMA-THETA ={sigma_theta:6.1f} DEG"), (30, f"WIND FROM ={(centre + 180.0) % 360.0:6.1f} DEG"),
             (60, "MET TOWER 10 M")),
        line((2, "STACK  TS (K) ="), (30, f"{ts:8.2f}"), (39, "VS(M/S)="), (47, f"{vs:9.2f}"),
             (57, "Q(G/S) ="), (67, f"{q:9.2f}"), (77, "CFACTOR ="), (87, f"{scale:11.4E}")),
        line((2, "ARC(KM)"), (12, f"{arc:5.1f}"), (18, "SAMPLERS ="), (32, f"{n:5d}")),
        line((1, " NO.  X (KM)    Y (KM)   BRG(DEG)   CONC")),
    ]
    for i in range(n):
        bearing = start + i * step + rng.uniform(-0.4, 0.4)
        r = arc * 1000.0 + rng.uniform(-15.0, 15.0)  # m
        x = XSRC + r * math.sin(math.radians(bearing)) / 1000.0
        y = YSRC + r * math.cos(math.radians(bearing)) / 1000.0
        dev = (bearing - centre + 180.0) % 360.0 - 180.0
        conc = peak * math.exp(-0.5 * (dev / sigma_theta) ** 2) * rng.lognormvariate(0.0, 0.18)
        conc /= scale
        if conc < 0.02 / scale:
            conc = 0.0  # below the detection limit
        if rng.random() < 0.03:
            conc = -1.0  # sampler failed
        out.append(line((1, f"{i + 1:4d}"), (5, f"{x:8.3f}"), (13, f"{y:10.3f}"),
                        (23, f"{bearing % 360.0:10.1f}"), (33, f"{conc:10.2f}")))
    return out


def qc_file():
    header = [
        "TOLVERN SF6 TRACER STUDY - ARC MAXIMA AND QUALITY FLAGS (REVISED 11 MAY 2011)",
        "ELEVATED RELEASE FROM THE TOLVERN STACK, SAMPLING ARCS AT 0.5 TO 50 KM",
        "ONE RECORD PER EXPERIMENT HOUR AND SAMPLING ARC",
        "",
        "COLUMNS",
        "   3-10  DATE YY/MM/DD",
        "  20-21  HOUR ENDING (LST)",
        "  24-33  ARC MAXIMUM CONCENTRATION (UG/M3)",
        "  42-45  ARC DISTANCE (KM)",
        "  50-54  SAMPLERS ON THE ARC",
        "  58-62  SAMPLERS REPORTING",
        "  66-85  REMARK",
        "     88  QUALITY FLAG",
        "",
        "QUALITY FLAGS",
        "  0  ARC NOT SAMPLED OR DATA LOST",
        "  1  PLUME NOT ON THE ARC",
        "  2  PLUME EDGE ONLY, MAXIMUM NOT DEFINED",
        "  3  PLUME ON THE ARC, ONE SIDE INCOMPLETE",
        "  4  PLUME ON THE ARC, BOTH SIDES DEFINED",
        "  5  PLUME WELL DEFINED, ALL SAMPLERS REPORTING",
        "  9  REFERENCE QUALITY",
        "",
        "ONLY ARCS WITH A FLAG OF 3 OR MORE ARE TO BE ANALYSED.",
        "",
    ]
    header += ["" for _ in range(48 - len(header) - 3)]
    header += [
        "  DATE             HR   ARC MAX          ARC  NSAM NREP   REMARK               Q",
        "                   (LST) (UG/M3)         (KM)                                  F",
        "-" * 88,
    ]
    assert len(header) == 48
    out = [h.rstrip() + "\n" for h in header]
    rng = random.Random(110511)
    for h in HOURS:
        year, month, day, hour = h[:4]
        for arc in ARCS:
            flag = SKIPPED.get((year, month, day, hour, arc), rng.choice([3, 4, 4, 5, 5, 9]))
            remark = {0: "DATA LOST", 1: "PLUME OFF ARC", 2: "EDGE ONLY"}.get(flag, "")
            nsam = rng.randint(*SAMPLERS[arc])
            out.append(line((3, f"{year:02d}/{month:02d}/{day:02d}"), (20, f"{hour:02d}"),
                            (24, f"{rng.uniform(1.0, 60.0):10.2f}"), (42, f"{arc:4.1f}"),
                            (50, f"{nsam:5d}"), (58, f"{nsam - rng.randint(0, 2):5d}"),
                            (66, remark), (88, str(flag))))
        # The 3 km arc was not sampled in these hours.
        out.append(line((3, f"{year:02d}/{month:02d}/{day:02d}"), (20, f"{hour:02d}"),
                        (24, f"{0.0:10.2f}"), (42, f"{3.0:4.1f}"), (50, f"{0:5d}"),
                        (58, f"{0:5d}"), (66, "NOT SAMPLED"), (88, "0")))
    return out


def main():
    rng = random.Random(19800715)
    blocks = []
    for test, h in enumerate(HOURS, start=1):
        for arc in ARCS:
            blocks += arc_block(rng, test, h, arc)
    with open(os.path.join(HERE, "TolvernSF611052011.txt"), "w", newline="\n") as f:
        f.writelines(blocks)
    with open(os.path.join(HERE, "tolvernsf6-max11052011.txt"), "w", newline="\n") as f:
        f.writelines(qc_file())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes hbarcs.txt, the example near-surface release study (340 arc blocks).

Sixty-eight ten-minute releases, each sampled on five arcs at 50, 100, 200, 400
and 800 m. Samplers stand every 2 degrees across the expected plume sector; the
concentrations follow a Gaussian crosswind profile with some scatter, read zero
below the detection limit, and a few samplers have no valid sample (-1.0).

Run from anywhere: python3 example/holmby/make_example.py
"""
import math
import os
import random

ARCS = [50, 100, 200, 400, 800]
DETECTION_LIMIT = 25.0  # file unit, 10^-9 g/m^3
MISSING = -1.0


def plume_peak(q, u, x, stability):
    # Arc maximum in the file unit: falls off with distance a little faster than
    # x^-1.5, higher in stable (larger factor) than in unstable hours.
    return 5.1e6 * q * stability / (u * x ** 1.7)


def date_key(month, day, year):
    # Month in key columns 2-3, day in 5-6, two-digit year in 8-9.
    return "' %02d/%02d/%02d '" % (month, day, year)


def time_key(hour, minute):
    end = hour * 60 + minute + 10
    return "'%02d%02d-%02d%02d'" % (hour, minute, end // 60, end % 60)


def even(v):
    return 2 * int(round(v / 2.0))


def wrap(b):
    while b <= 0:
        b += 360
    while b > 360:
        b -= 360
    return b


def experiments(rng):
    """Experiment number, date, start time, wind and stability of every release."""
    runs = []
    month, day = 7, 3
    number = 0
    last_hour = 0
    while len(runs) < 68:
        number += 1
        if number in (9, 41):  # releases called off; their numbers stay unused
            continue
        later = [h for h in (11, 13, 14, 15, 19, 20, 21) if h > last_hour]
        if not later:  # the day's releases are done: the next one is on a later day
            day, last_hour = day + 1, 0
            later = [11, 13, 14, 15, 19, 20, 21]
        hour = rng.choice(later)
        last_hour = hour
        minute = rng.choice([0, 0, 10, 20, 30])
        stable = hour >= 19
        u = round(rng.uniform(1.6, 4.0) if stable else rng.uniform(2.5, 8.5), 2)
        sigma_theta = rng.uniform(3.5, 8.0) if stable else rng.uniform(9.0, 22.0)
        stability = rng.uniform(1.6, 3.2) if stable else rng.uniform(0.45, 1.1)
        if len(runs) % 17 == 5:
            centre = rng.uniform(-14.0, 14.0) % 360.0  # wind from the south: across north
        else:
            centre = rng.uniform(95.0, 265.0)
        q = round(rng.uniform(38.0, 105.0), 1)
        runs.append(dict(nexp=number, month=month, day=day, year=61, hour=hour, minute=minute,
                         u=u, sigma_theta=sigma_theta, stability=stability, centre=centre, q=q))
        # one or two releases a day, some days without
        if rng.random() < 0.55:
            day += rng.choice([1, 1, 2, 3])
            last_hour = 0
        if day > (31 if month in (7, 8) else 30):
            day -= 31 if month in (7, 8) else 30
            month += 1
    return runs


def block(rng, run, arc_index, radius, lost_arc):
    lines = []
    centre = run["centre"] + rng.gauss(0.0, 1.5 + 0.4 * arc_index)  # meander from arc to arc
    sigma = run["sigma_theta"] * (1.0 + radius / 1500.0) ** -0.25
    width = min(120, max(60, even(7.0 * sigma)))
    first = even(centre - width / 2.0 + rng.uniform(-6.0, 6.0))
    bearings = [wrap(first + 2 * k) for k in range(width // 2 + 1)]
    peak = plume_peak(run["q"], run["u"], radius, run["stability"])

    concs = []
    for b in bearings:
        d = (b - centre + 180.0) % 360.0 - 180.0
        c = peak * math.exp(-0.5 * (d / sigma) ** 2) * math.exp(rng.gauss(0.0, 0.18))
        c += rng.gauss(0.0, 6.0)  # analysis scatter near the blank value
        concs.append(round(c, 1) if c >= DETECTION_LIMIT else 0.0)
    if lost_arc:
        # The plume passed beside this arc: only two samplers above the limit.
        concs = [0.0] * len(concs)
        concs[1], concs[3] = 31.4, 44.9
    for k in range(len(concs)):
        if rng.random() < 0.012:
            concs[k] = MISSING

    n = len(bearings)
    nfirst, nlast = 1, n
    if rng.random() < 0.12:  # end samplers in the lee of a hedge: kept in the file, not fitted
        nfirst, nlast = 3, n - 2
    wind_2m = round(run["u"] * rng.uniform(0.93, 1.07), 2)

    lines.append("%4d %d %s %s %5.2f" % (run["nexp"], arc_index + 1,
                                          date_key(run["month"], run["day"], run["year"]),
                                          time_key(run["hour"], run["minute"]), wind_2m))
    lines.append("%4d %3d %3d %3d  1.0  0.0  0.0  %6.1f  0.46" % (n, nfirst, nlast, radius,
                                                                    run["q"]))
    for k, (b, c) in enumerate(zip(bearings, concs)):
        # columns 1-17: experiment, arc and sampler number; 21-27: sampler height (m)
        lines.append("%4d%3d%5d     %3d%7.2f%3d%10.1f" % (run["nexp"], arc_index + 1, k + 1, b,
                                                         1.5, radius, c))
    return lines


def main():
    rng = random.Random(19610703)
    runs = experiments(rng)
    lost = {(12, 4), (47, 4)}  # (release index, arc index) whose arc the plume missed
    out = ["'Holmby near-surface release: 10-min arc samples, 10^-9 g/m^3, 340 arcs'"]
    count = 0
    for i, run in enumerate(runs):
        for a, radius in enumerate(ARCS):
            out.extend(block(rng, run, a, radius, (i, a) in lost))
            count += 1
    assert count == 340, count
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hbarcs.txt")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

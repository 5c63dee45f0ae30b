#!/usr/bin/env python3
"""Writes the example meteorology of the Tolvern study into this folder.

aermet-surface.txt  AERMET-like surface file: one header record (upper-air station
                    in columns 41-45, surface station in columns 58-62), then one
                    record per hour 1-24 of 1980-07-14..1980-07-23 and
                    1981-05-19..1981-05-21. Two night hours carry the missing
                    Obukhov length -99999.0.
aermet-profile.txt  AERMET-like profile file: three levels per hour of the same
                    days, except the study hour 1980-07-22 hour 14 (one NoProf).
dates.txt           the twelve study hours and one hour the AERMET files lack.
replies.txt         the three console replies of tessiclip.

Deterministic: the same files come out on every run. Records end with LF.
"""
import datetime
import math
import random
from pathlib import Path

HERE = Path(__file__).resolve().parent
UPPER_AIR, SURFACE_STATION = 13841, 14757
DAYS = [datetime.date(1980, 7, 14) + datetime.timedelta(days=i) for i in range(10)] + [
    datetime.date(1981, 5, 19) + datetime.timedelta(days=i) for i in range(3)
]
STUDY = [(80, 7, 15, h) for h in (10, 11, 12, 13)] + [(80, 7, 22, h) for h in (11, 12, 13, 14)] + [
    (81, 5, 20, h) for h in (12, 13, 14, 15)
]
ABSENT = (80, 7, 30, 12)
NO_PROFILE = (80, 7, 22, 14)
MISSING_L = {(80, 7, 17, 3), (81, 5, 21, 5)}


def put(record, first, text):
    """Places text at columns first.. (counted from 1) of a list of characters."""
    record[first - 1 : first - 1 + len(text)] = list(text)


def header():
    r = [" "] * 96
    put(r, 1, "   51.650N    1.350W")
    put(r, 34, "UA_ID:")
    put(r, 41, f"{UPPER_AIR:5d}")
    put(r, 51, "SF_ID:")
    put(r, 58, f"{SURFACE_STATION:5d}")
    put(r, 68, "OS_ID:")
    put(r, 83, "VERSION: 11059")
    return "".join(r)


def surface_and_profile():
    rng = random.Random(1980715)
    surf, prof = [], []
    ws = 3.0
    for day in DAYS:
        yy, jday = day.year % 100, day.timetuple().tm_yday
        peak = rng.uniform(150.0, 280.0)
        z0 = 0.25 if day.year == 1980 else 0.12
        for hr in range(1, 25):
            key = (yy, day.month, day.day, hr)
            ws = min(9.0, max(1.0, ws + 0.15 * (4.0 - ws) + rng.uniform(-0.7, 0.7)))
            wd = rng.uniform(200.0, 290.0)
            temp = 294.0 + 6.0 * math.sin(math.pi * (hr - 9) / 12.0) - (3.0 if yy == 81 else 0.0)
            temp += rng.uniform(-0.4, 0.4)
            ustar = 0.08 + 0.055 * ws
            if 7 <= hr <= 19:
                H = round(peak * math.sin(math.pi * (hr - 6) / 14.0), 1)
                wstar = (9.81 / temp * H / 1200.0 * (100.0 + (hr - 7) * 120.0)) ** (1.0 / 3.0)
                vptg, zic, albedo = 0.005, 100.0 + (hr - 7) * 120.0, 0.18
            else:
                H = round(-rng.uniform(5.0, 25.0), 1)
                wstar, vptg, zic, albedo = -9.0, 0.020, -999.0, 1.00
            zim = round(2300.0 * ustar**1.5)
            L = -1200.0 * temp * ustar**3 / (0.4 * 9.81 * H)
            L = max(-8888.0, min(8888.0, L))
            if key in MISSING_L:
                H, ustar, wstar, L = -999.0, -9.0, -9.0, -99999.0
            r = [" "] * 160
            put(r, 1, f"{yy:2d}{day.month:3d}{day.day:3d}{jday:4d}{hr:3d}")
            put(r, 16, f"{H:7.1f}{ustar:7.3f}{wstar:7.3f}{vptg:7.3f}")
            put(r, 44, f"{zic:5.0f}.{zim:5.0f}.{L:9.1f}{z0:8.4f}")
            put(r, 73, f"{0.8:7.2f}{albedo:8.2f}{ws:7.2f}{wd:7.1f}{10.0:7.1f}{temp:7.1f}{2.0:7.1f}")
            put(r, 123, f"{0:5d}{0.0:7.2f}{rng.uniform(40, 90):6.0f}{1012.0:7.0f}{rng.randint(0, 10):5d}")
            put(r, 153, " NAD-SFC")
            surf.append("".join(r))
            if key == NO_PROFILE:
                continue
            for level, height in enumerate((10.0, 50.0, 100.0)):
                top = 1 if level == 2 else 0
                lws = ws * (height / 10.0) ** 0.2
                prof.append(
                    f"{yy:2d}{day.month:3d}{day.day:3d}{hr:3d} {height:6.1f} {top:1d} {wd:6.1f}"
                    f" {lws:7.2f} {temp - 0.0065 * height:7.1f} {99.0:7.2f} {99.0:7.2f}"
                )
    return surf, prof


def main():
    surf, prof = surface_and_profile()
    (HERE / "aermet-surface.txt").write_text("\n".join([header()] + surf) + "\n")
    (HERE / "aermet-profile.txt").write_text("\n".join(prof) + "\n")
    dates = STUDY[:8] + [ABSENT] + STUDY[8:]
    (HERE / "dates.txt").write_text("".join(f"{y:2d}{m:3d}{d:3d}{h:3d}\n" for y, m, d, h in dates))
    (HERE / "replies.txt").write_text("dates.txt\naermet-surface.txt\naermet-profile.txt\n")


if __name__ == "__main__":
    main()

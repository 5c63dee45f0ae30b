#!/usr/bin/env python3
"""By-hand differential check of tessiclip against the reference cutter.

Makes small random studies (duplicates, unreadable keys and values, missing
lengths, blank and zero dates records, short and long records), runs both
programs on each and compares the four output files and the exit status.

  gfortran -O0 -ffp-contract=off -o /tmp/cutref cutmet_reference.f90
  python3 differential.py /tmp/cutref <build>/bin/tessiclip FIRST_SEED LAST_SEED

Fields are kept to forms that both read alike (no lone sign in a real field).
"""
import collections
import os
import random
import shutil
import subprocess
import sys
import tempfile

OUTPUTS = ["CutmetSummary.txt", "cutsurf.txt", "cutprof.txt", "cutiscst3.txt"]


def put(r, first, last, text):
    w = last - first + 1
    f = text.rjust(w)[:w]
    while len(r) < last:
        r.append(" ")
    r[first - 1 : last] = list(f)


def key(y, m, d, h):
    return "%2d%3d%3d%3d" % (y, m, d, h)


def surface(rng, y, m, d, h, bad):
    r = []
    put(r, 1, 2, str(y)); put(r, 3, 5, str(m)); put(r, 6, 8, str(d))
    put(r, 9, 12, "123"); put(r, 13, 15, str(h))
    if bad == "key":
        put(r, *rng.choice([(1, 2, "8x"), (3, 5, " x"), (6, 8, "1 ."), (13, 15, "1e")]))
    put(r, 16, 22, rng.choice(["125.3", "-12.0", "0.0", "", "-0.0", "3.0", "-999.0"]))
    put(r, 23, 43, "  0.412  1.234  0.005")
    put(r, 44, 49, rng.choice(["850.", "1200.", "-999."]))
    put(r, 50, 55, rng.choice(["300.", "45."]))
    L = rng.choice(["-20.0", "-5.0", "-99999.0", "50.0", "10.0", "-100000.0", "-1000.0", "0.0",
                    "8888.0", "-99998.9", "-15.874275", "42.955326"])
    put(r, 56, 64, "-2x.0" if bad == "L" else L)
    put(r, 65, 72, rng.choice(["0.1000", "1.0000", "0.2500", "", "0.0010"]))
    put(r, 88, 94, "3.5.0" if bad == "ws" else rng.choice(["3.50", "-9.00", "12.25"]))
    put(r, 109, 115, rng.choice(["293.2", "280.0"]))
    s = "".join(r)
    n = rng.choice([140, 165, 170, 15, 50])
    return (s + " x" * 50)[:n] if n > len(s) else s[:n]


def study(seed):
    rng = random.Random(seed)
    hours = [(80, 5, rng.randint(1, 3), rng.randint(0, 24)) for _ in range(rng.randint(0, 12))]
    head = "   51.650N    1.350W             UA_ID: 13841     SF_ID: 14757     OS_ID:"
    if rng.random() < 0.1:
        head = head[:42] + "x" + head[43:]
    surf = [head] + [surface(rng, *h, rng.choices(["none", "key", "L", "ws"], [40, 1, 1, 1])[0])
                     for h in hours]
    if rng.random() < 0.05:
        surf.append("")
    prof = []
    for h in hours + [(80, 5, rng.randint(1, 3), rng.randint(0, 24)) for _ in range(3)]:
        if rng.random() < 0.2:
            continue
        for lv in range(rng.randint(1, 3)):
            line = key(*h) + " %6.1f lvl%d" % (10.0 * (lv + 1), lv)
            if rng.random() < 0.03:
                line = line[:9] + "x" + line[10:]
            prof.append(line)
    if rng.random() < 0.3:
        rng.shuffle(prof)
    dates = []
    for _ in range(rng.randint(0, 10)):
        c = rng.random()
        if c < 0.6 and hours:
            dates.append(key(*rng.choice(hours)))
        elif c < 0.8:
            dates.append(key(80, 5, rng.randint(1, 3), rng.randint(0, 24)))
        elif c < 0.85:
            dates.append("")
        elif c < 0.88:
            dates.append("80  5 1x 12")
        else:
            dates.append(key(rng.choice([0, 80, 81]), rng.choice([0, 5]), 2, 12))
    return dates, surf, prof


def run(program, folder, dates, surf, prof, lf_to_crlf):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, lines in (("dates.txt", dates), ("surf.txt", surf), ("prof.txt", prof)):
        with open(os.path.join(folder, name), "w") as f:
            f.write("".join(x + "\n" for x in lines))
    rc = subprocess.run([program], cwd=folder, input=b"dates.txt\nsurf.txt\nprof.txt\n",
                        capture_output=True).returncode
    outs = {}
    for name in OUTPUTS:
        p = os.path.join(folder, name)
        t = open(p, "rb").read() if os.path.exists(p) else None
        outs[name] = t.replace(b"\n", b"\r\n") if (t is not None and lf_to_crlf) else t
    return rc, outs


def main():
    ref, ours, first, last = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    work = tempfile.mkdtemp(prefix="tessiclip-differential-")
    counts = collections.Counter()
    try:
        for seed in range(first, last):
            dates, surf, prof = study(seed)
            a = run(ref, os.path.join(work, "ref"), dates, surf, prof, True)
            b = run(ours, os.path.join(work, "ours"), dates, surf, prof, False)
            if a != b:
                print("seed", seed, "differs: status", a[0], b[0],
                      [n for n in OUTPUTS if a[1][n] != b[1][n]])
                return 1
            counts["status %d" % a[0]] += 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("all agree:", dict(counts))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""compare-tidy.py OLD.csv NEW.csv: two tidy files agree when every field but
value, lower and upper is byte-identical and those three agree within 1e-12
relative (empty against empty). Prints the differences and how many numbers
changed at all; exits 1 on a disagreement."""
import sys

TOL = 1e-12


def main():
    old = open(sys.argv[1], newline="").read().split("\r\n")
    new = open(sys.argv[2], newline="").read().split("\r\n")
    if len(old) != len(new):
        print(f"{sys.argv[2]}: {len(new)} lines, before {len(old)}", file=sys.stderr)
        return 1
    header = old[0].split(",")
    loose = {i for i, h in enumerate(header) if h in ("value", "lower", "upper")}
    bad = changed = 0
    for k, (a, b) in enumerate(zip(old, new)):
        if a == b:
            continue
        fa, fb = a.split(","), b.split(",")
        ok = len(fa) == len(fb)
        for i, (x, y) in enumerate(zip(fa, fb)):
            if x == y:
                continue
            if i not in loose or not x or not y:
                ok = False
                continue
            changed += 1
            vx, vy = float(x), float(y)
            if abs(vx - vy) > TOL * max(abs(vx), abs(vy)):
                ok = False
        if not ok:
            bad += 1
            if bad <= 5:
                print(f"{sys.argv[2]} line {k + 1}:\n  before {a}\n  now    {b}", file=sys.stderr)
    if changed:
        print(f"{sys.argv[2]}: {changed} values changed within {TOL} relative")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

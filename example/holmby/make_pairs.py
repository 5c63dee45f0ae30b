#!/usr/bin/env python3
"""Writes holmby-pairs.csv, an example pairs file of the near-surface study for
`tlvstats --pairs`, from the example report HolmbyOBSAnalysis.txt.

The observed CY/Q and CMAX/Q of the first 24 releases (120 arc lines) are taken
as the report writes them; the arc distance (m) becomes the group in km. The
predictions of the three "models" are made up: each is the observation times a
log-normal factor of its own (ModelA close, ModelB low and scattered, ModelC
high and widely scattered), a few cells are left empty (no value) and ModelB
writes -99.0 (its missing mark) now and then. Lines without an arc distance
(-999.00) are left out.

Run in the folder that holds the report:
    python3 make_pairs.py [HolmbyOBSAnalysis.txt [holmby-pairs.csv]]
"""
import random
import sys

RELEASES = 24
MODELS = [("ModelA", 0.05, 0.35), ("ModelB", -0.45, 0.6), ("ModelC", 0.35, 0.9)]


def main():
    report = sys.argv[1] if len(sys.argv) > 1 else "HolmbyOBSAnalysis.txt"
    out = sys.argv[2] if len(sys.argv) > 2 else "holmby-pairs.csv"
    rng = random.Random(20111105)
    rows = ["group,quantity,observed," + ",".join(m[0] for m in MODELS)]
    with open(report) as f:
        lines = f.read().splitlines()[2:]
    for line in lines:
        t = line.split()
        exp, dist, cmax_q, cy_q = int(t[0]), float(t[3]), t[8], t[9]
        if exp > RELEASES:
            break
        if dist <= 0:
            continue
        group = "%.2f" % (dist / 1000.0)
        for quantity, observed in (("CY/Q", cy_q), ("CMAX/Q", cmax_q)):
            o = float(observed) if "*" not in observed else -99.0
            cells = []
            for name, mu, sigma in MODELS:
                u = rng.random()
                if u < 0.02:
                    cells.append("")
                elif name == "ModelB" and u < 0.04:
                    cells.append("-99.0")
                elif o <= 0:
                    cells.append("%.4E" % rng.lognormvariate(0.0, 1.0))
                else:
                    cells.append("%.4E" % (o * rng.lognormvariate(mu, sigma)))
            rows.append("%s,%s,%s,%s" % (group, quantity, observed if o > -99.0 else "", ",".join(cells)))
    with open(out, "w", newline="") as f:
        f.write("\r\n".join(rows) + "\r\n")


if __name__ == "__main__":
    main()

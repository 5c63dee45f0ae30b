#!/usr/bin/env python3
"""Write a pairs file with the awkward cases of the reading and grouping rules.

Two quantities with different groups (a quantity without lines in some groups),
labels and arcs mixed, Obukhov lengths of every class (missing, 0, stable,
unstable), observed values missing, empty or zero, "D" and bare-sign exponents,
and predictions empty, negative, zero or beyond the float range.
Usage: make_edge_pairs.py FILE [SEED]
"""
import random
import sys


def main(path, seed=7):
    rnd = random.Random(seed)
    groups = ['east', '0.5', 'west', '2', '1', 'north']
    rows = ['group,quantity,observed,obk,M1,M2,M3']
    for _ in range(300):
        qty = rnd.choice(['QA', 'QB'])
        group = rnd.choice(groups if qty == 'QA' else groups[:4])
        o = rnd.lognormvariate(0, 1)
        r = rnd.random()
        observed = ('-99.0' if r < 0.05 else '' if r < 0.08 else '0' if r < 0.1
                    else '%.4fD0' % o if r < 0.13 else '%.3f+1' % (o / 10) if r < 0.15
                    else '%.4E' % o)
        obk = rnd.choice(['', '-99999.0', '0', '-50', '120', '-600.5', '33'])
        preds = []
        for k in range(3):
            p = o * rnd.lognormvariate(0.2 * k, 0.8)
            r = rnd.random()
            preds.append('' if r < 0.04 else '-1.0' if r < 0.07 else '0' if r < 0.1
                         else '1.0E+39' if r < 0.11 else '%.4E' % p)
        rows.append(','.join([group, qty, observed, obk] + preds))
    with open(path, 'w', newline='') as f:
        f.write('\r\n'.join(rows) + '\r\n')


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 7)

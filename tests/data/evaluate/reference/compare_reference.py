#!/usr/bin/env python3
"""Join a reference CSV of measures_reference.py with a tidy file of tlvstats.

Rows are joined on (model, quantity, group, arc_km, measure); arc_km and the
threshold of a "name@T" measure are compared as numbers. Every joined row whose
value, lower or upper differs by more than the relative tolerance is reported,
and so is every row found on one side only. Exit status 1 on any disagreement
(or a missing row, unless --allow-missing), 0 otherwise.
"""

import argparse
import csv
import math
import sys

COUNT_FIELDS = ['lines', 'obs_out', 'mod_unr', 'mod_neg', 'n', 'n_pos', 'n_both', 'boot']


def number_key(text):
    return float(text) if text.strip() != '' else None


def row_key(row):
    measure = row['measure']
    if '@' in measure:
        name, t = measure.split('@', 1)
        measure = (name, float(t))
    return (row['model'], row['quantity'], row['group'], number_key(row['arc_km']), measure)


def key_text(key):
    model, qty, group, arc, measure = key
    if isinstance(measure, tuple):
        measure = '%s@%g' % measure
    where = group if arc is None else '%s %g' % (group, arc)
    return '%s %s %s %s' % (model, qty, where, measure)


def base_measure(key):
    m = key[4]
    return m[0] if isinstance(m, tuple) else m


def read(path):
    with open(path, newline='', encoding='utf-8') as f:
        rows = {}
        for row in csv.DictReader(f):
            rows[row_key(row)] = row
        return rows


def rel_diff(a, b):
    if a == b:
        return 0.0
    scale = max(abs(a), abs(b))
    return abs(a - b) / scale if scale > 0.0 else 0.0


def compare_field(ref, prog, tol):
    """(ok, relative difference or None)."""
    if ref.strip() == '' and prog.strip() == '':
        return True, None
    if ref.strip() == '' or prog.strip() == '':
        return False, None
    d = rel_diff(float(ref), float(prog))
    return d <= tol or (math.isnan(d)), d


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('reference', help='CSV written by measures_reference.py')
    ap.add_argument('tidy', help='the tidy file <stem>-Model-Statistics.csv of tlvstats')
    ap.add_argument('--tol', type=float, default=1e-9, help='relative tolerance (default 1e-9)')
    ap.add_argument('--values-only', action='store_true',
                    help='compare only the point values (not the limits nor boot)')
    ap.add_argument('--counts', action='store_true', help='also compare the count columns')
    ap.add_argument('--marks', action='store_true', help='also compare the marks')
    ap.add_argument('--measures', help='comma-separated measure names to compare (default all); '
                                       'a "name@T" row counts under its name')
    ap.add_argument('--allow-missing', action='store_true',
                    help='rows found on one side only are listed but do not fail the check')
    ap.add_argument('--max-report', type=int, default=50, help='disagreeing rows listed at most')
    args = ap.parse_args(argv)

    ref = read(args.reference)
    prog = read(args.tidy)
    wanted = set(args.measures.split(',')) if args.measures else None

    def keep(k):
        return wanted is None or base_measure(k) in wanted

    fields = ['value'] if args.values_only else ['value', 'lower', 'upper']
    compared = 0
    bad = []
    largest = {f: (0.0, None) for f in fields}
    for key in ref:
        if key not in prog or not keep(key):
            continue
        compared += 1
        r, p = ref[key], prog[key]
        for f in fields:
            ok, d = compare_field(r[f], p[f], args.tol)
            if d is not None and d > largest[f][0]:
                largest[f] = (d, key)
            if not ok:
                bad.append('%s: %s reference %r program %r%s' % (
                    key_text(key), f, r[f], p[f], '' if d is None else ' (rel. %.3g)' % d))
        checks = []
        if args.counts:
            checks += [f for f in COUNT_FIELDS if not (args.values_only and f == 'boot')]
        if args.marks:
            checks.append('mark')
        for f in checks:
            if r.get(f, '') != p.get(f, ''):
                bad.append('%s: %s reference %r program %r' % (key_text(key), f, r.get(f), p.get(f)))

    only_ref = [k for k in ref if k not in prog and keep(k)]
    only_prog = [k for k in prog if k not in ref and keep(k)]

    print('rows compared: %d (tolerance %g relative)' % (compared, args.tol))
    for f in fields:
        d, key = largest[f]
        print('largest relative difference in %s: %.3g%s' % (f, d, '' if key is None else ' at ' + key_text(key)))
    for label, keys in (('reference only', only_ref), ('program only', only_prog)):
        if keys:
            per = {}
            for k in keys:
                per[base_measure(k)] = per.get(base_measure(k), 0) + 1
            print('%s: %d rows; measures: %s' % (
                label, len(keys), ', '.join('%s (%d)' % kv for kv in sorted(per.items()))))
    if bad:
        print('disagreements: %d' % len(bad))
        for line in bad[:args.max_report]:
            print('  ' + line)
        if len(bad) > args.max_report:
            print('  ... %d more' % (len(bad) - args.max_report))
    failed = bool(bad) or (not args.allow_missing and (only_ref or only_prog))
    print('result: %s' % ('DISAGREE' if failed else 'agree'))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""check-kept-outputs.py WORK: for every case of a compare-tlvstats.sh work folder
(WORK/<case>/old and WORK/<case>/new), the outputs of the old build are kept by the
new one: the old table lines appear in the new table in order (new lines only added),
every old tidy row is in the new tidy file byte for byte except that R rows may gain
lower, upper and the mark ".", and the old pictures are byte-identical (pictures the
old build did not write are not compared). Exits 1 when an output was not kept."""
import sys, os, glob, filecmp
work = sys.argv[1]
bad = 0
for case in sorted(os.listdir(work)):
    o = os.path.join(work, case, 'old'); n = os.path.join(work, case, 'new')
    if not os.path.isdir(o): continue
    for f in sorted(os.listdir(o)):
        fo, fn = os.path.join(o, f), os.path.join(n, f)
        if f.endswith('.svg'):
            if not filecmp.cmp(fo, fn, shallow=False): print(case, f, 'picture differs'); bad += 1
        elif f.endswith('Model-Statistics.txt'):
            old = open(fo, 'rb').read().split(b'\n'); new = open(fn, 'rb').read().split(b'\n')
            j = 0; missing = 0
            for line in old:
                while j < len(new) and new[j] != line: j += 1
                if j == len(new): missing += 1; break
                j += 1
            if missing: print(case, f, 'old lines not kept in order'); bad += 1
        elif f.endswith('Model-Statistics.csv'):
            old = open(fo, 'rb').read().split(b'\r\n'); new = open(fn, 'rb').read().split(b'\r\n')
            hdr = old[0].split(b','); assert new[0] == old[0]
            mi = hdr.index(b'measure'); li, ui, ki = hdr.index(b'lower'), hdr.index(b'upper'), hdr.index(b'mark')
            newset = set(new); j = 0; miss = 0
            for row in old[1:]:
                if not row: continue
                if row in newset: continue
                fields = row.split(b',')
                if fields[mi] == b'R' and fields[li] == b'' and fields[ui] == b'':
                    ok = any(r.split(b',')[:li] == fields[:li] and r.split(b',')[ki] == b'.' and r.split(b',')[ki+1:] == fields[ki+1:] for r in new if r.split(b',')[mi:mi+1] == [b'R'])
                    if ok: continue
                miss += 1
                if miss < 3: print(case, f, 'row missing:', row[:120])
            if miss: bad += 1
print('check-kept-outputs:', 'all kept' if bad == 0 else f'{bad} files not kept')
sys.exit(1 if bad else 0)

#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small cuts of the example study (example/) and of the combiner's
golden test data, laid out as each target reads its input (see fuzz/harness.h,
fuzz/record_cases.h and fuzz/program_cases.h). Run from anywhere; the output is
deterministic, so the committed corpus can be regenerated at will.
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EX = os.path.join(ROOT, "example")
GOLD = os.path.join(ROOT, "tests", "data", "combine", "golden")
OUT = os.path.join(ROOT, "fuzz", "corpus")
SEP = b"\x1e"


def lines(path):
    with open(path, "rb") as f:
        return f.read().split(b"\n")


def write(target, name, data):
    d = os.path.join(OUT, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def join(ls):
    return b"".join(l + b"\n" for l in ls)


obs = lines(os.path.join(EX, "tolvern", "TolvernSF611052011.txt"))
qc = lines(os.path.join(EX, "tolvern", "tolvernsf6-max11052011.txt"))
arcs = lines(os.path.join(EX, "holmby", "hbarcs.txt"))
surf = lines(os.path.join(EX, "met", "aermet-surface.txt"))
prof = lines(os.path.join(EX, "met", "aermet-profile.txt"))
dates = lines(os.path.join(EX, "met", "dates.txt"))
g_obs = lines(os.path.join(GOLD, "TolvernOBSAnalysisNoFill.txt"))
g_isc = lines(os.path.join(GOLD, "TLV-iscst3-Results.txt"))
g_surf = lines(os.path.join(GOLD, "Tlvcutsurf-all.txt"))
g_aer = lines(os.path.join(GOLD, "TLV-AERMOD-Results.txt"))

# ---------------------------------------------------------------------------
# records_layout: byte 0 = layout index * 4 + mode, byte 1 = text length code.
samples = [
    obs[0], obs[1], obs[1], obs[3], obs[4], obs[6], b" 80/07/15 ", b"1000      ",
    qc[48], arcs[3], dates[0], surf[0], surf[25], surf[0], surf[25], surf[25], surf[25],
    g_obs[2], g_obs[2], g_obs[2], g_aer[2], g_aer[2], g_isc[2], g_surf[1],
    b"   12\n  3.5", b"abcdefghij\nklmnopqrst\n 42 1.5E+01", b"  1.2346E-02  3.50 0.123E+01abc",
]
file_samples = {0: obs[0:7], 8: qc[48:54], 9: arcs[3:9], 10: dates[0:5], 16: surf[25:30],
                19: g_obs[2:6], 21: g_aer[2:6], 23: g_surf[1:5]}
for i, s in enumerate(samples):
    write("records_layout", "read-%02d" % i, bytes([i * 4 + 0, 10]) + s + b"\n")
for i, ls in file_samples.items():
    write("records_layout", "file-%02d" % i, bytes([i * 4 + 1, 0x8a]) + join(ls))
write("records_layout", "free-1", bytes([2, 10]) + b"(i3,f5.2,a4)\n 12 3.5abcd\n-7  .1 x\n")
write("records_layout", "free-2", bytes([6, 5]) + b"(2(i2,1x),/,1pe10.3,0pf6.1)\n1 2 \n1.5E+00 3.25\n")
# Writer: values for every data descriptor, packed little-endian.
ints = lambda *v: b"".join(struct.pack("<i", x) for x in v)
reals = lambda *v: b"".join(struct.pack("<f", x) for x in v)
texts = lambda *v: b"".join(bytes([len(t)]) + t for t in v)
writes = [
    ints(3, 80, 5, 5, 10, 0, 60) + reals(2.03, 2.0, 12.35, -45.6, 1234.0, 1100.0, 352000.0,
                                         89.069, 28502.0, 127.6, 245.7),
    ints(80, 5, 5, 10) + reals(1000.0, 400.0, 12.5),
    ints(12, 61, 8, 3, 14, 0, 10) + reals(100.0, 95.0, 48.0, 46.5, 2100.0, 0.48947, 22.105,
                                          18.25, 171.5),
    ints(678, 80, 12345, 80),
    ints(80, 5, 2, 12) + reals(90.0, 3.5, 293.2) + ints(2) + reals(850.0, 850.0),
    ints(1, 80, 7, 15, 10),
    texts(g_obs[2][:177], g_aer[2][:80], g_isc[2][:80]),
    ints(5, 2),
    texts(surf[0][:100]),
]
for i, w in enumerate(writes):
    write("records_layout", "write-%d" % i, bytes([i * 4 + 3, 0]) + w)

# ---------------------------------------------------------------------------
# list_form: byte 0 = shape (A, iiaar, iiiirrrrr, h, i, r, none, arai).
write("list_form", "replies", bytes([0]) + b"dates.txt\n  'aermet surface.txt'\n\naermet-profile.txt\n")
write("list_form", "arc-first", bytes([1]) + join(arcs[1:2] + [b"  2 7 '07/03/61' \"1140-1150\" 5.2"]))
write("list_form", "arc-second", bytes([2]) + join(arcs[2:3] + [b" 10, 3 ,8 50 1.0", b"0.0 0.0 101.3 0.46"]))
write("list_form", "header", bytes([3]) + join(arcs[0:1] + [b"", b"second header"]))
write("list_form", "numbers", bytes([4]) + b" 12\n-7 / 9\n+3,4\n")
write("list_form", "reals", bytes([5]) + b"1.5E3\n-.25 7\n1.5-3\n")
write("list_form", "mixed", bytes([7]) + b"abc 12 'x y' 4\n\"q\"\"r\",1.0,name,-5\n")

# ---------------------------------------------------------------------------
# tlvanalysis: quality-control file, separator, observation file.
qc_head = qc[:48]
blocks = [i for i, l in enumerate(obs) if l.startswith(b"TOLVERN")]
write("tlvanalysis", "example-hours",
      join(qc_head + qc[48:58]) + SEP + join(obs[:blocks[6]]))
write("tlvanalysis", "one-block", join(qc_head + qc[48:50]) + SEP + join(obs[blocks[1]:blocks[2]]))
# An arc of 205 samplers (the fit takes at most 200).
b = list(obs[blocks[0]:blocks[1]])
b[4] = b[4][:31] + b"  205"
b = b[:6] + [b[6 + k % (len(b) - 6)] for k in range(205)]
write("tlvanalysis", "big-arc", join(qc_head + qc[48:50]) + SEP + join(b))
# A block with no samplers and a missing emission rate, then a blank key ending the file.
b = list(obs[blocks[0]:blocks[0] + 6])
b[3] = b[3][:66] + b"    -1.00" + b[3][75:]
b[4] = b[4][:31] + b"    0"
write("tlvanalysis", "empty-arc", join(qc_head + qc[48:50]) + SEP + join(b + [b" " * 90]))

# ---------------------------------------------------------------------------
# hlbanalysis: the arc file. All 340 blocks, most with a single receptor; and the
# first example blocks cut short.
rec = lambda brg, r, c: b" " * 17 + b"%3d" % brg + b" " * 7 + b"%3d" % r + b"%10.1f" % c
full = [arcs[0]]
for k in range(340):
    full.append(b"%d 1 ' 07/03/61 ' '1130-1140' 5.1" % (k + 1))
    if k == 4:
        full.append(b"205 1 205 50 1.0 0.0 0.0 101.3 0.46")
        full += [rec(100 + k2 % 150, 50, 5.0 + k2 % 7) for k2 in range(205)]
    elif k < 4:
        full.append(b"5 1 5 50 1.0 0.0 0.0 101.3 0.46")
        full += [rec(160 + 5 * j, 50, c) for j, c in enumerate([20.0, 80.0, 150.0, 70.0, 10.0])]
    else:
        full.append(b"1 1 1 50 1.0 0.0 0.0 101.3 0.46")
        full.append(rec(180, 50, 12.5))
write("hlbanalysis", "all-blocks", join(full))
starts = [i for i, l in enumerate(arcs) if l.startswith(b"   ") and b"'" in l]
write("hlbanalysis", "example-start", join(arcs[:starts[2]]))
write("hlbanalysis", "bad-counts", join(arcs[:1] + [b"1 1 ' 07/03/61 ' '1130-1140' 5.1",
                                               b"5 2 6 50 1.0 0.0 0.0 101.3 0.46"]))

# ---------------------------------------------------------------------------
# tessiclip: dates file, surface file, profile file.
def hours(ls, day, first, last, at):
    """The records of 1980-07-<day> whose hour (columns at+1..at+3) is first..last."""
    out = []
    for l in ls:
        if len(l) >= at + 3 and l[:8] == b"80  7%3d" % day and first <= int(l[at:at + 3]) <= last:
            out.append(l)
    return out


s = [surf[0]] + hours(surf[1:], 15, 8, 13, 12)
p = hours(prof, 15, 9, 12, 8)
write("tessiclip", "example-day", join(dates[0:4] + [b"80  7 15 14", b""]) + SEP + join(s) + SEP + join(p))
s2 = list(s)
s2[3] = s2[3][:55] + b" -99999.0" + s2[3][64:]
write("tessiclip", "missing-data", join(dates[0:3] + [b"80  8  1  1", b"   0  0  0"]) + SEP + join(s2) + SEP
      + join(p[:3]))
write("tessiclip", "no-dates", SEP + join(s[:3]) + SEP)

# ---------------------------------------------------------------------------
# combine: observed report, ISCST3 results, surface file, AERMOD results.
write("combine", "golden", join(g_obs) + SEP + join(g_isc) + SEP + join(g_surf) + SEP + join(g_aer))
write("combine", "headers-only", join(g_obs[:4]) + SEP + join(g_isc[:2]) + SEP + join(g_surf[:2]) + SEP
      + join(g_aer[:2]))

# ---------------------------------------------------------------------------
# pairs_file: the whole input is the pairs file of tlvstats.
pairs = lines(os.path.join(EX, "holmby", "holmby-pairs.csv"))
write("pairs_file", "example", join(pairs))
write("pairs_file", "example-crlf", b"\xef\xbb\xbf" + b"".join(l + b"\r\n" for l in pairs[:9]))
write("pairs_file", "obk-labels",
      b"group,quantity,observed,obk,A,B\r1,CY/Q,2.5,-50,2.0,\r1,CMAX/Q,0.5,-50,0.4,0.7\r"
      b"hill,CY/Q,-99.0,,1.0,2.0\rhill,CMAX/Q,3,80,-1,1.0E+39\r-0,CY/Q,4,0,4,4\r")
write("pairs_file", "quoted",
      b'"group", "observed" ,"M_1","x"\n"0.5","1.5-3"," 2 ",\n  ,,,\n"1","",3,4\n"a""b",1,1,1\n')
write("pairs_file", "bad-header", b'group,observed,"A\r\nB",A\n1,2,3\n')

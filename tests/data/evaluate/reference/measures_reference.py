#!/usr/bin/env python3
"""Reference computation of the tlvstats measures, written from evaluate/tlvstats.md.

Reads a pairs file (CSV) or a combined table, forms the valid pairs and the
groups, computes every measure per model, quantity and group with its bootstrap
limits (a replay of the documented draw: one splitmix64 stream per resample), and
writes the rows in the tidy file's layout so that compare_reference.py can join
them with a tidy file of the program. Python 3 standard library only.
"""

import argparse
import csv
import math
import os
import re
import struct
import sys
from fractions import Fraction

MISSING = -99.0
LOG = math.log
EXP = math.exp


# ---------------------------------------------------------------- float32


def _f32(d):
    """Round a double to the nearest float (ties to even); inf beyond range."""
    try:
        return struct.unpack('f', struct.pack('f', d))[0]
    except OverflowError:
        return math.copysign(math.inf, d)


def _f32_neighbour(f, toward):
    bits = struct.unpack('<I', struct.pack('<f', f))[0]
    up = (toward > f) == (f >= 0.0)
    if f == 0.0:
        bits = 1 if toward > 0 else 0x80000001
    else:
        bits += 1 if up else -1
    return struct.unpack('<f', struct.pack('<I', bits))[0]


def decimal_to_f32(text):
    """Round a decimal text once to float (no double-rounding error)."""
    d = float(text)
    if math.isinf(d):
        return d
    f = _f32(d)
    if math.isinf(f) or f == d:
        return f
    g = _f32_neighbour(f, d)
    mid = (f + g) / 2.0  # exact: a float midpoint fits in a double
    if d != mid:
        return f
    exact = Fraction(text)
    if exact > Fraction(mid):
        return max(f, g)
    if exact < Fraction(mid):
        return min(f, g)
    return f  # the tie went to even already


_REAL = re.compile(r'^([+-]?(?:\d+\.?\d*|\.\d+))(?:[EeDd]([+-]?\d+)|([+-]\d+))?$')


def read_real(field):
    """A real as the records read it: None when blank, ValueError when bad.

    Returns the float (inf when beyond the float range)."""
    s = field.strip(' ')
    if s == '':
        return None
    m = _REAL.match(s)
    if not m:
        raise ValueError('Bad value during floating point read: %r' % field)
    exponent = m.group(2) if m.group(2) is not None else m.group(3)
    text = m.group(1) + ('e' + exponent if exponent is not None else '')
    return decimal_to_f32(text)


def shortest_float_text(f):
    """The shortest decimal that reads back to the same float, as to_chars writes it."""
    if f == 0.0:
        return '-0' if math.copysign(1.0, f) < 0 else '0'
    for p in range(1, 10):
        s = '%.*e' % (p - 1, f)
        if decimal_to_f32(s) == f:
            break
    mant, exp = s.split('e')
    neg = mant.startswith('-')
    digits = mant.lstrip('-').replace('.', '')
    e = int(exp)
    sci = digits[0] + ('.' + digits[1:] if len(digits) > 1 else '') + 'e' + (
        '-' if e < 0 else '+') + '%02d' % abs(e)
    n = len(digits)
    if e >= n - 1:
        fixed = digits + '0' * (e - n + 1)
    elif e >= 0:
        fixed = digits[:e + 1] + '.' + digits[e + 1:]
    else:
        fixed = '0.' + '0' * (-e - 1) + digits
    out = fixed if len(fixed) <= len(sci) else sci
    return ('-' if neg else '') + out


def double_text(v):
    """Shortest decimal of a double that reads back to it; '' when not formed."""
    if v is None or not math.isfinite(v):
        return ''
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


# ---------------------------------------------------------------- generator

_MASK64 = (1 << 64) - 1


_GAMMA = 0x9E3779B97F4A7C15


def mix64(z):
    """splitmix64's output function."""
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & _MASK64
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & _MASK64
    return z ^ (z >> 31)


class Splitmix64:
    """A splitmix64 generator: output j (0-based) is mix64(state + (j + 1) gamma)."""

    def __init__(self, state):
        self.state = state & _MASK64

    def next(self):
        self.state = (self.state + _GAMMA) & _MASK64
        return mix64(self.state)

    def below(self, n):
        """A draw below n: multiply-shift on the high 32 bits, with rejection."""
        m = (self.next() >> 32) * n
        low = m & 0xFFFFFFFF
        if low < n:
            t = (1 << 32) % n
            while low < t:
                m = (self.next() >> 32) * n
                low = m & 0xFFFFFFFF
        return m >> 32


def resample_stream(seed, r):
    """The stream of resample r of a study (block j, resample b: r = j B + b)."""
    return Splitmix64(mix64((seed + (r + 1) * _GAMMA) & _MASK64))


# ---------------------------------------------------------------- input


class Line:
    """One input line of a block: stratum, Obukhov length, and per quantity
    (observed or a left-out state, [prediction or a left-out state per model])."""
    __slots__ = ('stratum', 'obk', 'vals', 'order')

    def __init__(self, stratum, obk, order=0):
        self.stratum = stratum
        self.obk = obk
        self.vals = {}
        self.order = order


class Study:
    def __init__(self):
        self.models = []
        self.quantities = []
        self.blocks = []  # list of (quantities of the block, [Line])
        self.has_obk = True
        self.strata = []  # the group column's values over the whole input, in report order


def classify(co, cps):
    """(observed or 'obs_out', [prediction or 'mod_unr' / 'mod_neg'])."""
    if co is None or co <= 0.0 or co == MISSING or math.isinf(co):
        obs = 'obs_out'
    else:
        obs = co
    preds = []
    for cp in cps:
        if cp is None or math.isinf(cp) or math.isnan(cp):
            preds.append('mod_unr')
        elif cp < 0.0:
            preds.append('mod_neg')
        else:
            preds.append(cp)
    return obs, preds


def _model_field(line, first, last):
    """A model field of the combined table: None when unreadable (ModUnr)."""
    if len(line) < last:
        return None
    try:
        v = read_real(line[first - 1:last])
    except ValueError:
        return None
    if v is None or math.isinf(v):
        return None
    return v


_COUNT_LABELS = ('     ISC Zero Cy: ', '     Iaerobs:     ', '     iallthree:   ')


def read_table(path):
    study = Study()
    study.models = ['AERMOD', 'ISCST3']
    study.quantities = ['CY/Q', 'CMAX/Q']
    with open(path, 'rb') as f:
        raw = f.read().decode('latin-1')
    records = raw.split('\r\n')
    if records[-1] != '':
        raise SystemExit('%s: file ends inside a record' % path)
    records = records[:-1]
    lines = []
    for text in records[2:]:
        if text.startswith(_COUNT_LABELS) or text.strip() == '':
            continue
        arc = read_real(text[37:47]) or 0.0
        obk = read_real(text[63:73])
        obk = 0.0 if obk is None else obk
        cmaxq = read_real(text[124:136])
        cyq = read_real(text[139:151])
        line = Line(arc, obk)
        # CY/Q: CY1/Q of each record (record columns 55-64);
        # CMAX/Q: Cmax/Q of each record (record columns 25-36).
        line.vals['CY/Q'] = classify(cyq, [_model_field(text, s + 54, s + 63) for s in (181, 261)])
        line.vals['CMAX/Q'] = classify(cmaxq, [_model_field(text, s + 24, s + 35) for s in (181, 261)])
        lines.append(line)
    study.blocks.append((list(study.quantities), lines))
    study.strata = strata_order(lines)
    return study


def read_pairs(path):
    with open(path, 'r', encoding='utf-8-sig', newline='') as f:
        rows = [r for r in csv.reader(f) if r]
    header = [h.strip(' ') for h in rows[0]]
    col = {name: i for i, name in enumerate(header)}
    study = Study()
    study.has_obk = 'obk' in col
    models = [h for h in header if h not in ('group', 'observed', 'obk', 'quantity')]
    study.models = models
    by_qty = {}
    order = 0
    for r in rows[1:]:
        if len(r) != len(header):
            raise SystemExit('%s: a row with another number of fields than the header' % path)
        qty = r[col['quantity']].strip(' ') if 'quantity' in col else 'value'
        g = r[col['group']].strip(' ')
        try:
            arc = read_real(g)
        except ValueError:
            arc = None
        stratum = arc if arc is not None else g
        obk = read_real(r[col['obk']]) if study.has_obk else None
        co = read_real(r[col['observed']])
        if co is not None and math.isinf(co):
            raise SystemExit('%s: observed value beyond the float range' % path)
        cps = []
        for m in models:
            try:
                cps.append(read_real(r[col[m]]))
            except ValueError:
                raise SystemExit('%s (%s): Bad value during floating point read' % (path, m))
        line = Line(stratum, obk, order)
        order += 1
        line.vals[qty] = classify(co, cps)
        if qty not in by_qty:
            by_qty[qty] = []
            study.quantities.append(qty)
        by_qty[qty].append(line)
    for q in study.quantities:
        study.blocks.append(([q], by_qty[q]))
    study.strata = strata_order([l for q in study.quantities for l in by_qty[q]])
    return study


def strata_order(lines):
    """Arcs ascending, then labels in order of first appearance (lines in file order)."""
    arcs = sorted({l.stratum for l in lines if not isinstance(l.stratum, str)})
    labels = []
    for l in sorted(lines, key=lambda l: l.order):
        if isinstance(l.stratum, str) and l.stratum not in labels:
            labels.append(l.stratum)
    return arcs + labels


def is_stable(obk):
    return obk is not None and obk > 0.0


def is_unstable(obk):
    return obk is not None and -99999.0 < obk < 0.0


# ---------------------------------------------------------------- options


PRESETS = {
    'no2': (0.24, 0.20, 200.0, 5.2, 5.5, 99.8),
    'o3': (0.18, 0.79, 120.0, 11.0, 3.0, 92.9),
    'pm10': (0.28, 0.25, 50.0, 20.0, 1.5, 90.1),
    'pm2.5': (0.36, 0.50, 25.0, 20.0, 1.5, 90.1),
}


def split_qty(value):
    if '=' in value:
        q, v = value.rsplit('=', 1)
        return q, v
    return None, value


def parse_uncertainty(text):
    if text in PRESETS:
        u, a, rv, np_, nnp, p = PRESETS[text]
        return {'U': u, 'alpha': a, 'RV': rv, 'NP': np_, 'NNP': nnp, 'P': p, 'preset': True}
    parts = text.split(',')
    if len(parts) not in (3, 5):
        raise SystemExit('--uncertainty: unknown preset or bad parameters: %s' % text)
    vals = [float(x) for x in parts]
    u = {'U': vals[0], 'alpha': vals[1], 'RV': vals[2], 'NP': None, 'NNP': None,
         'P': 90.0, 'preset': False}
    if len(vals) == 5:
        u['NP'], u['NNP'] = vals[3], vals[4]
    return u


def quantity_config(study, args):
    """Per quantity: uncertainty parameters (or None) and thresholds."""
    cfg = {q: {'unc': None, 'thresholds': [], 'mqi90_groups': args.mqi90_groups}
           for q in study.quantities}
    general = None
    specific = {}
    for item in args.uncertainty or []:
        q, text = split_qty(item)
        u = parse_uncertainty(text)
        if q is None:
            general = u
        else:
            if q not in cfg:
                raise SystemExit('--uncertainty: the input has no quantity %s' % q)
            specific[q] = u
    for q in study.quantities:
        u = specific.get(q, general)
        if u is not None:
            u = dict(u)
            if args.percentile is not None:
                u['P'] = args.percentile
            u['beta'] = args.beta
            cfg[q]['unc'] = u
    for item in args.threshold or []:
        q, t = split_qty(item)
        tf = read_real(t)
        targets = study.quantities if q is None else [q]
        for qq in targets:
            if qq not in cfg:
                raise SystemExit('--threshold: the input has no quantity %s' % qq)
            if tf not in [x for x, _ in cfg[qq]['thresholds']]:
                cfg[qq]['thresholds'].append((tf, shortest_float_text(tf)))
    return cfg


# ---------------------------------------------------------------- measures


def percentile7(sorted_vals, p):
    n = len(sorted_vals)
    h = (n - 1) * p / 100.0
    i = int(math.floor(h))
    if i >= n - 1:
        return sorted_vals[n - 1]
    return sorted_vals[i] + (h - i) * (sorted_vals[i + 1] - sorted_vals[i])


def rhc(vals):
    n = len(vals)
    if n < 3:
        return None
    v = sorted(vals, reverse=True)
    r = min(26, n)
    c_r = v[r - 1]
    s = 0.0
    for x in v[:r - 1]:
        s += x
    cbar = s / (r - 1)
    return c_r + (cbar - c_r) * LOG((3 * r - 1) / 2.0)


def unc_of(u, o):
    a = u['alpha']
    return u['U'] * math.sqrt((1.0 - a * a) * o * o + a * a * u['RV'] * u['RV'])


def measures(co, cp, qcfg, want_new):
    """Every measure of one model on the pairs (co[i], cp[i]); None: not formed."""
    n = len(co)
    out = {'N': n}
    if n == 0:
        # The counts of an empty set are 0; every measure is not formed.
        for t, name in qcfg['thresholds']:
            for count in COUNTS:
                out[count + '@' + name] = 0
        return out
    so = 0.0
    sp = 0.0
    for o, p in zip(co, cp):
        so += o
        sp += p
    mo = so / n
    mp = sp / n
    soo = spp = sop = 0.0
    s_d = s_ad = s_d2 = s_c2 = s_ado = 0.0
    fac2 = 0
    npos = 0
    sl_o = sl_p = sl_d2 = 0.0
    for o, p in zip(co, cp):
        do = o - mo
        dp = p - mp
        soo += do * do
        spp += dp * dp
        sop += do * dp
        d = p - o
        s_d += d
        s_ad += abs(d)
        s_d2 += d * d
        e = dp - do
        s_c2 += e * e
        s_ado += abs(do)
        ratio = p / o
        if 0.5 <= ratio <= 2.0:
            fac2 += 1
        if p > 0.0:
            npos += 1
            lo = LOG(o)
            lp = LOG(p)
            sl_o += lo
            sl_p += lp
            sl_d2 += (lo - lp) * (lo - lp)
    sdo = math.sqrt(soo / n)
    sdp = math.sqrt(spp / n)
    r = sop / math.sqrt(soo * spp) if sdo > 0.0 and sdp > 0.0 else None
    out.update(Npos=npos, MeanO=mo, MeanP=mp, SdO=sdo, SdP=sdp, R=r)
    out['FB'] = (mo - mp) / (0.5 * (mo + mp))
    if npos > 0:
        out['lnMG'] = sl_o / npos - sl_p / npos
        out['MG'] = EXP(out['lnMG'])
        out['lnVG'] = sl_d2 / npos
        out['VG'] = EXP(out['lnVG'])
    out['NMSE'] = (s_d2 / n) / (mo * mp) if mp != 0.0 else None
    out['FAC2'] = fac2 / n
    out['NAD'] = (s_ad / n) / (mo + mp)
    out['RHCo'] = rhc(co)
    out['RHCp'] = rhc(cp)
    if out['RHCo'] is not None and out['RHCp'] is not None and out['RHCo'] != 0.0:
        out['RHCp/RHCo'] = out['RHCp'] / out['RHCo']
    if not want_new:
        return out
    # operational statistics
    out['MB'] = s_d / n
    out['MGE'] = s_ad / n
    out['RMSE'] = math.sqrt(s_d2 / n)
    out['CRMSE'] = math.sqrt(s_c2 / n)
    if so != 0.0:
        out['NMB'] = s_d / so
        out['NMGE'] = s_ad / so
    if r is not None:
        sdr = sdp / sdo
        out['SDR'] = sdr
        if mo != 0.0:
            out['KGE'] = 1.0 - math.sqrt((r - 1.0) ** 2 + (sdr - 1.0) ** 2 + (mp / mo - 1.0) ** 2)
    if s_ado != 0.0:
        a = s_ad
        b = 2.0 * s_ado
        out['IOA'] = 1.0 - a / b if a <= b else b / a - 1.0
        out['COE'] = 1.0 - s_ad / s_ado
        out['NSE'] = 1.0 - s_d2 / soo
    # modelling quality objective
    u = qcfg['unc']
    if u is not None:
        beta = u['beta']
        su2 = 0.0
        for o in co:
            uo = unc_of(u, o)
            su2 += uo * uo
        rms_u = math.sqrt(su2 / n)
        out['RMS_U'] = rms_u
        out['MQI'] = out['RMSE'] / (beta * rms_u)
        out['MPI_bias'] = (mp - mo) / (beta * rms_u)
        if r is not None:
            out['MPI_R'] = 2.0 * sdo * sdp * (1.0 - r) / (beta * beta * rms_u * rms_u)
        out['MPI_sd'] = (sdp - sdo) / (beta * rms_u)
        co_p = percentile7(sorted(co), u['P'])
        cp_p = percentile7(sorted(cp), u['P'])
        out['MPI_perc'] = (cp_p - co_p) / (beta * unc_of(u, co_p))
        if u['NP'] is not None:
            a = u['alpha']
            u_mean = u['U'] * math.sqrt((1.0 - a * a) * mo * mo / u['NP']
                                        + a * a * u['RV'] * u['RV'] / u['NNP'])
            out['MQI_Y'] = abs(mo - mp) / (beta * u_mean)
    # exceedances
    for t, name in qcfg['thresholds']:
        a = b = c = d = 0
        for o, p in zip(co, cp):
            if o > t:
                if p > t:
                    a += 1
                else:
                    c += 1
            elif p > t:
                b += 1
            else:
                d += 1
        out['hits@' + name] = a
        out['false_alarms@' + name] = b
        out['misses@' + name] = c
        out['correct_negatives@' + name] = d
        out['POD@' + name] = a / (a + c) if a + c else None
        out['FAR@' + name] = b / (a + b) if a + b else None
        out['F@' + name] = b / (b + d) if b + d else None
        out['CSI@' + name] = a / (a + b + c) if a + b + c else None
        out['FBI@' + name] = (a + b) / (a + c) if a + c else None
        ar = (a + b) * (a + c) / n
        den = a + b + c - ar
        out['ETS@' + name] = (a - ar) / den if den != 0.0 else None
    return out


EXISTING_MODEL = ['MeanO', 'MeanP', 'SdO', 'SdP', 'R', 'FB', 'MG', 'NMSE', 'VG', 'FAC2',
                  'NAD', 'RHCo', 'RHCp', 'RHCp/RHCo']
NO_LIMITS_EXISTING = {'MeanO', 'MeanP', 'SdO', 'SdP'}
EXISTING_DIFF = ['dFB', 'dlnMG', 'dNMSE', 'dlnVG', 'dFAC2', 'dNAD', 'dlnRHC']
OPERATIONAL = ['MB', 'MGE', 'NMB', 'NMGE', 'RMSE', 'CRMSE', 'SDR', 'IOA', 'COE', 'NSE', 'KGE']
MQO = ['MQI', 'MQI_Y', 'MPI_bias', 'MPI_R', 'MPI_sd', 'MPI_perc']
SCORES = ['POD', 'FAR', 'F', 'CSI', 'FBI', 'ETS']
COUNTS = ['hits', 'false_alarms', 'misses', 'correct_negatives']


def model_measure_names(qcfg, want_new):
    names = list(EXISTING_MODEL)
    if not want_new:
        return names
    names += OPERATIONAL
    u = qcfg['unc']
    if u is not None:
        names += [m for m in MQO if m != 'MQI_Y' or u['NP'] is not None]
    for _, t in qcfg['thresholds']:
        names += [c + '@' + t for c in COUNTS] + [s + '@' + t for s in SCORES]
    return names


def diff_measure_names(qcfg, want_new):
    names = list(EXISTING_DIFF)
    if not want_new:
        return names
    names += ['d' + m for m in OPERATIONAL if m != 'SDR'] + ['dR', 'dlnSDR']
    u = qcfg['unc']
    if u is not None:
        names += ['d' + m for m in MQO if m != 'MQI_Y' or u['NP'] is not None]
    for _, t in qcfg['thresholds']:
        names += ['d' + s + '@' + t for s in SCORES]
    return names


def _sub(a, b):
    return a - b if a is not None and b is not None else None


def _lnsub(a, b):
    if a is None or b is None or a <= 0.0 or b <= 0.0:
        return None
    return LOG(a) - LOG(b)


def differences(s1, s2, names):
    out = {}
    for name in names:
        if name == 'dlnMG':
            out[name] = _sub(s1.get('lnMG'), s2.get('lnMG'))
        elif name == 'dlnVG':
            out[name] = _sub(s1.get('lnVG'), s2.get('lnVG'))
        elif name == 'dlnRHC':
            out[name] = _lnsub(s1.get('RHCp'), s2.get('RHCp'))
        elif name == 'dlnSDR':
            out[name] = _lnsub(s1.get('SDR'), s2.get('SDR'))
        else:
            out[name] = _sub(s1.get(name[1:]), s2.get(name[1:]))
    return out


def percentile90(vals):
    """The 90th percentile of the groups' values (1-based, as the MQI90 rule)."""
    s = sorted(vals)
    n = len(s)
    if n == 0:
        return None
    if n == 1:
        return s[0]
    k = int(math.floor(0.9 * n))
    d = 0.9 * n - k
    return s[k - 1] + d * (s[k] - s[k - 1])


# ---------------------------------------------------------------- evaluation


class Evaluation:
    """Point values, resample values and counts keyed by row and measure."""

    def __init__(self):
        self.rows = []      # (kind, rowkey, measure names, counts)
        self.point = {}     # (rowkey, measure) -> value
        self.samples = {}   # (rowkey, measure) -> [values]
        self.boot = {}      # rowkey -> resamples with pairs
        self.nvalid = {}    # rowkey -> N (model) or N.both (difference)


def groups_of(study, qty, lines):
    """[(group name, arc or None, predicate on a line, stratum or None)] in report order."""
    out = [('all', None, lambda l: True, None)]
    for s in study.strata:
        if isinstance(s, str):
            out.append((s, None, (lambda s: lambda l: l.stratum == s)(s), s))
        else:
            out.append(('arc', s, (lambda s: lambda l: l.stratum == s)(s), s))
    if study.has_obk:
        out.append(('stable', None, lambda l: is_stable(l.obk), None))
        out.append(('unstable', None, lambda l: is_unstable(l.obk), None))
    return out


def evaluate_lines(study, qty, qcfg, group_lines, want_new, fixed=None):
    """Measures of every model and model pair on each group's (drawn) lines.

    group_lines: [(group key, [Line])]. Returns {rowkey: {measure: value}},
    MQI90 and Y90 take the arc or label groups with at least 3 valid pairs on
    these lines, or, given fixed ({model: set of group keys}), those groups.
    Returns also {model: set of the group keys taken}."""
    models = study.models
    dnames = diff_measure_names(qcfg, want_new)
    res = {}
    per_group = {m: [] for m in models}
    for gkey, lines, is_stratum in group_lines:
        vals = [l.vals[qty] for l in lines]
        for mi, m in enumerate(models):
            co = [o for o, ps in vals if o != 'obs_out' and not isinstance(ps[mi], str)]
            cp = [ps[mi] for o, ps in vals if o != 'obs_out' and not isinstance(ps[mi], str)]
            s = measures(co, cp, qcfg, want_new)
            res[(m,) + gkey] = s
            taken = (gkey in fixed[m]) if fixed is not None else s['N'] >= 3
            if is_stratum and taken:
                per_group[m].append((gkey, s.get('MQI'), s.get('MQI_Y')))
        for i in range(len(models)):
            for j in range(i + 1, len(models)):
                both = [(o, ps[i], ps[j]) for o, ps in vals
                        if o != 'obs_out' and not isinstance(ps[i], str)
                        and not isinstance(ps[j], str)]
                co = [x[0] for x in both]
                s1 = measures(co, [x[1] for x in both], qcfg, want_new)
                s2 = measures(co, [x[2] for x in both], qcfg, want_new)
                d = differences(s1, s2, dnames) if both else {}
                d['N'] = len(both)
                res[(models[i] + '-' + models[j],) + gkey] = d
    if want_new and qcfg['unc'] is not None:
        for m in models:
            mq = [x[1] for x in per_group[m] if x[1] is not None]
            my = [x[2] for x in per_group[m] if x[2] is not None]
            allrow = res[(m, 'all', None)]
            allrow['MQI90'] = percentile90(mq)
            if qcfg['unc']['NP'] is not None:
                allrow['Y90'] = percentile90(my)
            allrow['groups_above_1'] = sum(1 for x in mq if x > 1.0)
    return res, {m: {x[0] for x in per_group[m]} for m in models}


def line_counts(lines, qty, mi):
    c = {'lines': len(lines), 'obs_out': 0, 'mod_unr': 0, 'mod_neg': 0}
    for l in lines:
        o, ps = l.vals[qty]
        if o == 'obs_out':
            c['obs_out'] += 1
        elif isinstance(ps[mi], str):
            c[ps[mi]] += 1
    return c


def run(study, cfg, resamples, seed, want_new):
    ev = Evaluation()
    for j, (qtys, lines) in enumerate(study.blocks):
        strata = study.strata
        members = [[l for l in lines if l.stratum == s] for s in strata]
        drawn = [[] for _ in range(resamples)]
        for b in range(resamples):
            gen = resample_stream(seed, j * resamples + b)
            for mem in members:
                n = len(mem)
                for _ in range(n):
                    drawn[b].append((mem[gen.below(n)]))
        for qty in qtys:
            evaluate_quantity(ev, study, qty, cfg[qty], lines, drawn, want_new)
    return ev


def evaluate_quantity(ev, study, qty, qcfg, lines, drawn, want_new):
    models = study.models
    groups = groups_of(study, qty, lines)

    def group_lines(src):
        return [((name, arc), [l for l in src if pred(l)], stratum is not None)
                for name, arc, pred, stratum in groups]

    point, taken = evaluate_lines(study, qty, qcfg, group_lines(lines), want_new)
    fixed = taken if qcfg['mqi90_groups'] == 'point' else None
    mnames = model_measure_names(qcfg, want_new)
    dnames = diff_measure_names(qcfg, want_new)
    extra = []
    if want_new and qcfg['unc'] is not None:
        extra = ['MQI90'] + (['Y90'] if qcfg['unc']['NP'] is not None else []) + ['groups_above_1']
    # rows in the table's order: models per group, then the difference lines
    for name, arc, pred, _ in groups:
        glines = [l for l in lines if pred(l)]
        for mi, m in enumerate(models):
            key = (m, qty, name, arc)
            s = point[(m, name, arc)]
            counts = line_counts(glines, qty, mi)
            counts.update(n=s['N'], n_pos=s.get('Npos', 0))
            names = mnames + (extra if name == 'all' else [])
            ev.rows.append(('model', key, names, counts))
            ev.nvalid[key] = s['N']
            for meas in names:
                ev.point[(key, meas)] = s.get(meas)
    for name, arc, pred, _ in groups:
        glines = [l for l in lines if pred(l)]
        for i in range(len(models)):
            for j in range(i + 1, len(models)):
                pair = models[i] + '-' + models[j]
                key = (pair, qty, name, arc)
                d = point[(pair, name, arc)]
                ev.rows.append(('diff', key, dnames, {'lines': len(glines), 'n_both': d['N']}))
                ev.nvalid[key] = d['N']
                for meas in dnames:
                    ev.point[(key, meas)] = d.get(meas)
    for rk in [r[1] for r in ev.rows if r[1][1] == qty]:
        ev.boot[rk] = 0
    for b, resample in enumerate(drawn):
        rs, _ = evaluate_lines(study, qty, qcfg, group_lines(resample), want_new, fixed)
        for kind, key, names, _ in ev.rows:
            if key[1] != qty:
                continue
            s = rs[(key[0], key[2], key[3])]
            if s['N'] > 0:
                ev.boot[key] += 1
            for meas in names:
                v = s.get(meas)
                if v is not None and math.isfinite(v):
                    ev.samples.setdefault((key, meas), []).append(v)


def limits(vals):
    """The 95% limits of the formed resample values (documented percentile rule)."""
    if not vals:
        return None, None
    s = sorted(vals)
    b = len(s)
    return s[b // 40], s[-(-39 * b // 40) - 1]


# ---------------------------------------------------------------- marks and output

JUDGED = {
    'rural': {'FAC2': lambda v: v >= 0.5, 'FB': lambda v: abs(v) <= 0.3,
              'MG': lambda v: 0.7 <= v <= 1.3, 'NMSE': lambda v: v <= 1.5,
              'VG': lambda v: v <= 4.0},
    'urban': {'FAC2': lambda v: v >= 0.30, 'FB': lambda v: abs(v) <= 0.67,
              'NMSE': lambda v: v <= 6.0, 'NAD': lambda v: v <= 0.50},
}
OBJECTIVE = {'MQI', 'MQI_Y', 'MQI90', 'Y90'}


def has_limits(meas, want_new):
    if meas in NO_LIMITS_EXISTING or meas == 'groups_above_1':
        return False
    if '@' in meas and meas.split('@')[0] in COUNTS:
        return False
    if meas == 'R' and not want_new:
        return False
    return True


def mark_of(kind, meas, value, lo, hi, enough, criteria, want_new):
    base = meas.split('@')[0]
    if not has_limits(meas, want_new):
        return '.' if meas == 'R' and want_new else ''
    if kind == 'diff':
        if value is None or not enough or lo is None:
            return '-'
        return 'Y' if lo > 0.0 or hi < 0.0 else 'N'
    judge = JUDGED[criteria].get(meas)
    if meas in EXISTING_MODEL and judge is None:
        return '.'
    if meas in OBJECTIVE or base.startswith('MPI'):
        if value is None or not enough:
            return '-'
        return 'Y' if abs(value) <= 1.0 else 'N'
    if judge is not None:
        if value is None or not enough:
            return '-'
        return 'Y' if judge(value) else 'N'
    return '.'


HEADER = ['model', 'quantity', 'group', 'arc_km', 'measure', 'value', 'lower', 'upper',
          'mark', 'lines', 'obs_out', 'mod_unr', 'mod_neg', 'n', 'n_pos', 'n_both', 'boot']


def write_rows(ev, out, criteria, want_new, only_new):
    w = csv.writer(out, lineterminator='\r\n')
    w.writerow(HEADER)
    existing = set(EXISTING_MODEL) | set(EXISTING_DIFF)
    for kind, key, names, counts in ev.rows:
        enough = ev.nvalid[key] >= 3
        for meas in names:
            if only_new and meas in existing and meas != 'R':
                continue
            value = ev.point[(key, meas)]
            lo = hi = None
            if has_limits(meas, want_new) and enough:
                lo, hi = limits(ev.samples.get((key, meas), []))
            mark = mark_of(kind, meas, value, lo, hi, enough, criteria, want_new)
            arc = shortest_float_text(key[3]) if key[3] is not None else ''
            row = [key[0], key[1], key[2], arc, meas, double_text(value), double_text(lo),
                   double_text(hi), mark, counts['lines']]
            if kind == 'model':
                row += [counts['obs_out'], counts['mod_unr'], counts['mod_neg'], counts['n'],
                        counts['n_pos'], '', ev.boot[key]]
            else:
                row += ['', '', '', '', '', counts['n_both'], ev.boot[key]]
            w.writerow(row)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('input', help='a pairs file (.csv) or a combined table')
    ap.add_argument('--kind', choices=['auto', 'pairs', 'table'], default='auto')
    ap.add_argument('--resamples', type=int, default=1000,
                    help='bootstrap resamples (0: point values only)')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--criteria', choices=['rural', 'urban'], default='rural')
    ap.add_argument('--uncertainty', action='append', metavar='[QTY=]PRESET|U,ALPHA,RV[,NP,NNP]')
    ap.add_argument('--beta', type=float, default=2.0)
    ap.add_argument('--percentile', type=float)
    ap.add_argument('--threshold', action='append', metavar='[QTY=]T')
    ap.add_argument('--mqi90-groups', choices=['resample', 'point'], default='resample',
                    help='groups of MQI90 and Y90 in a resample: those with at least 3 valid '
                         'pairs in the resample (default), or those of the point value')
    ap.add_argument('--set', choices=['all', 'existing', 'new'], default='all',
                    help="measures to write: 'existing' as the program before the new measures "
                         "(R without limits), 'new' only the new ones and R")
    ap.add_argument('-o', '--output', help='output CSV (default: standard output)')
    args = ap.parse_args(argv)

    kind = args.kind
    if kind == 'auto':
        kind = 'pairs' if args.input.lower().endswith('.csv') else 'table'
    study = read_pairs(args.input) if kind == 'pairs' else read_table(args.input)
    cfg = quantity_config(study, args)
    want_new = args.set != 'existing'
    ev = run(study, cfg, args.resamples, args.seed, want_new)
    if args.output:
        with open(args.output, 'w', newline='') as out:
            write_rows(ev, out, args.criteria, want_new, args.set == 'new')
    else:
        write_rows(ev, sys.stdout, args.criteria, want_new, args.set == 'new')
    return 0


if __name__ == '__main__':
    sys.exit(main())

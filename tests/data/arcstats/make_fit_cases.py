#!/usr/bin/env python3
"""Writes fit_cases.txt: arcs and their expected fit, from a single-precision model.

A separate model of the arc fit, written in plain Python: every stored quantity is
rounded to a 4-byte float with struct, every expression is evaluated in double.
Run by hand (python3 make_fit_cases.py > fit_cases.txt); the build does not need it.
Values are written as hexadecimal floats without the 0x prefix.
"""
import math
import random
import struct

PI = None
RAD2DEG = None


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


PI = f32(3.14159)
RAD2DEG = f32(180.0 / PI)


def hx(x):
    s = float(x).hex()
    return s.replace("0x", "")


def bearing(x, y, xsrc, ysrc):
    dx = f32(x - xsrc)
    dy = f32(y - ysrc)
    th = f32(math.atan2(dy, dx))
    if th >= 0:
        b = f32(450.0 - RAD2DEG * th)
    else:
        b = f32(90.0 - RAD2DEG * th)
    if b > 360.0:
        b = f32(b - 360.0)
    return b


def gap_sort(key, comps):
    n = len(key)
    st = 0
    if n <= 1:
        return st
    gap = n
    while True:
        gap = gap // 2
        for i in range(1, n - gap + 1):
            j = i + gap
            k = i
            while True:
                if key[j - 1] >= key[k - 1]:
                    break
                st = 2
                key[j - 1], key[k - 1] = key[k - 1], key[j - 1]
                for c in comps:
                    c[j - 1], c[k - 1] = c[k - 1], c[j - 1]
                j = k
                k = k - gap
                if k <= 0:
                    break
        if gap <= 1:
            break
    return st


def fit(conc, xr, yr, distfac, xsrc, ysrc):
    """Returns None when the arc fails in its geometry step, else the results."""
    n = len(conc)
    conc, xr, yr = list(conc), list(xr), list(yr)
    omax = -99999.0
    ang = []
    for i in range(n):
        if conc[i] > omax:
            omax = conc[i]
        ang.append(bearing(xr[i], yr[i], xsrc, ysrc))
    xc = yc = sr = sc = 0.0
    npos = 0
    for i in range(n):
        if conc[i] > 0:
            xc = f32(xc + xr[i] * conc[i])
            yc = f32(yc + yr[i] * conc[i])
            r = f32(math.sqrt((xr[i] - xsrc) ** 2 + (yr[i] - ysrc) ** 2))
            sr = f32(sr + r)
            sc = f32(sc + conc[i])
            npos += 1
    if npos <= 2:
        return None
    xc = f32(xc / sc)
    yc = f32(yc / sc)
    rmean = f32(sr / npos)
    phic = bearing(xc, yc, xsrc, ysrc)
    dev = []
    for i in range(n):
        d = f32(ang[i] - phic)
        if d > 180:
            d = f32(d - 360.0)
        if d < -180:
            d = f32(d + 360.0)
        dev.append(d)
    sd = sw = 0.0
    for i in range(n):
        if conc[i] > 0:
            sd = f32(dev[i] * conc[i] + sd)
            sw = f32(conc[i] + sw)
    dbar = f32(sd / sw)
    phic = f32(phic + dbar)
    dev = [f32(d - dbar) for d in dev]
    gap_sort(dev, [xr, yr, conc])
    ang = [f32(d + phic) for d in dev]
    ylat = [f32(d / 360.0 * 2.0 * PI * distfac * rmean) for d in dev]
    wc = [conc[i] for i in range(n) if conc[i] >= 0]
    wy = [ylat[i] for i in range(n) if conc[i] >= 0]
    nused = len(wc)
    s2 = s = 0.0
    for c, y in zip(wc, wy):
        s2 = f32(c * y * y + s2)
        s = f32(c + s)
    sy = f32(math.sqrt(s2 / s))
    # crosswind integral between the outermost points
    pc = list(wc)
    py = list(wy)
    gap_sort(py, [pc])
    cy = 0.0
    for i in range(1, len(py)):
        h = f32((pc[i - 1] + pc[i]) * 0.5)
        w = f32(abs(py[i - 1] - py[i]))
        p = f32(h * w)
        cy = f32(cy + p)
    cy = f32(cy + 0.0 + 0.0)
    root = f32(math.sqrt(2.0 * PI))
    ierr = 0
    if sy > 0 and cy > 0:
        cmax = f32(cy / (sy * root))
    else:
        cmax = -99.0
        ierr = -2
    return dict(ierr=ierr, omax=omax, nused=nused, rmean=rmean, phic=phic, sy=sy, cy=cy,
                cmax=cmax, conc=conc, xr=xr, yr=yr, ylat=ylat, ang=ang)


def make_arc(rng, num, centre_deg, spread_deg, radius, xsrc, ysrc, peak, p_zero, p_neg,
             start_deg, step_deg, shuffle):
    bearings = [start_deg + step_deg * i for i in range(num)]
    if shuffle:
        rng.shuffle(bearings)
    conc, xr, yr = [], [], []
    for b in bearings:
        rad = math.radians(b)
        rr = radius * (1.0 + rng.uniform(-0.03, 0.03))
        xr.append(f32(xsrc + rr * math.sin(rad)))
        yr.append(f32(ysrc + rr * math.cos(rad)))
        d = (b - centre_deg + 180.0) % 360.0 - 180.0
        c = peak * math.exp(-0.5 * (d / spread_deg) ** 2) * rng.uniform(0.7, 1.3)
        u = rng.random()
        if u < p_neg:
            c = -rng.choice([1.0, 9.0, 999.0])
        elif u < p_neg + p_zero:
            c = 0.0
        conc.append(f32(c))
    return conc, xr, yr


def main():
    rng = random.Random(20110511)
    random_arcs = [
        # name, num, centre, spread, radius, xsrc, ysrc, distfac, peak, p0, pneg, start, step, shuffle
        ("east_km", 25, 95.0, 6.0, 1.0, 0.0, 0.0, 1000.0, 40.0, 0.2, 0.1, 60.0, 2.5, True),
        ("north_cross", 40, 2.0, 8.0, 3.0, 0.0, 0.0, 1000.0, 5.0, 0.3, 0.05, 310.0, 2.5, True),
        ("north_cross_west", 30, 355.0, 5.0, 0.6, 0.0, 0.0, 1000.0, 200.0, 0.1, 0.1, 320.0, 2.0, False),
        ("offset_source", 60, 210.0, 10.0, 8.0, 613.25, 5210.5, 1000.0, 0.05, 0.4, 0.1, 150.0, 2.0, True),
        ("metres", 50, 300.0, 7.0, 400.0, 0.0, 0.0, 1.0, 1.0e3, 0.2, 0.1, 250.0, 2.0, True),
        ("south", 12, 180.0, 3.0, 0.2, 1.5, -2.25, 1000.0, 3.0, 0.1, 0.0, 170.0, 1.7, True),
        ("full_200", 200, 47.0, 9.0, 5.0, 0.0, 0.0, 1000.0, 12.0, 0.3, 0.1, 0.0, 1.8, True),
        ("wide_plume", 80, 120.0, 40.0, 2.0, -3.0, 4.0, 1000.0, 1.0, 0.1, 0.1, 0.0, 4.5, True),
        ("near_north", 20, 359.0, 2.0, 1.0, 0.0, 0.0, 1000.0, 9.0, 0.0, 0.0, 350.0, 1.0, True),
    ]
    cases = []
    for (name, num, centre, spread, radius, xsrc, ysrc, distfac, peak, p0, pneg, start, step,
         shuffle) in random_arcs:
        xsrc, ysrc, distfac = f32(xsrc), f32(ysrc), f32(distfac)
        conc, xr, yr = make_arc(rng, num, centre, spread, radius, xsrc, ysrc, peak, p0, pneg,
                                start, step, shuffle)
        cases.append((name, distfac, xsrc, ysrc, conc, xr, yr))

    def on_circle(bearings, radii):
        xs = [f32(r * math.sin(math.radians(b))) for b, r in zip(bearings, radii)]
        ys = [f32(r * math.cos(math.radians(b))) for b, r in zip(bearings, radii)]
        return xs, ys

    # The example arc: five receptors at 1 km, bearings 100, 80, 90, 110, 70.
    xs, ys = on_circle([100, 80, 90, 110, 70], [1.0] * 5)
    cases.append(("example", 1000.0, 0.0, 0.0, [1.0, 1.0, 2.0, -1.0, 0.0], xs, ys))
    # Centroid just west of north, weighted mean bearing east of it: PHIC above 360.
    xs, ys = on_circle([350, 10, 10, 12], [10.0, 1.0, 1.0, 1.5])
    cases.append(("phic_above_360", 1000.0, 0.0, 0.0, [1.0, 1.0, 1.0, 0.0], xs, ys))
    # Every positive receptor on one bearing: no spread, so no peak (status -2).
    xs, ys = on_circle([45, 45, 45, 60], [1.0, 2.0, 3.0, 2.0])
    cases.append(("one_bearing", 1000.0, 0.0, 0.0, [1.0, 2.0, 3.0, -5.0], xs, ys))

    # Centroid due east (bearing 90 exactly) and a receptor at bearing 270 exactly:
    # its deviation is +180, which the strict fold keeps.
    cases.append(("opposite_receptor", 1000.0, 0.0, 0.0, [1.0, 1.0, 2.0, -1.0, 0.0],
                  [1.0, 1.0, 1.0, -1.0, 0.0], [0.5, -0.5, 0.0, f32(2.5e-6), -1.0]))

    print("# arcs and their expected fit; reals as hexadecimal floats")
    for name, distfac, xsrc, ysrc, conc, xr, yr in cases:
        num = len(conc)
        res = fit(conc, xr, yr, distfac, xsrc, ysrc)
        assert res is not None
        print("case", name)
        print("source", hx(distfac), hx(xsrc), hx(ysrc))
        print("num", num)
        for c, x, y in zip(conc, xr, yr):
            print("in", hx(c), hx(x), hx(y))
        print("fit", res["ierr"], hx(res["omax"]), res["nused"], hx(res["rmean"]),
              hx(res["phic"]), hx(res["sy"]), hx(res["cy"]), hx(res["cmax"]))
        for i in range(num):
            print("out", hx(res["conc"][i]), hx(res["xr"][i]), hx(res["yr"][i]),
                  hx(res["ylat"][i]), hx(res["ang"][i]))
        print("end")


if __name__ == "__main__":
    main()

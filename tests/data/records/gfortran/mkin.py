import random, struct
random.seed(20240611)
def fbits(x): return struct.unpack('<I', struct.pack('<f', x))[0]
def bitsf(b): return struct.unpack('<f', struct.pack('<I', b))[0]
# --- hand-picked write cases: (layout, kind, value)
reals = [0.0, -0.0, 0.5, -0.5, 12.345, -0.004, 0.004, 0.005, 0.125, 0.375, 2.675, 1.0e9, 123456789.0,
         12345678.0, 1.5, -1.5, 2.5, 3.5, 1.0e-10, -1.0e-10, 3.14159, 0.0123456, -3.5, 1.0, 1.0e-30,
         3.4028235e38, 1.4e-45, 999995.0, 999985.0, 999994.0, 359.99994, 360.0, -99.0, -999.0, -99999.0,
         0.045, 0.055, 99.995, 9.995, 0.95, -0.95, 1234.5678, 0.0001, 5e-5, 1e-5, 7.0e6, 12.5, 0.25]
layouts_r = ['(f10.2)','(f12.3)','(f12.2)','(f8.2)','(f10.4)','(f4.1)','(f6.1)','(f8.0)','(f5.2)',
             '(f4.2)','(f3.2)','(f7.3)','(1pe12.4)','(1pe10.4)','(e12.4)','(e10.4)','(1pe13.5)',
             '(3x,f10.2,2x,1pe12.4)']
ints = [0, 5, -5, 42, 99, 100, 999, 1000, -99, -100, 12345, 99999, 100000, -9999, -10000,
        2147483647, -2147483648, 7, 81, 1]
layouts_i = ['(i5)','(i2.2)','(i3)','(i8)','(i11)','(i2)','(i5.3)','(i4.0)','(i1)','(2x,i4,3x)']
with open('write_in.txt','w') as f:
    for l in layouts_r:
        for v in reals:
            f.write('r %08X %s\n' % (fbits(v), l))
    for l in layouts_i:
        for v in ints:
            f.write('i %08X %s\n' % (v & 0xffffffff, l))
# --- random reals for the round trip
vals = set()
def add(x):
    vals.add(fbits(x) if isinstance(x, float) else x)
for _ in range(600):   # any finite bit pattern
    b = random.getrandbits(32)
    if (b >> 23) & 0xff == 0xff: continue
    add(b)
for _ in range(1200):  # magnitudes of everyday values, both signs
    x = 10 ** random.uniform(-5, 8) * random.choice([1, -1])
    add(fbits(x))
for _ in range(200):   # subnormals
    add(random.getrandbits(23) | (random.getrandbits(1) << 31))
for _ in range(300):   # exact binary ties at 2 and 3 decimals
    n = random.randint(0, 99999)
    add(fbits(n + random.choice([1,3,5,7]) / 8.0) | (random.getrandbits(1) << 31))
    add(fbits(n + random.choice([1,3,5,7,9,11,13,15]) / 16.0))
for _ in range(300):   # integers with exact ties at five significant digits
    add(fbits(float(random.randint(10000, 1677721) * 10 + 5)))
    add(fbits(float(random.randint(100000, 999999))))
for x in [0.0, -0.0, 3.4028235e38, -3.4028235e38, 1.17549435e-38, 1.4e-45, -1.4e-45]:
    add(fbits(x))
with open('round_in.txt','w') as f:
    for b in sorted(vals, key=lambda b: (random.random())):
        f.write('%08X\n' % b)
with open('round_int_in.txt','w') as f:
    ints = [0, 1, -1, 2147483647, -2147483648, 99, 100, 999, 1000, 99999, 100000, -9999, -10000]
    for _ in range(1500):
        ints.append(random.randint(-2**31, 2**31 - 1))
        ints.append(random.randint(-10**random.randint(0,6), 10**random.randint(0,6)))
    for v in ints:
        f.write('%d\n' % v)
# --- read cases: (layout, text)
rd = []
for l, texts in [
  ('(f4.1)', ['  35', ' 3.5', '    ', '3 5 ', '-3.5', ' -35', '  .5', '1e1 ']),
  ('(f9.2)', ['   12', '   12.', '     1.5-3', '1.5+3', '1.5E-3', '1.5d2', '1.5D+2', '15e1', ' -1 2. 5', '+.5',
              '5.', '  0.1', '123456789', '1234.5678', '0.00001', '-0.0', '99999.995', '1 2 3 4']),
  ('(f10.0)', ['1234', '   1234', '1234.5', '7e2', '16777217.', '16777219.', '0.1', '-7', '3.4028235e38']),
  ('(e12.4)', ['  1.2346E-02', '12346', '  1.0000E-30', ' -3.5000E+00', '1.0E+38', '1.4013E-45',
               '  0.1234E+02', '1.5-3']),
  ('(g10.3)', ['   2.5', '2500', '2.5e1', '  -.001', '1.e-5']),
  ('(1pf8.2)', ['  12.5', '12.5e0', '  1250', '1.25e1']),
  ('(1pe12.4)', ['  1.2346E-02', '   1.2346', '     12346', '1.5-3']),
  ('(f30.2)', ['1.e39', '-1.e39', '1.e-50', '1.4e-45', '0.1000000000000000000000000001',
               '3.4028236e38', '3.4028235e38', '1.17549435e-38', '7.0064923e-46', '7.0064924e-46']),
  ('(i5)', ['   42', '4 2  ', '     ', ' -042', '   -0', '+7   ', '  1.5', '  1-', '   +1', 'abc']),
  ('(i11)', ['-2147483648', ' 2147483647', '2147483648', '-2147483649', '99999999999']),
]:
    for t in texts:
        rd.append((l, t))
with open('read_in.txt','w') as f:
    for l, t in rd:
        f.write('%s|%s|\n' % (l, t))
print(len(vals), 'reals')

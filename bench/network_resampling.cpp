// Prototype of tlvstats' resampling loop at network scale (a year of hourly pairs
// from many stations), run by hand; the figures and the design are in
// NETWORK-SCALE.md next to this file.
//
//   network_resampling [--lines N] [--groups G] [--models M] [--resamples B]
//                      [--threads T] [--seed S] [--phases] [--check]
//
// The lines are made in memory: float columns Co and Cp (the models of a line side
// by side) with a small per-line code (stratum, stability class, and per model
// whether the pair is valid, has both values positive and lies within a factor of
// two). They are held ordered by cell (stratum, then stability class), so a stratum
// and a cell are runs of lines. A resample, on its own stream, draws stratum by
// stratum as many lines as the stratum has, with replacement, into a count per line,
// and sums each cell's terms over the drawn lines weighted by their counts (one pass
// over the lines, all models at once); the cells are then folded into the groups
// (all, each stratum, stable, unstable) and nine measures formed per group and model.
// Only the floor(0.025 B) + 1 lowest and highest values of each measure are kept.
// --phases times the draws alone too; --check runs small cases with 1 and 2 threads
// and compares the limits with those of a full sort of every value.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "evaluate/statistics/draw.h"

namespace {

using Clock = std::chrono::steady_clock;

// The calling thread's CPU time, s: the phases' cost, fair also on a loaded machine.
double thread_cpu() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  const auto s = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return s(u.ru_utime) + s(u.ru_stime);
}
constexpr int kMeasures = 9;  // FB MG NMSE VG FAC2 NAD R MB RMSE
constexpr int kClasses = 3;   // stable, unstable, neither

// The draws are tlvstats' own (evaluate/statistics/draw.h): resample b's splitmix64
// stream and the multiply-shift draw with rejection.
using evaluate::bounded_draw;
using evaluate::mix64;
using SplitMix = evaluate::Splitmix64;
SplitMix resample_stream(std::uint64_t seed, std::uint64_t b) {
  return evaluate::resample_stream(seed, b);
}

struct Options {
  std::size_t lines = 10'000'000, groups = 1000, models = 3, resamples = 1000, threads = 2;
  std::uint64_t seed = 1;
  bool check = false, phases = false;
};

// Four lanes of doubles (or floats): the models of a line side by side, summed lane
// by lane, so that each model's sums are formed in the same order as one at a time.
using V4d = double __attribute__((vector_size(32)));
using V4f = float __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 4;
inline __attribute__((always_inline)) V4d load_doubles(const double* p) {
  V4d v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline __attribute__((always_inline)) V4d load_floats(const float* p) {
  V4f v;
  std::memcpy(&v, p, sizeof v);
  return __builtin_convertvector(v, V4d);
}

// The lines as columns, ordered by cell; cell c = stratum * kClasses + class holds
// lines [cell_begin[c], cell_begin[c + 1]).
struct Lines {
  std::size_t n = 0, models = 0, strata = 0;
  std::vector<float> co, cp;             // co[i], cp[i * models + m] (+ kLanes spare)
  std::vector<double> ln_co, ln_cp;      // ln of the positive values, else 0
  std::vector<std::uint16_t> stratum;    // the line's stratum (its station)
  std::vector<std::uint8_t> cls;         // stability class
  std::vector<std::uint8_t> valid, pos;  // per model bit m: pair valid, both positive
  std::vector<std::uint8_t> fac2;        // per model bit m: 0.5 <= Cp/Co <= 2
  std::vector<std::size_t> cell_begin;   // kClasses * strata + 1 entries
  std::vector<double> centre;            // [(c * models + m) * 2 + 0/1]: cell means
};

// Each cell's fixed centre: the means of its valid pairs.
void set_centres(Lines& l) {
  const std::size_t cells = l.cell_begin.size() - 1, nm = l.models;
  l.centre.assign(cells * nm * 2, 0.0);
  for (std::size_t c = 0; c < cells; ++c) {
    for (std::size_t m = 0; m < nm; ++m) {
      double k = 0, so = 0, sp = 0;
      for (std::size_t i = l.cell_begin[c]; i < l.cell_begin[c + 1]; ++i) {
        if ((l.valid[i] >> m & 1u) == 0) continue;
        k += 1, so += l.co[i], sp += l.cp[i * nm + m];
      }
      l.centre[(c * nm + m) * 2] = k > 0 ? so / k : 0.0;
      l.centre[(c * nm + m) * 2 + 1] = k > 0 ? sp / k : 0.0;
    }
  }
}

// Hourly lines of `groups` stations, hour after hour, each put in its cell's run as
// it is made (as a reader would place them after a first pass counting the cells).
Lines make_lines(const Options& o) {
  Lines l;
  l.n = o.lines, l.models = o.models, l.strata = o.groups;
  const std::size_t n = l.n, nm = l.models, cells = l.strata * kClasses;
  l.co.resize(n), l.cp.resize(n * nm + kLanes), l.ln_co.resize(n);
  l.ln_cp.resize(n * nm + kLanes);
  l.stratum.resize(n), l.cls.resize(n), l.valid.resize(n), l.pos.resize(n), l.fac2.resize(n);
  std::mt19937_64 gen(12345);
  const auto class_of = [&](std::size_t i) {
    return static_cast<std::uint8_t>(mix64(i) % kClasses);
  };
  l.cell_begin.assign(cells + 1, 0);
  for (std::size_t i = 0; i < n; ++i) ++l.cell_begin[(i % l.strata) * kClasses + class_of(i) + 1];
  for (std::size_t c = 0; c < cells; ++c) l.cell_begin[c + 1] += l.cell_begin[c];
  std::vector<std::size_t> next(l.cell_begin.begin(), l.cell_begin.end() - 1);
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> unit;
  std::vector<double> level(l.strata);
  for (double& v : level) v = std::exp(normal(gen));
  for (std::size_t line = 0; line < n; ++line) {
    const std::size_t s = line % l.strata, i = next[s * kClasses + class_of(line)]++;
    l.stratum[i] = static_cast<std::uint16_t>(s);
    l.cls[i] = class_of(line);
    const float co = unit(gen) < 0.03 ? 0.0f : static_cast<float>(level[s] * std::exp(normal(gen)));
    l.co[i] = co;
    l.ln_co[i] = co > 0 ? std::log(static_cast<double>(co)) : 0.0;
    for (std::size_t m = 0; m < nm; ++m) {
      const float cp = static_cast<float>(co * std::exp(0.1 * m + 0.7 * normal(gen)));
      const bool ok = unit(gen) >= 0.01, positive = co > 0 && cp > 0;
      const double ratio = positive ? static_cast<double>(cp) / co : 0.0;
      l.cp[i * nm + m] = cp;
      l.ln_cp[i * nm + m] = positive ? std::log(static_cast<double>(cp)) : 0.0;
      l.valid[i] |= static_cast<std::uint8_t>(ok) << m;
      l.pos[i] |= static_cast<std::uint8_t>(positive) << m;
      l.fac2[i] |= static_cast<std::uint8_t>(ratio >= 0.5 && ratio <= 2.0) << m;
    }
  }
  set_centres(l);
  return l;
}

// The sums of one cell or group and model. For a cell, the deviations are about the
// cell's centre; for a group, about the group's means (so and sp hold sum Co, Cp).
struct Sums {
  double n = 0, so = 0, sp = 0, soo = 0, spp = 0, sop = 0, sdd = 0, ad = 0, fac2 = 0;
  double npos = 0, lno = 0, lnp = 0, lnsq = 0;
};

// A line of a stratum drawn `times` times (at least once) in a resample.
struct Drawn {
  std::uint32_t line, times;
};

// The lanes' 0/1 for each 4-bit mask.
struct Bits {
  V4d of[16];
  Bits() {
    for (int k = 0; k < 16; ++k)
      of[k] = V4d{double(k & 1), double(k >> 1 & 1), double(k >> 2 & 1), double(k >> 3 & 1)};
  }
};
const Bits kBits;

// One resample's pass over a cell's drawn lines for models [4 q, 4 q + 4), each line
// weighted by its count; `out` receives the sums of those models. Built twice, for
// AVX2 (chosen where the processor has it) and for any x86-64: lane by lane the
// same operations in the same order, so the same sums.
__attribute__((target_clones("avx2", "default"))) void cell_pass(const Lines& l, const Drawn* first,
                                                                 const Drawn* last, std::size_t c,
                                                                 std::size_t q, Sums* out) {
  const std::size_t nm = l.models, m0 = q * kLanes, lanes = std::min(kLanes, nm - m0);
  V4d c_o{}, c_p{};
  for (std::size_t j = 0; j < lanes; ++j) {
    c_o[j] = l.centre[(c * nm + m0 + j) * 2], c_p[j] = l.centre[(c * nm + m0 + j) * 2 + 1];
  }
  V4d n{}, so{}, sp{}, soo{}, spp{}, sop{}, sdd{}, ad{}, fac2{}, npos{}, lno{}, lnp{}, lnsq{};
  const unsigned keep = (1u << lanes) - 1;
  for (const Drawn* d = first; d != last; ++d) {
    const std::size_t i = d->line;
    const V4d w = static_cast<double>(d->times) * kBits.of[l.valid[i] >> m0 & keep];
    const V4d co = V4d{} + static_cast<double>(l.co[i]), cp = load_floats(&l.cp[i * nm + m0]);
    const V4d d_o = co - c_o, d_p = cp - c_p, dd = d_p - d_o;
    const V4d wo = w * d_o, wp = w * d_p;
    n += w, so += wo, sp += wp, soo += wo * d_o, spp += wp * d_p, sop += wo * d_p;
    sdd += (wp - wo) * dd;
    const V4d diff = cp - co;
    ad += w * (diff < 0 ? -diff : diff);
    fac2 += w * kBits.of[l.fac2[i] >> m0 & keep];
    const V4d wl = w * kBits.of[l.pos[i] >> m0 & keep];
    const V4d ln_o = V4d{} + l.ln_co[i], ln_p = load_doubles(&l.ln_cp[i * nm + m0]);
    const V4d lo = wl * ln_o, lp = wl * ln_p;
    npos += wl, lno += lo, lnp += lp, lnsq += (lp - lo) * (ln_p - ln_o);
  }
  for (std::size_t j = 0; j < lanes; ++j) {
    out[j] = {n[j],  so[j],   sp[j],   soo[j], spp[j], sop[j], sdd[j],
              ad[j], fac2[j], npos[j], lno[j], lnp[j], lnsq[j]};
  }
}

// The groups: 0 all, 1 + s stratum s, strata + 1 stable, strata + 2 unstable.
std::size_t groups_of(std::size_t strata) {
  return strata + 3;
}

// Adds cell sums `s` (about centre c_o, c_p) into group `g`: first pass (deviations
// false) the plain sums, second pass the squares moved to the group's means.
void fold(const Sums& s, double c_o, double c_p, Sums& g, bool deviations) {
  if (!(s.n > 0)) return;
  const double mo = c_o + s.so / s.n, mp = c_p + s.sp / s.n;  // the cell's means
  if (!deviations) {
    g.n += s.n, g.so += s.n * c_o + s.so, g.sp += s.n * c_p + s.sp, g.ad += s.ad;
    g.fac2 += s.fac2, g.npos += s.npos, g.lno += s.lno, g.lnp += s.lnp, g.lnsq += s.lnsq;
    return;
  }
  const double eo = s.so / s.n, ep = s.sp / s.n;
  const double dmo = mo - g.so / g.n, dmp = mp - g.sp / g.n;
  g.soo += (s.soo - s.n * eo * eo) + s.n * dmo * dmo;
  g.spp += (s.spp - s.n * ep * ep) + s.n * dmp * dmp;
  g.sop += (s.sop - s.n * eo * ep) + s.n * dmo * dmp;
  g.sdd += (s.sdd - s.n * (ep - eo) * (ep - eo)) + s.n * (dmp - dmo) * (dmp - dmo);
}

void measures(const Sums& g, double* out) {
  const double nan = std::nan("");
  std::fill(out, out + kMeasures, nan);
  if (!(g.n > 0)) return;
  const double mo = g.so / g.n, mp = g.sp / g.n;
  const double sq = g.sdd + g.n * (mp - mo) * (mp - mo);  // sum (Cp - Co)^2
  out[0] = (mo - mp) / (0.5 * (mo + mp));
  if (g.npos > 0) out[1] = std::exp((g.lno - g.lnp) / g.npos), out[3] = std::exp(g.lnsq / g.npos);
  out[2] = sq / g.n / (mo * mp);
  out[4] = g.fac2 / g.n;
  out[5] = g.ad / g.n / (mo + mp);
  if (g.soo > 0 && g.spp > 0) out[6] = g.sop / std::sqrt(g.soo * g.spp);
  out[7] = mp - mo;
  out[8] = std::sqrt(sq / g.n);
}

// A formed resample value as an unsigned key in the order of the values, with -0
// below +0: a total order, so equal keys are the same value to the bit and the
// values at two ranks do not depend on the order in which the threads met them.
using Key = std::uint64_t;
constexpr Key kSign = Key{1} << 63;
Key key_of(double v) {
  Key bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & kSign) != 0 ? ~bits : bits | kSign;
}
double value_of(Key key) {
  const Key bits = (key & kSign) != 0 ? key & ~kSign : ~key;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
bool lower(Key x, Key y) {
  return x < y;
}
bool higher(Key x, Key y) {
  return x > y;
}

// Per statistic: the k lowest (a max-heap) and k highest (a min-heap) formed values.
// The heaps' tops are also held side by side, so that a value that enters neither
// heap (nearly all, once they are full) is turned away without reading them.
struct Extremes {
  std::size_t k;
  std::vector<Key> heaps;           // [stat * 2k + j]: the lowest, then [+ k] the highest
  std::vector<Key> lo_top, hi_top;  // [stat]
  std::vector<std::uint32_t> formed;
  Extremes(std::size_t stats, std::size_t k_)
      : k(k_), heaps(stats * 2 * k_), lo_top(stats), hi_top(stats), formed(stats) {}
  // A value to enter a full heap: its statistic, side (0 lowest, 1 highest) and key.
  struct Entry {
    std::size_t stat, side;
    Key key;
  };
  std::vector<Entry> pending;

  // Takes one resample's formed value of `stat`. Into full heaps only once a
  // resample's values are all met (enter()), the heaps fetched ahead from memory.
  void add(std::size_t stat, Key key) {
    const std::size_t have = formed[stat]++;
    if (have < k) {
      lo_top[stat] = push(&heaps[stat * 2 * k], have, key, lower);
      hi_top[stat] = push(&heaps[(stat * 2 + 1) * k], have, key, higher);
      return;
    }
    if (lower(key, lo_top[stat])) pending.push_back({stat, 0, key});
    if (higher(key, hi_top[stat])) pending.push_back({stat, 1, key});
  }
  void enter() {
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < pending.size(); ++i) {
      if (i + kAhead < pending.size()) {
        const Entry& a = pending[i + kAhead];
        __builtin_prefetch(&heaps[(a.stat * 2 + a.side) * k]);
        __builtin_prefetch(&heaps[(a.stat * 2 + a.side) * k] + 8);
      }
      const Entry& e = pending[i];
      Key* heap = &heaps[(e.stat * 2 + e.side) * k];
      if (e.side == 0)
        lo_top[e.stat] = push(heap, k, e.key, lower);
      else
        hi_top[e.stat] = push(heap, k, e.key, higher);
    }
    pending.clear();
  }
  // Puts `key` into the heap of `have` values (k at most) and returns the new top.
  template <class Less>
  Key push(Key* heap, std::size_t have, Key key, Less less) {
    if (have < k) {
      heap[have] = key;
      std::push_heap(heap, heap + have + 1, less);
    } else {
      std::pop_heap(heap, heap + k, less);
      heap[k - 1] = key;
      std::push_heap(heap, heap + k, less);
    }
    return heap[0];
  }
};

std::size_t largest_stratum(const Lines& l) {
  std::size_t most = 0;
  for (std::size_t s = 0; s < l.strata; ++s) {
    most = std::max(most, l.cell_begin[(s + 1) * kClasses] - l.cell_begin[s * kClasses]);
  }
  return most;
}

// The resamples a thread takes at once.
constexpr std::size_t kBatch = 4;

struct Worker {
  std::vector<std::uint32_t> counts;  // the current stratum's
  std::vector<Drawn> drawn;           // the current stratum's lines drawn
  std::vector<Sums> cells, groups;
  std::vector<double> values;  // one resample's, [stat]
  Extremes extremes;
  std::uint64_t hash = 0;  // XOR of every resample value with its place
  double draw_s = 0, pass_s = 0, form_s = 0;
  std::size_t id = 0;
  Worker(const Lines& l, std::size_t stats, std::size_t k)
      : counts(largest_stratum(l)),
        drawn(counts.size()),
        cells(kBatch * l.cell_begin.size() * l.models),
        groups(groups_of(l.strata) * l.models),
        values(stats),
        extremes(stats, k) {}
};

// The lines of stratum s drawn in a resample: as many draws as the stratum has
// lines, each below that number, counted per line; in line order, with their counts.
std::size_t draw_stratum(const Lines& l, SplitMix& rng, std::size_t s, Worker& w) {
  const std::size_t begin = l.cell_begin[s * kClasses], end = l.cell_begin[(s + 1) * kClasses];
  const auto n = static_cast<std::uint32_t>(end - begin);
  std::fill(w.counts.begin(), w.counts.begin() + n, 0u);
  for (std::uint32_t j = 0; j < n; ++j) ++w.counts[bounded_draw(rng, n)];
  std::size_t k = 0;
  for (std::uint32_t j = 0; j < n; ++j) {
    w.drawn[k] = {static_cast<std::uint32_t>(begin + j), w.counts[j]};
    k += w.counts[j] != 0;
  }
  return k;
}

// Resamples [b0, b0 + count): stratum by stratum, each resample's draws of the
// stratum and its pass over the drawn lines, so that the stratum's lines are read
// from memory once for the batch; each resample on its own stream, so the batch
// changes no sum.
void pass_batch(const Lines& l, std::uint64_t seed, std::size_t b0, std::size_t count, Worker& w) {
  const std::size_t nm = l.models, blocks = (nm + kLanes - 1) / kLanes;
  const std::size_t per_resample = (l.cell_begin.size() - 1) * nm;
  std::vector<SplitMix> rngs;
  for (std::size_t r = 0; r < count; ++r) rngs.push_back(resample_stream(seed, b0 + r));
  for (std::size_t s = 0; s < l.strata; ++s) {
    for (std::size_t r = 0; r < count; ++r) {
      const Drawn* d = w.drawn.data();
      const Drawn* end = d + draw_stratum(l, rngs[r], s, w);
      for (std::size_t c = s * kClasses; c < (s + 1) * kClasses; ++c) {
        const Drawn* cell_end = std::partition_point(
            d, end, [&](const Drawn& x) { return x.line < l.cell_begin[c + 1]; });
        for (std::size_t q = 0; q < blocks; ++q) {
          cell_pass(l, d, cell_end, c, q, &w.cells[r * per_resample + c * nm + q * kLanes]);
        }
        d = cell_end;
      }
    }
  }
}

// Resample b's groups, measures and extremes from its cells' sums at `sums`.
void form(const Lines& l, std::size_t b, const Sums* sums, Worker& w) {
  const std::size_t nm = l.models, cells = l.cell_begin.size() - 1;
  std::fill(w.groups.begin(), w.groups.end(), Sums{});
  for (bool deviations : {false, true}) {
    for (std::size_t c = 0; c < cells; ++c) {
      const std::size_t s = c / kClasses, cls = c % kClasses;
      for (std::size_t m = 0; m < nm; ++m) {
        const Sums& cs = sums[c * nm + m];
        const double c_o = l.centre[(c * nm + m) * 2], c_p = l.centre[(c * nm + m) * 2 + 1];
        fold(cs, c_o, c_p, w.groups[m], deviations);
        fold(cs, c_o, c_p, w.groups[(1 + s) * nm + m], deviations);
        if (cls < 2) fold(cs, c_o, c_p, w.groups[(l.strata + 1 + cls) * nm + m], deviations);
      }
    }
  }
  for (std::size_t g = 0; g < w.groups.size(); ++g) measures(w.groups[g], &w.values[g * kMeasures]);
  for (std::size_t j = 0; j < w.values.size(); ++j) {
    const double v = w.values[j];
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    w.hash ^= mix64(bits ^ mix64(j * 1'000'003 + b));
    if (!std::isnan(v)) w.extremes.add(j, key_of(v));
  }
  w.extremes.enter();
}

struct Result {
  std::vector<double> limits;  // [stat * 2 + 0/1], NaN when no value is formed
  std::uint64_t hash = 0;
  double seconds = 0, draw_s = 0, pass_s = 0, form_s = 0;
  std::size_t heap_bytes = 0;
};

// The limits from the workers' extremes: with n formed values sorted ascending,
// those at index floor(0.025 n) and ceil(0.975 n) - 1.
std::vector<double> limits_of(const std::vector<Worker>& workers, std::size_t stats) {
  std::vector<double> out(stats * 2, std::nan(""));
  std::vector<Key> lo, hi;
  for (std::size_t j = 0; j < stats; ++j) {
    std::size_t n = 0;
    lo.clear(), hi.clear();
    for (const Worker& w : workers) {
      const Extremes& e = w.extremes;
      const std::size_t have = std::min<std::size_t>(e.formed[j], e.k);
      n += e.formed[j];
      const auto at = e.heaps.begin() + static_cast<std::ptrdiff_t>(j * 2 * e.k);
      lo.insert(lo.end(), at, at + static_cast<std::ptrdiff_t>(have));
      hi.insert(hi.end(), at + static_cast<std::ptrdiff_t>(e.k),
                at + static_cast<std::ptrdiff_t>(e.k + have));
    }
    if (n == 0) continue;
    std::sort(lo.begin(), lo.end(), lower);
    std::sort(hi.begin(), hi.end(), higher);
    const std::size_t upper = (975 * n + 999) / 1000 - 1;
    out[j * 2] = value_of(lo[(25 * n) / 1000]);
    out[j * 2 + 1] = value_of(hi[n - 1 - upper]);
  }
  return out;
}

// Runs the resamples on o.threads threads; `all` (if given) receives every value.
Result run(const Lines& l, const Options& o, std::vector<double>* all = nullptr) {
  const std::size_t stats = groups_of(l.strata) * l.models * kMeasures;
  const std::size_t k = o.resamples / 40 + 1;  // floor(0.025 B) + 1
  std::vector<Worker> workers;
  for (std::size_t t = 0; t < o.threads; ++t) workers.emplace_back(l, stats, k).id = t;
  if (all != nullptr) all->assign(stats * o.resamples, 0.0);
  std::atomic<std::size_t> next{0};
  auto start = Clock::now();
  auto work = [&](Worker& w) {
    if (o.phases) {  // the draws alone, once more, for their share of the cost
      const double t0 = thread_cpu();
      for (std::size_t b = w.id; b < o.resamples; b += o.threads) {
        SplitMix rng = resample_stream(o.seed, b);
        for (std::size_t s = 0; s < l.strata; ++s) draw_stratum(l, rng, s, w);
      }
      w.draw_s = thread_cpu() - t0;
    }
    for (std::size_t b0; (b0 = next.fetch_add(kBatch)) < o.resamples;) {
      const std::size_t count = std::min(kBatch, o.resamples - b0);
      const double t0 = thread_cpu();
      pass_batch(l, o.seed, b0, count, w);
      const double t1 = thread_cpu();
      for (std::size_t r = 0; r < count; ++r) {
        form(l, b0 + r, &w.cells[r * (l.cell_begin.size() - 1) * l.models], w);
        if (all == nullptr) continue;
        for (std::size_t j = 0; j < stats; ++j) (*all)[j * o.resamples + b0 + r] = w.values[j];
      }
      w.pass_s += t1 - t0, w.form_s += thread_cpu() - t1;
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t t = 1; t < o.threads; ++t) threads.emplace_back(work, std::ref(workers[t]));
  work(workers[0]);
  for (std::thread& t : threads) t.join();
  Result r;
  r.limits = limits_of(workers, stats);
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (const Worker& w : workers) {
    r.hash ^= w.hash, r.draw_s += w.draw_s, r.pass_s += w.pass_s, r.form_s += w.form_s;
    r.heap_bytes += w.extremes.heaps.size() * sizeof(Key);
  }
  return r;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Small cases: T = 1 against T = 2, and the heaps' limits against a full sort of
// every value (with B values per statistic, NaN ones dropped).
int check() {
  int failures = 0;
  for (std::size_t b : {std::size_t{39}, std::size_t{40}, std::size_t{1000}, std::size_t{1001}}) {
    Options o;
    o.lines = 20'000, o.groups = 10, o.models = 2, o.resamples = b;
    Lines l = make_lines(o);
    // A stratum of 3 lines: R and others are often not formed there.
    l.cell_begin[1] = l.cell_begin[0] + 1, l.cell_begin[2] = l.cell_begin[0] + 2;
    l.cell_begin[3] = l.cell_begin[0] + 3;
    set_centres(l);
    std::vector<double> all;
    o.threads = 1;
    const Result one = run(l, o, &all);
    o.threads = 2;
    const Result two = run(l, o);
    const bool threads_agree = same_bits(one.limits, two.limits) && one.hash == two.hash;
    std::vector<double> sorted_limits(one.limits.size(), std::nan(""));
    for (std::size_t j = 0; j * 2 < one.limits.size(); ++j) {
      std::vector<double> v;
      for (std::size_t i = 0; i < b; ++i) {
        if (!std::isnan(all[j * b + i])) v.push_back(all[j * b + i]);
      }
      if (v.empty()) continue;
      std::sort(v.begin(), v.end());
      sorted_limits[j * 2] = v[(25 * v.size()) / 1000];
      sorted_limits[j * 2 + 1] = v[(975 * v.size() + 999) / 1000 - 1];
    }
    const bool heaps_agree = same_bits(one.limits, sorted_limits);
    std::printf("check B=%zu: T=1 vs T=2 %s, heaps vs full sort %s (%zu statistics)\n", b,
                threads_agree ? "bit-identical" : "DIFFER", heaps_agree ? "identical" : "DIFFER",
                one.limits.size() / 2);
    failures += !threads_agree + !heaps_agree;
  }
  return failures == 0 ? 0 : 1;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--check" || a == "--phases") {
      (a == "--check" ? o.check : o.phases) = true;
      continue;
    }
    if (i + 1 >= argc) throw std::invalid_argument("missing value after " + a);
    const unsigned long long v = std::stoull(argv[++i]);
    if (a == "--lines")
      o.lines = v;
    else if (a == "--groups")
      o.groups = v;
    else if (a == "--models")
      o.models = v;
    else if (a == "--resamples")
      o.resamples = v;
    else if (a == "--threads")
      o.threads = v;
    else if (a == "--seed")
      o.seed = v;
    else
      throw std::invalid_argument("unknown option " + a);
  }
  if (o.lines == 0 || o.groups == 0 || o.groups > 65535 || o.models == 0 || o.models > 8 ||
      o.resamples == 0 || o.threads == 0 || o.lines > UINT32_MAX) {
    throw std::invalid_argument("out of range: lines 1..2^32-1, groups 1..65535, models 1..8");
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) try {
  const Options o = parse(argc, argv);
  if (o.check) return check();
  const auto t0 = Clock::now();
  const Lines l = make_lines(o);
  const double setup = std::chrono::duration<double>(Clock::now() - t0).count();
  const Result r = run(l, o);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  const double lmr = static_cast<double>(o.lines) * static_cast<double>(o.models) *
                     static_cast<double>(o.resamples);
  std::printf(
      "lines=%zu groups=%zu models=%zu resamples=%zu threads=%zu\n"
      "make+order s=%.2f resampling wall s=%.2f%s ns/(line*model*resample) wall=%.3f cpu=%.3f\n"
      "thread CPU s: draw+pass=%.2f (draw alone, with --phases: %.2f) fold+measures+heaps=%.2f\n"
      "peak RSS MiB=%.1f heaps MiB=%.1f hash=%016llx\n",
      o.lines, o.groups, o.models, o.resamples, o.threads, setup, r.seconds,
      o.phases ? " (with the extra draws of --phases)" : "", r.seconds * 1e9 / lmr,
      r.seconds * 1e9 * static_cast<double>(o.threads) / lmr, r.pass_s, r.draw_s, r.form_s,
      static_cast<double>(ru.ru_maxrss) / 1024.0, static_cast<double>(r.heap_bytes) / 1048576.0,
      static_cast<unsigned long long>(r.hash));
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "network_resampling: %s\n", e.what());
  return 2;
}

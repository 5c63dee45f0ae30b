#include "evaluate/statistics/full_lines.h"

#include <algorithm>

namespace evaluate {
namespace {

using V4d = double __attribute__((vector_size(32)));
using V4l = std::int64_t __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 4;
constexpr std::size_t kMaxVectors = 2;  // up to 8 models
constexpr std::size_t kCells = 3;

// Built for AVX2 and for any x86-64, chosen at load time; both give the same sums.
// The sanitizers' builds and clang's (the fuzz targets) take one plain build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
#define TRACER_LANES_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TRACER_LANES_CLONES
#endif

// The lines of one stratum and quantity for R resamples, their counts whole (R = 1)
// or in 16-bit halves (R = 2): each line's terms are formed once and added into
// every resample's sums, each resample's in the order of the lines. The stratum's
// lines are of C stability classes: 3, or 1 where all are of class `only`; V vectors
// of lanes hold the models. Both are known when the loop is built, so that it holds
// (and clears, stratum by stratum) only the sums it needs, at places fixed in advance.
template <std::size_t R, std::size_t C, std::size_t V>
__attribute__((always_inline)) inline void sum_stratum(const LineColumns& in, std::size_t from,
                                                       std::size_t to, std::size_t k,
                                                       std::size_t first_cell, std::size_t only,
                                                       double* out) {
  const std::size_t nq = in.nq, nm = in.nm;
  constexpr std::size_t vectors = V;
  const unsigned every = (1u << nm) - 1;
  V4d acc[R][C][V][kLineFields] = {};
  // The fields that count (n, FAC2 and the positive pairs): sums of whole numbers,
  // exact in integers as in doubles, and cheaper.
  std::uint64_t n[R][C] = {};
  V4l fac2_n[R][C][V] = {}, pos_n[R][C][V] = {};
  V4d c_o[C][V] = {}, c_p[C][V] = {};
  // The class of the sums at [cls].
  auto class_of = [&](std::size_t cls) { return C == 1 ? only : cls; };
  for (std::size_t cls = 0; cls < C; ++cls) {
    for (std::size_t m = 0; m < nm; ++m) {
      const auto [o, p] = in.centre[((first_cell + class_of(cls)) * nq + k) * nm + m];
      c_o[cls][m / kLanes][m % kLanes] = o;
      c_p[cls][m / kLanes][m % kLanes] = p;
    }
  }
  const V4d zero{}, half = zero + 0.5, two = zero + 2.0;
  const V4l magnitude = V4l{} + static_cast<std::int64_t>(~(std::uint64_t{1} << 63));
  // Every line is taken, those not drawn or not full with weight 0: a sum with +0 or
  // -0 added is the same sum (no sum here is -0, and every term is finite), and a
  // loop without the branch runs faster than one that skips a third of the lines
  // at random.
  for (std::size_t p = from; p < to; ++p) {
    const std::uint32_t times = in.valid[p * nq + k] == every ? in.drawn[p] : 0u;
    const std::size_t cls = C == 1 ? 0 : in.cell_of[p] - first_cell;
    std::uint32_t wi[R];
    if constexpr (R == 1) {
      wi[0] = times;
    } else {
      wi[0] = times & 0xFFFFu;
      wi[1] = times >> 16;
    }
    V4d w[R];
    for (std::size_t r = 0; r < R; ++r) {
      w[r] = zero + static_cast<double>(wi[r]);
      n[r][cls] += wi[r];
    }
    const V4d o = zero + static_cast<double>(in.co[p * nq + k]);
    const V4d ln_o = zero + in.ln_co[p * nq + k];
    const float* cp = &in.cp[(p * nq + k) * nm];
    const double* ln_cp = &in.ln_cp[(p * nq + k) * nm];
    for (std::size_t v = 0; v < vectors; ++v) {
      V4d pv = zero, ln_p = zero;
      for (std::size_t j = 0; j < kLanes && v * kLanes + j < nm; ++j) {
        pv[j] = static_cast<double>(cp[v * kLanes + j]);
        ln_p[j] = ln_cp[v * kLanes + j];
      }
      // The pair's terms, as for one model, and the squares and products about the
      // cell's centre.
      const V4d diff = o - pv;
      const V4d sq = diff * diff;
      const auto ad = reinterpret_cast<V4d>(reinterpret_cast<V4l>(diff) & magnitude);
      const V4l fac2 = (pv >= half * o) & (pv <= two * o);
      const V4l positive = (o > zero) & (pv > zero);
      const V4d dl = ln_o - ln_p;
      const V4d pos_o = positive ? ln_o : zero;
      const V4d pos_p = positive ? ln_p : zero, pos_dl = positive ? dl * dl : zero;
      const V4d d_o = o - c_o[cls][v], d_p = pv - c_p[cls][v];
      const V4d dd = d_p - d_o;
      const V4d oo = d_o * d_o, pp = d_p * d_p, op = d_o * d_p, dd2 = dd * dd;
      for (std::size_t r = 0; r < R; ++r) {
        V4d* a = acc[r][cls][v];
        const auto whole = static_cast<std::int64_t>(wi[r]);
        const V4l wl = {whole, whole, whole, whole};
        fac2_n[r][cls][v] += wl & fac2;
        pos_n[r][cls][v] += wl & positive;
        a[1] += w[r] * o;
        a[2] += w[r] * pv;
        a[3] += w[r] * sq;
        a[4] += w[r] * ad;
        a[7] += w[r] * pos_o;
        a[8] += w[r] * pos_p;
        a[9] += w[r] * pos_dl;
        a[10] += w[r] * oo;
        a[11] += w[r] * pp;
        a[12] += w[r] * op;
        a[13] += w[r] * dd2;
      }
    }
  }
  for (std::size_t r = 0; r < R; ++r) {
    for (std::size_t m = 0; m < nm; ++m) {
      // A class without lines has zeros.
      if (C == 1) {
        for (std::size_t cls = 0; cls < kCells; ++cls)
          std::fill_n(&out[((r * kCells + cls) * nm + m) * kLineFields], kLineFields, 0.0);
      }
      for (std::size_t cls = 0; cls < C; ++cls) {
        double* to_m = &out[((r * kCells + class_of(cls)) * nm + m) * kLineFields];
        for (std::size_t f = 0; f < kLineFields; ++f)
          to_m[f] = acc[r][cls][m / kLanes][f][m % kLanes];
        to_m[0] = static_cast<double>(n[r][cls]);
        to_m[5] = static_cast<double>(fac2_n[r][cls][m / kLanes][m % kLanes]);
        to_m[6] = static_cast<double>(pos_n[r][cls][m / kLanes][m % kLanes]);
      }
    }
  }
}

// The loop built for the stratum's classes and the models' vectors.
template <std::size_t R>
__attribute__((always_inline)) inline void sum_stratum_of(const LineColumns& in, std::size_t from,
                                                          std::size_t to, std::size_t k,
                                                          std::size_t first_cell, std::size_t only,
                                                          double* out) {
  const bool one = only < kCells;
  if (in.nm <= kLanes) {
    if (one) return sum_stratum<R, 1, 1>(in, from, to, k, first_cell, only, out);
    return sum_stratum<R, kCells, 1>(in, from, to, k, first_cell, only, out);
  }
  if (one) return sum_stratum<R, 1, kMaxVectors>(in, from, to, k, first_cell, only, out);
  sum_stratum<R, kCells, kMaxVectors>(in, from, to, k, first_cell, only, out);
}

}  // namespace

TRACER_LANES_CLONES
void add_full_stratum(const LineColumns& in, std::size_t from, std::size_t to, std::size_t k,
                      std::size_t first_cell, std::size_t only, double* out) {
  sum_stratum_of<1>(in, from, to, k, first_cell, only, out);
}

TRACER_LANES_CLONES
void add_full_stratum_pair(const LineColumns& in, std::size_t from, std::size_t to, std::size_t k,
                           std::size_t first_cell, std::size_t only, double* out) {
  sum_stratum_of<2>(in, from, to, k, first_cell, only, out);
}

}  // namespace evaluate

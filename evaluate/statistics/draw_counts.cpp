// A resample's draws as counts by position: stratum after stratum, as many draws as
// the stratum has lines, each from its stream with bounded_draw. Where the processor
// has AVX-512, eight outputs of the stream are mixed and multiplied at once; eight
// draws of which one might be rejected are taken one by one, so the stream is read
// exactly as the plain loop reads it. A count held in part of a word overflows when
// an increment leaves its bits zero.
#include <algorithm>

#include "evaluate/statistics/bootstrap.h"
#include "evaluate/statistics/drawn.h"
#include "evaluate/statistics/wide.h"

#if TRACER_WIDE
#include <immintrin.h>
#endif

namespace evaluate {
namespace {

#if TRACER_WIDE
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")
// GCC 12's AVX-512 shifts start from an undefined vector, which -Wall reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Adds `unit` to the part of the words within `mask` for each draw; returns whether
// no count overflowed.
bool draw_wide(Splitmix64& rng, std::span<const std::uint32_t> sizes, std::uint32_t* first,
               std::uint32_t unit, std::uint32_t mask) {
  constexpr std::uint32_t kWide = 8;
  // Lane j's output is the (j + 1)-th after the state.
  const __m512i steps = _mm512_mullo_epi64(_mm512_set_epi64(8, 7, 6, 5, 4, 3, 2, 1),
                                           _mm512_set1_epi64(static_cast<long long>(kGoldenGamma)));
  const __m512i mix1 = _mm512_set1_epi64(static_cast<long long>(0xBF58476D1CE4E5B9ull));
  const __m512i mix2 = _mm512_set1_epi64(static_cast<long long>(0x94D049BB133111EBull));
  const __m512i low_half = _mm512_set1_epi64(static_cast<long long>(0xFFFFFFFFull));
  alignas(64) std::uint64_t at[kWide];
  std::uint64_t state = rng.state();
  bool fits = true;
  auto add = [&](std::uint64_t i) { fits &= ((first[i] += unit) & mask) != 0; };
  for (const std::uint32_t n : sizes) {
    const __m512i bound = _mm512_set1_epi64(static_cast<long long>(n));
    std::uint32_t k = 0;
    for (; n - k >= kWide; k += kWide) {
      __m512i z = _mm512_add_epi64(_mm512_set1_epi64(static_cast<long long>(state)), steps);
      z = _mm512_mullo_epi64(_mm512_xor_si512(z, _mm512_srli_epi64(z, 30)), mix1);
      z = _mm512_mullo_epi64(_mm512_xor_si512(z, _mm512_srli_epi64(z, 27)), mix2);
      z = _mm512_xor_si512(z, _mm512_srli_epi64(z, 31));
      // The high 32 bits times the bound; a low half below the bound may be rejected.
      const __m512i product = _mm512_mul_epu32(_mm512_srli_epi64(z, 32), bound);
      if (_mm512_cmplt_epu64_mask(_mm512_and_si512(product, low_half), bound) != 0) {
        Splitmix64 one(state);
        for (std::uint32_t j = 0; j < kWide; ++j) add(bounded_draw(one, n));
        state = one.state();
        continue;
      }
      _mm512_store_si512(at, _mm512_srli_epi64(product, 32));
      for (std::uint32_t j = 0; j < kWide; ++j) add(at[j]);
      state += kWide * kGoldenGamma;
    }
    Splitmix64 rest(state);
    for (; k < n; ++k) add(bounded_draw(rest, n));
    state = rest.state();
    first += n;
  }
  rng = Splitmix64(state);
  return fits;
}
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif

}  // namespace

bool draw_counts(Splitmix64& rng, std::span<const std::uint32_t> sizes,
                 std::vector<std::uint32_t>& drawn, unsigned part, unsigned parts) {
  const Drawn in_part(drawn, part, parts);
  if (part == 0) std::fill(drawn.begin(), drawn.end(), 0u);
  std::uint32_t* first = drawn.data();
  const std::uint32_t unit = std::uint32_t{1} << in_part.shift;
  const std::uint32_t mask = in_part.mask << in_part.shift;
#if TRACER_WIDE
  if (wide_lanes()) return draw_wide(rng, sizes, first, unit, mask);
#endif
  bool fits = true;
  for (const std::uint32_t n : sizes) {
    for (std::uint32_t k = 0; k < n; ++k)
      fits &= ((first[bounded_draw(rng, n)] += unit) & mask) != 0;
    first += n;
  }
  return fits;
}

}  // namespace evaluate

#include "evaluate/statistics/full_lines.h"

#include <algorithm>
#include <type_traits>

#include "evaluate/statistics/drawn.h"
#include "evaluate/statistics/wide.h"

namespace evaluate {
namespace {

using V4d = double __attribute__((vector_size(32)));
using V4l = std::int64_t __attribute__((vector_size(32)));
using V8d = double __attribute__((vector_size(64)));
using V8l = std::int64_t __attribute__((vector_size(64)));
constexpr std::size_t kLanes = 4;       // models to a vector of one resample
constexpr std::size_t kMaxVectors = 2;  // up to 8 models
constexpr std::size_t kCells = 3;

// Built for AVX2 and for any x86-64, chosen at load time; both give the same sums.
// Where the processor has AVX-512, two or four resamples take the wide loop below.
// The sanitizers' builds and clang's (the fuzz targets) take one plain build, and
// the sanitizers' the wide loop too.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
#define TRACER_LANES_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TRACER_LANES_CLONES
#endif

namespace lanes4 {
#include "evaluate/statistics/full_lines_loop.inc"
}  // namespace lanes4

#if TRACER_WIDE
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")
namespace lanes8 {
#include "evaluate/statistics/full_lines_loop.inc"

void add_full_stratum(const LineColumns& in, std::size_t from, std::size_t to, std::size_t k,
                      std::size_t first_cell, std::size_t only, unsigned parts, double* out) {
  if (parts == 4) return sum_stratum_of<4, 2>(in, from, to, k, first_cell, only, out);
  sum_stratum_of<2, 2>(in, from, to, k, first_cell, only, out);
}
}  // namespace lanes8
#pragma GCC pop_options
#endif

}  // namespace

TRACER_LANES_CLONES
void add_full_stratum(const LineColumns& in, std::size_t from, std::size_t to, std::size_t k,
                      std::size_t first_cell, std::size_t only, unsigned parts, double* out) {
#if TRACER_WIDE
  if (parts > 1 && wide_lanes()) {
    return lanes8::add_full_stratum(in, from, to, k, first_cell, only, parts, out);
  }
#endif
  if (parts == 4) return lanes4::sum_stratum_of<4, 1>(in, from, to, k, first_cell, only, out);
  if (parts == 2) return lanes4::sum_stratum_of<2, 1>(in, from, to, k, first_cell, only, out);
  lanes4::sum_stratum_of<1, 1>(in, from, to, k, first_cell, only, out);
}

}  // namespace evaluate

#include "arcstats/sort.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "arcstats/arcstats.h"
#include "arcstats/status.h"

namespace arcstats {
namespace {

template <std::size_t C>
int gap_sort(std::span<float> key, const std::array<std::span<float>, C>& comps, int n) {
  if (n > MAXSORT) return kTooMany;
  if (n <= 0) return kEmpty;
  const auto len = static_cast<std::size_t>(n);
  if (key.size() < len) throw std::length_error("sort: key array shorter than N");
  for (const auto& c : comps) {
    if (c.size() < len) throw std::length_error("sort: companion array shorter than N");
  }
  int status = kDone;
  if (n == 1) return status;

  int gap = n;
  do {
    gap /= 2;
    for (int i = 0; i < n - gap; ++i) {
      int j = i + gap;
      int k = i;
      for (;;) {
        if (key[j] >= key[k]) break;
        status = kReordered;
        std::swap(key[j], key[k]);
        for (const auto& c : comps) std::swap(c[j], c[k]);
        j = k;
        k -= gap;
        if (k < 0) break;
      }
    }
  } while (gap > 1);
  return status;
}

}  // namespace

int sort2(std::span<float> key, std::span<float> comp, int N) {
  return gap_sort<1>(key, {comp}, N);
}

int sort3(std::span<float> key, std::span<float> comp1, std::span<float> comp2,
          std::span<float> comp3, int N) {
  return gap_sort<3>(key, {comp1, comp2, comp3}, N);
}

}  // namespace arcstats

// A stable sort by unsigned integer keys: long lists eight bits at a time from the
// lowest (a counting sort per digit), skipping the digits that every key shares,
// which is several times faster than comparing; short ones by comparing the keys.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace evaluate {

// The key of a value that orders values ascending, -0 with +0 (a value is never NaN).
inline std::uint32_t ascending_key(float value) {
  const std::uint32_t bits = value == 0.0f ? 0u : std::bit_cast<std::uint32_t>(value);
  return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

template <class T, class Key>
void sort_by_key(std::vector<T>& v, Key key) {
  using K = decltype(key(v.front()));
  constexpr std::size_t kShort = std::size_t{1} << 12, kDigits = sizeof(K), kRadix = 256;
  if (v.size() < kShort) {
    std::stable_sort(v.begin(), v.end(), [&](const T& a, const T& b) { return key(a) < key(b); });
    return;
  }
  std::vector<std::array<std::size_t, kRadix>> count(kDigits);
  for (const T& e : v) {
    const K k = key(e);
    for (std::size_t d = 0; d < kDigits; ++d) ++count[d][(k >> (8 * d)) & 0xFFu];
  }
  std::vector<T> other(v.size());
  for (std::size_t d = 0; d < kDigits; ++d) {
    std::array<std::size_t, kRadix>& c = count[d];
    if (std::find(c.begin(), c.end(), v.size()) != c.end()) continue;  // one digit for all
    std::size_t at = 0;
    for (std::size_t& n : c) at += std::exchange(n, at);
    for (const T& e : v) other[c[(key(e) >> (8 * d)) & 0xFFu]++] = e;
    v.swap(other);
  }
}

}  // namespace evaluate

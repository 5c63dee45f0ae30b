// The diminishing-gap exchange sort: order, companions, statuses and the order of ties.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "arcstats/arcstats.h"
#include "arcstats/sort.h"

namespace {

using arcstats::sort2;
using arcstats::sort3;

std::vector<float> tags(int n) {
  std::vector<float> t(static_cast<std::size_t>(n));
  std::iota(t.begin(), t.end(), 0.0f);
  return t;
}

// Distinct keys: the order is fully fixed, so it must equal a stable sort's order,
// and every companion must follow its key.
TEST(ArcstatsSort, DistinctKeysMatchStableSort) {
  std::mt19937 rng(4242);
  std::uniform_real_distribution<float> u(-500.0f, 500.0f);
  const int sizes[] = {2, 3, 4, 5, 7, 8, 16, 31, 64, 100, 199, 200, 201, 1000, 4097};
  for (int n : sizes) {
    for (int rep = 0; rep < 5; ++rep) {
      std::vector<float> key(static_cast<std::size_t>(n));
      for (auto& k : key) k = u(rng);
      std::sort(key.begin(), key.end());
      key.erase(std::unique(key.begin(), key.end()), key.end());
      std::shuffle(key.begin(), key.end(), rng);
      const int m = static_cast<int>(key.size());
      auto c1 = tags(m), c2 = tags(m), c3 = tags(m);
      for (auto& v : c2) v = -v;
      for (auto& v : c3) v = v * 3.0f + 0.5f;

      std::vector<int> want(static_cast<std::size_t>(m));
      std::iota(want.begin(), want.end(), 0);
      std::stable_sort(want.begin(), want.end(), [&](int a, int b) { return key[a] < key[b]; });
      const auto before = key;

      const int st = sort3(key, c1, c2, c3, m);
      EXPECT_EQ(st, std::is_sorted(before.begin(), before.end()) ? 0 : 2);
      for (int i = 0; i < m; ++i) {
        const int src = want[i];
        ASSERT_EQ(key[i], before[src]) << "n=" << m << " i=" << i;
        ASSERT_EQ(c1[i], static_cast<float>(src));
        ASSERT_EQ(c2[i], -static_cast<float>(src));
        ASSERT_EQ(c3[i], static_cast<float>(src) * 3.0f + 0.5f);
      }

      auto k2 = before;
      auto d = tags(m);
      sort2(k2, d, m);
      for (int i = 0; i < m; ++i) ASSERT_EQ(d[i], static_cast<float>(want[i]));
    }
  }
}

TEST(ArcstatsSort, LargestLengthSorts) {
  const int n = arcstats::MAXSORT;
  std::vector<float> key(n), comp(n);
  for (int i = 0; i < n; ++i) {
    key[i] = static_cast<float>((i * 7919) % n);  // a permutation of 0..n-1
    comp[i] = key[i] + 0.5f;
  }
  EXPECT_EQ(sort2(key, comp, n), 2);
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(key[i], static_cast<float>(i));
    ASSERT_EQ(comp[i], static_cast<float>(i) + 0.5f);
  }
}

// Ties, worked by hand through the gap sequence. Companions are letters a, b, ...
struct TieCase {
  const char* name;
  std::vector<float> key;
  std::string order;  // companions after the sort
  int status;
};

TEST(ArcstatsSort, TieOrderWorkedByHand) {
  const TieCase cases[] = {
      // gap 1: (3,1) exchanged, then (3,2) exchanged; 2 stops at 1.
      {"three", {3, 1, 2}, "bca", 2},
      // gap 1 only: an insertion pass, ties stay in input order.
      {"insertion_ties", {2, 1, 1}, "bca", 2},
      // gap 2 moves c before b; the gap-1 pass never exchanges equal keys back.
      {"gap_two_swaps_ties", {2, 1, 1, 0}, "dcba", 2},
      // gap 2 carries e over d and b over a: both tie pairs come out reversed.
      {"two_pairs_reversed", {2, 2, 1, 0, 0}, "edcba", 2},
      // all equal: no comparison exchanges.
      {"all_equal", {5, 5, 5, 5, 5, 5}, "abcdef", 0},
      // already ascending with ties: untouched.
      {"ascending", {-1, 0, 0, 3, 3, 9}, "abcdef", 0},
      // gap 2 then 1, distinct keys sort as usual.
      {"five", {3, 1, 3, 1, 2}, "bdeac", 2},
      {"pair", {2, 1}, "ba", 2},
  };
  for (const auto& c : cases) {
    auto key = c.key;
    const int n = static_cast<int>(key.size());
    std::vector<float> comp(key.size());
    for (int i = 0; i < n; ++i) comp[i] = static_cast<float>('a' + i);
    const int st = sort2(key, comp, n);
    std::string got;
    for (float v : comp) got += static_cast<char>(static_cast<int>(v));
    EXPECT_EQ(got, c.order) << c.name;
    EXPECT_EQ(st, c.status) << c.name;
    EXPECT_TRUE(std::is_sorted(key.begin(), key.end())) << c.name;
  }
}

TEST(ArcstatsSort, StatusesForLengthsOutsideRange) {
  std::vector<float> key = {3, 2, 1}, comp = {7, 8, 9};
  const auto k0 = key, c0 = comp;
  EXPECT_EQ(sort2(key, comp, 0), -5);
  EXPECT_EQ(sort2(key, comp, -3), -5);
  EXPECT_EQ(sort2(key, comp, 1), 0);
  EXPECT_EQ(key, k0);
  EXPECT_EQ(comp, c0);

  // Above the limit: reported before the arrays are looked at.
  std::vector<float> big(arcstats::MAXSORT + 1, 1.0f), big2(big.size(), 2.0f);
  big[0] = 5.0f;
  EXPECT_EQ(sort3(big, big2, big2, big2, arcstats::MAXSORT + 1), -4);
  EXPECT_EQ(big[0], 5.0f);
  EXPECT_EQ(sort2(key, comp, arcstats::MAXSORT + 1), -4);
  EXPECT_EQ(key, k0);
}

TEST(ArcstatsSort, ShortArraysAreRefused) {
  std::vector<float> key = {3, 2, 1}, comp = {7, 8};
  EXPECT_THROW(sort2(key, comp, 3), std::length_error);
  EXPECT_THROW(sort2(comp, key, 3), std::length_error);
  EXPECT_EQ(key, (std::vector<float>{3, 2, 1}));
}

// Companions travel as they are: negative zero and NaN payloads keep their bits.
TEST(ArcstatsSort, CompanionsMoveBitForBit) {
  const std::uint32_t bits[] = {0x80000000u, 0x7fc01234u, 0xff800000u, 0x00000001u};
  std::vector<float> key = {4, 3, 2, 1};
  std::vector<float> c1(4), c2(4), c3(4);
  for (int i = 0; i < 4; ++i) {
    c1[i] = std::bit_cast<float>(bits[i]);
    c2[i] = std::bit_cast<float>(bits[3 - i]);
    c3[i] = static_cast<float>(i);
  }
  EXPECT_EQ(sort3(key, c1, c2, c3, 4), 2);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(c1[i]), bits[3 - i]);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(c2[i]), bits[i]);
    EXPECT_EQ(c3[i], static_cast<float>(3 - i));
  }
}

}  // namespace

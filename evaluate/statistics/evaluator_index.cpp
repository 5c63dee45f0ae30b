// The evaluator's preparation: each line's codes and logarithms, the cells of each
// group and the groups of each cell, the lines ranked by value, and the cells'
// centres. Every part is made in passes over the lines and the cells: a group is
// one of all, a stratum, stable or unstable, so its cells follow from its kind and
// a line is in at most three groups.
#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "evaluate/statistics/evaluator.h"

namespace evaluate {
namespace {

constexpr std::size_t kCells = 3;  // stability classes per stratum

// The starts of lists of the given lengths, and one past the last.
std::vector<std::size_t> starts(const std::vector<std::size_t>& lengths) {
  std::vector<std::size_t> first(lengths.size() + 1, 0);
  for (std::size_t j = 0; j < lengths.size(); ++j) first[j + 1] = first[j] + lengths[j];
  return first;
}

}  // namespace

std::vector<std::size_t> stratum_starts(const Block& block, std::size_t strata) {
  std::vector<std::size_t> length(strata, 0);
  for (const std::uint32_t s : block.stratum) ++length[s];
  return starts(length);
}

std::vector<std::uint32_t> draw_order(const Block& block, std::size_t strata) {
  std::vector<std::size_t> next = stratum_starts(block, strata);
  std::vector<std::uint32_t> order(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) {
    order[next[block.stratum[i]]++] = static_cast<std::uint32_t>(i);
  }
  return order;
}

std::vector<std::uint32_t> draw_positions(const Block& block, std::size_t strata) {
  std::vector<std::size_t> next = stratum_starts(block, strata);
  std::vector<std::uint32_t> position(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) {
    position[i] = static_cast<std::uint32_t>(next[block.stratum[i]]++);
  }
  return position;
}

std::size_t line_cell(const Block& block, std::size_t i) {
  return block.stratum[i] * kCells + static_cast<std::size_t>(stability_of(block.obk[i]));
}

unsigned Evaluator::Prepared::block_valid(std::size_t i, std::size_t k) const {
  unsigned bits = 0;
  for (std::size_t m = 0; m < nm; ++m) {
    if (block->pair_state(i, k, static_cast<int>(m)) == PairState::valid) bits |= 1u << m;
  }
  return bits;
}

// The order of the draws (stratum after stratum, a stratum's lines in line order),
// and by position each line's cell, values, valid models and logarithms; the count
// of the pairs' states per cell.
void Evaluator::Prepared::index_lines() {
  const std::size_t strata = n_cells / kCells;
  stratum_first = stratum_starts(*block, strata);
  const std::vector<std::uint32_t> order = draw_order(*block, strata);  // [p]: the line
  valid.assign(n_lines * nq, 0);
  co.assign(n_lines * nq, 0.0f);
  cp.assign(n_lines * nq * nm, 0.0f);
  ln_co.assign(n_lines * nq, 0.0);
  ln_cp.assign(n_lines * nq * nm, 0.0);
  class_of.resize(n_lines);
  state_counts.assign(n_cells * nq * nm, {});
  partial.assign(n_cells * nq, 0);
  const unsigned every = (1u << nm) - 1;
  // The positions meet the block's lines scattered (a stratum's lines are spread over
  // the file): each line's columns are asked for some lines ahead.
  constexpr std::size_t kAhead = 16;
  for (std::size_t p = 0; p < n_lines; ++p) {
    if (p + kAhead < n_lines) {
      const std::size_t ahead = order[p + kAhead];
      __builtin_prefetch(block->stratum.data() + ahead);
      __builtin_prefetch(block->obk.data() + ahead);
      __builtin_prefetch(block->observed.data() + ahead * nq);
      __builtin_prefetch(block->predicted.data() + ahead * nq * nm);
      __builtin_prefetch(block->state.data() + ahead * nq * nm);
    }
    const std::size_t i = order[p];
    const std::size_t cell = line_cell(*block, i);
    class_of[p] = static_cast<std::uint8_t>(cell % kCells);
    for (std::size_t k = 0; k < nq; ++k) {
      for (std::size_t m = 0; m < nm; ++m) {
        const PairState state = block->pair_state(i, k, static_cast<int>(m));
        ++state_counts[(cell * nq + k) * nm + m][static_cast<std::size_t>(state)];
        const float c = block->cp(i, k, static_cast<int>(m));
        cp[(p * nq + k) * nm + m] = c;
        if (state != PairState::valid) continue;
        valid[p * nq + k] |= static_cast<std::uint8_t>(1u << m);
        const double v = c;
        if (v > 0.0) ln_cp[(p * nq + k) * nm + m] = std::log(v);
      }
      if (valid[p * nq + k] != 0 && valid[p * nq + k] != every) ++partial[cell * nq + k];
      co[p * nq + k] = block->co(i, k);
      const double o = block->co(i, k);
      if (valid[p * nq + k] != 0 && o > 0.0) ln_co[p * nq + k] = std::log(o);
    }
  }
  stratum_class.assign(strata, static_cast<std::uint8_t>(kCells));
  for (std::size_t s = 0; s < strata; ++s) {
    const auto from = class_of.begin() + static_cast<std::ptrdiff_t>(stratum_first[s]);
    const auto to = class_of.begin() + static_cast<std::ptrdiff_t>(stratum_first[s + 1]);
    if (from != to && std::all_of(from, to, [&](std::uint8_t c) { return c == *from; })) {
      stratum_class[s] = *from;
    }
  }
  auto is_rest = [&](std::size_t p) {
    for (std::size_t k = 0; k < nq; ++k) {
      if (valid[p * nq + k] != 0 && valid[p * nq + k] != every) return true;
    }
    return false;
  };
  std::size_t n_rest = 0;
  for (std::size_t p = 0; p < n_lines; ++p) n_rest += is_rest(p) ? 1 : 0;
  rest.reserve(n_rest);
  for (std::size_t p = 0; p < n_lines; ++p) {
    if (is_rest(p)) rest.push_back(static_cast<std::uint32_t>(p));
  }
}

void cells_of_groups(const std::vector<Group>& groups, const std::vector<std::uint8_t>& present,
                     std::vector<std::size_t>& first, std::vector<std::uint32_t>& items) {
  const std::size_t n_cells = present.size();
  first.assign(1, 0);
  items.clear();
  auto take = [&](std::size_t from, std::size_t to, std::size_t step) {
    for (std::size_t c = from; c < to; c += step) {
      if (present[c]) items.push_back(static_cast<std::uint32_t>(c));
    }
  };
  for (const Group& group : groups) {
    switch (group.kind) {
      case GroupKind::all:
        take(0, n_cells, 1);
        break;
      case GroupKind::arc:
      case GroupKind::label:
        take(group.stratum * kCells, std::min(n_cells, (group.stratum + 1) * kCells), 1);
        break;
      case GroupKind::stable:
        take(kStable, n_cells, kCells);
        break;
      case GroupKind::unstable:
        take(kUnstable, n_cells, kCells);
        break;
    }
    first.push_back(items.size());
  }
}

template <class F>
void Evaluator::Prepared::for_each_position(F f) const {
  for (std::size_t s = 0; s + 1 < stratum_first.size(); ++s) {
    for (std::size_t p = stratum_first[s]; p < stratum_first[s + 1]; ++p) {
      f(p, s * kCells + class_of[p]);
    }
  }
}

// Each group's cells, and whether it has a line where some model lacks a pair; the
// groups of each cell.
void Evaluator::Prepared::index_groups(const std::vector<Group>& groups) {
  std::vector<std::uint8_t> present(n_cells, 0);
  for_each_position([&](std::size_t, std::size_t cell) { present[cell] = 1; });
  cells_of_groups(groups, present, group_cells.first, group_cells.items);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    kinds.push_back(groups[g].kind);
    group_stratum.push_back(groups[g].stratum);
    for (std::size_t k = 0; k < nq; ++k) {
      long lines = 0;
      for (std::uint32_t c : group_cells[g]) lines += partial[c * nq + k];
      group_full.push_back(lines == 0 ? 1 : 0);
    }
  }
  std::vector<std::size_t> length(n_cells, 0);
  for (std::uint32_t c : group_cells.items) ++length[c];
  cell_groups.first = starts(length);
  cell_groups.items.resize(group_cells.items.size());
  std::vector<std::size_t> next(cell_groups.first.begin(), cell_groups.first.end() - 1);
  for (std::size_t g = 0; g < n_groups; ++g) {
    for (std::uint32_t c : group_cells[g])
      cell_groups.items[next[c]++] = static_cast<std::uint32_t>(g);
  }
}

// Each model's values of a quantity are sorted once over all lines, the observed
// values once, ties in position order; a stratum's lists keep that order, which is
// line order within a stratum. Over all lines a tie may put a line of a later
// stratum first, which changes no walk: its values are equal, and only the
// stratum's lists are summed in their order with weights. A group of all lines or
// of a stability class walks the lists over all lines, a stratum's group its own.
// The lists hold positions; each pass reads the positions in order.
void Evaluator::Prepared::rank_values() {
  const std::size_t strata = n_cells / kCells;
  std::vector<Ranked> all;
  all.reserve(n_lines);
  // The ranked positions of list j, appended to `lists`; the same stratum by stratum
  // into `by_stratum` at list s * count + j.
  bool narrow = true;                              // every stratum has fewer than 2^16 lines
  std::vector<std::uint32_t> stratum_of(n_lines);  // [p]: its stratum, while the lists are made
  for (std::size_t s = 0; s < strata; ++s) {
    if (stratum_first[s + 1] - stratum_first[s] >= std::size_t{1} << 16) narrow = false;
    std::fill(stratum_of.begin() + static_cast<std::ptrdiff_t>(stratum_first[s]),
              stratum_of.begin() + static_cast<std::ptrdiff_t>(stratum_first[s + 1]),
              static_cast<std::uint32_t>(s));
  }
  auto rank = [&](Lists& lists, StratumLists& by_stratum, std::size_t count, auto value,
                  auto holds) {
    lists.first.assign(1, 0);
    std::vector<std::size_t> length(strata * count, 0);
    std::size_t total = 0;  // held exactly: the lists take several entries a line
    for (std::size_t j = 0; j < count; ++j) {
      for (std::size_t p = 0; p < n_lines; ++p) {
        if (!holds(p, j)) continue;
        ++total;
        ++length[stratum_of[p] * count + j];
      }
    }
    lists.items.reserve(total);
    for (std::size_t j = 0; j < count; ++j) {
      all.clear();
      for (std::size_t p = 0; p < n_lines; ++p) {
        if (holds(p, j)) all.push_back({value(p, j), static_cast<std::uint32_t>(p)});
      }
      sort_ranked(all);  // a Ranked's line is a position here
      for (const Ranked& e : all) lists.items.push_back(e.line);
      lists.first.push_back(lists.items.size());
    }
    auto split = [&](auto& into) {
      into.first = starts(length);
      into.items.resize(lists.items.size());
      std::vector<std::size_t> next(into.first.begin(), into.first.end() - 1);
      for (std::size_t j = 0; j < count; ++j) {
        for (std::uint32_t p : lists[j]) {
          const std::size_t s = stratum_of[p];
          into.items[next[s * count + j]++] =
              static_cast<typename std::decay_t<decltype(into.items)>::value_type>(
                  p - stratum_first[s]);
        }
      }
    };
    if (narrow) {
      split(by_stratum.narrow);
    } else {
      split(by_stratum.wide);
    }
  };
  rank(
      observed, stratum_observed, nq, [&](std::size_t p, std::size_t k) { return co[p * nq + k]; },
      [&](std::size_t p, std::size_t k) { return valid[p * nq + k] != 0; });
  rank(
      predicted, stratum_predicted, nq * nm,
      [&](std::size_t p, std::size_t j) { return cp[p * nq * nm + j]; },
      [&](std::size_t p, std::size_t j) {
        return (valid[p * nq + j / nm] & (1u << (j % nm))) != 0;
      });
}

// A head reaches past where a walk of a group over all lines is expected to end:
// 26 values for the robust highest concentration, and for a percentile p the
// top (1 - p / 100) of the lines, with room for the resamples' spread. A walk that
// goes deeper reads the rest of the list as it stands. Heads are kept short (a
// sixteenth of the list at most): deeper walks gain little from them.
void Evaluator::Prepared::make_heads() {
  constexpr std::size_t kLeast = 1024;  // entries of every head
  const bool walked = std::any_of(kinds.begin(), kinds.end(), [](GroupKind kind) {
    return kind != GroupKind::arc && kind != GroupKind::label;
  });
  heads.first.assign(1, 0);
  for (std::size_t j = 0; j < nq + nq * nm; ++j) {
    const std::size_t k = j < nq ? j : (j - nq) / nm;
    const std::span<const std::uint32_t> list = j < nq ? observed[j] : predicted[j - nq];
    double share = 0;  // of the list a percentile's walk goes down
    if (uncertainty[k] != nullptr) {
      share = std::min(1.0 / 16, 1.1 * (1.0 - uncertainty[k]->percentile / 100.0));
    }
    const std::size_t length =
        walked
            ? std::min(list.size(),
                       kLeast + static_cast<std::size_t>(share * static_cast<double>(list.size())))
            : 0;
    for (std::size_t e = 0; e < length; ++e) {
      const std::uint32_t p = list[e];
      const float value = j < nq ? co[p * nq + k] : cp[(p * nq + k) * nm + (j - nq) % nm];
      heads.items.push_back({value, valid[p * nq + k], class_of[p]});
    }
    heads.first.push_back(heads.items.size());
  }
}

// The cells' centres: the means of each cell's valid pairs of each model.
void Evaluator::Prepared::index_cells() {
  struct Sum {
    double n = 0, co = 0, cp = 0;
  };
  std::vector<Sum> sums(n_cells * nq * nm);
  // A cell's lines are in line order by position too.
  for_each_position([&](std::size_t p, std::size_t cell) {
    for (std::size_t k = 0; k < nq; ++k) {
      for (std::size_t m = 0; m < nm; ++m) {
        if ((valid[p * nq + k] & (1u << m)) == 0) continue;
        Sum& s = sums[(cell * nq + k) * nm + m];
        s.n += 1.0;
        s.co += static_cast<double>(co[p * nq + k]);
        s.cp += static_cast<double>(cp[(p * nq + k) * nm + m]);
      }
    }
  });
  centre.resize(sums.size());
  for (std::size_t j = 0; j < sums.size(); ++j) {
    centre[j] = sums[j].n > 0 ? std::pair{sums[j].co / sums[j].n, sums[j].cp / sums[j].n}
                              : std::pair{0.0, 0.0};
  }
}

}  // namespace evaluate

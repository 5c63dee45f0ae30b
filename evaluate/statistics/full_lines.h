// A resample's sums of the lines where every model's pair is valid, one stratum and
// quantity at a time, the models side by side in the lanes of four-double vectors.
// Each lane sums its model's terms in the order of the lines with the arithmetic of
// one model at a time, so the sums are those of a loop over the models, to the bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace evaluate {

// The values of a block's lines by position, [p * nq + k] and per model
// [(p * nq + k) * nm + m], as the evaluator holds them, and each cell's centre.
struct LineColumns {
  const std::uint32_t* drawn;
  const std::uint8_t* valid;
  const float* co;
  const float* cp;
  const double* ln_co;
  const double* ln_cp;
  const std::uint8_t* class_of;             // [p]: the stability class of its cell
  const std::pair<double, double>* centre;  // [(cell * nq + k) * nm + m]
  std::size_t nq, nm;
};

// The fields of a line's terms: the 10 sums of a pair (n, Co, Cp, (Co - Cp)^2,
// |Co - Cp|, FAC2, positive pairs, ln Co, ln Cp, (ln Co - ln Cp)^2) and the 4
// squares and products about the cell's centre (oo, pp, op, dd).
inline constexpr std::size_t kLineFields = 14;

// For the positions [from, to) of one stratum, whose cells are first_cell to
// first_cell + 2, and quantity k: each line with every model valid, times its count
// in each of the `parts` resamples whose counts the words hold (1, 2 or 4, as
// Drawn), into out[((r * 3 + cls) * nm + m) * kLineFields + field] for resample r
// (cls the cell's stability class); out is overwritten, zeros where a cell has no
// such line. `only` is the class of every line of the stratum, or 3 where they
// differ.
void add_full_stratum(const LineColumns& in, std::size_t from, std::size_t to, std::size_t k,
                      std::size_t first_cell, std::size_t only, unsigned parts, double* out);

}  // namespace evaluate

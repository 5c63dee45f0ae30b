// Ordering of an arc's receptors: a diminishing-gap exchange sort.
//
// The gaps are halved from N (N/2, N/4, ..., 1); each pass walks i upwards and
// sinks entry i+gap while the key before it is strictly larger. Equal keys are
// never exchanged with each other in one comparison, but the sort is not stable:
// ties come out in the order this exact sequence of exchanges leaves them.
// Companion entries travel with their key bit for bit.
//
// Status: kDone (0) no exchange, kReordered (2) at least one exchange, kTooMany
// (-4) N > MAXSORT, kEmpty (-5) N <= 0; N = 1 returns kDone. The arrays are
// untouched in the last three cases. A span shorter than N (with N in 1..MAXSORT)
// is a caller error: std::length_error, nothing moved.
#pragma once

#include <span>

namespace arcstats {

// Sorts key[0..N) ascending, carrying one companion along.
int sort2(std::span<float> key, std::span<float> comp, int N);

// Sorts key[0..N) ascending, carrying three companions along (arc: DEV with
// XREC, YREC, CONC in that order).
int sort3(std::span<float> key, std::span<float> comp1, std::span<float> comp2,
          std::span<float> comp3, int N);

}  // namespace arcstats

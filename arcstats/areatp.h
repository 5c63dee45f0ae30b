// Crosswind integration of an arc's concentration profile.
#pragma once

#include <array>
#include <cstddef>
#include <iosfwd>
#include <span>

#include "arcstats/arcstats.h"

namespace arcstats {

// Area under the crosswind profile of NUM pairs (CONC[i], YLAT[i]) by trapezoids,
// in the concentration unit times metres. Pairs with CONC < 0 are dropped (zero is
// a valid point); the rest are copied to work arrays of NMAX entries, ordered by
// position with sort2 and integrated between the outermost points. IENDS != 0
// adds an end triangle at each end: the end value times half the outermost spacing.
// h, w, p and CY are rounded to float after each interval, each end triangle once,
// and the final sum once. Fewer than three valid pairs: CY = -999.0. The caller's
// arrays are only read.
//
// NUM > NMAX: writes the two list-form lines "Subroutine areatp " and
// "Num = " NUM " nmax = " 200 to `console` and ends the run (records::StopRun,
// status 2); CY is not touched.
void areatp(int NUM, std::span<const float> CONC, std::span<const float> YLAT, float& CY, int IENDS,
            std::ostream& console);

namespace detail {
// The pairs among the first `count` of (CONC[i], YLAT[i]) with CONC >= 0, in their
// order; count is at most NMAX.
struct ValidPairs {
  std::array<float, NMAX> conc;
  std::array<float, NMAX> ylat;
  int n = 0;
};
ValidPairs valid_pairs(std::span<const float> CONC, std::span<const float> YLAT, std::size_t count);

// areatp without the console: returns false (touching nothing) when NUM > NMAX.
bool integrate_profile(int NUM, std::span<const float> CONC, std::span<const float> YLAT, float& CY,
                       int IENDS);
}  // namespace detail

}  // namespace arcstats

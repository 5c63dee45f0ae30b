// Lateral spread of an arc's crosswind profile: the second moment about the centreline.
#pragma once

#include <span>

namespace arcstats {

// Sy = sqrt(sum(CONC*YLAT*YLAT) / sum(CONC)) over the NUSED pairs, no mean
// subtracted (the positions are already centred on the centreline). Both sums are
// rounded to float after each pair, Sy once. NUSED <= 2: Sy = -999.0 and
// IERR = -2; otherwise IERR = 0. The arrays hold at least NUSED entries
// (std::length_error otherwise, nothing set).
void sysm(int NUSED, std::span<const float> CONC, std::span<const float> YLAT, float& Sy,
          int& IERR);

}  // namespace arcstats

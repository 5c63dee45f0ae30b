// The geometry step of an arc fit: bearings, centroid, centreline, deviations.
#pragma once

#include <span>

#include "arcstats/arcstats.h"

namespace arcstats {

// For the NUM receptors of an arc (spans of at least NUM entries; DEV a work array):
//  - NUM > NMAX: IERR = -4, report(NUM) gives the arc-size lines, nothing else set.
//  - OMAX = the largest CONC (start -99999.0); ANG[i] = bearing of receptor i.
//  - Centroid XC, YC, distance sum and NPOS over the receptors with CONC > 0, each
//    sum rounded to float after each receptor. NPOS <= 2: IERR = -2 and return with
//    XC, YC the unweighted sums; DEV, RMEAN, PHIC and the order untouched.
//  - PHIC = bearing of the centroid; RMEAN = mean distance of those receptors;
//    DEV[i] = ANG[i] - PHIC folded into [-180, 180]; the concentration-weighted mean
//    deviation DBAR is added to PHIC (no reduction: PHIC may pass 360) and taken
//    from every DEV.
//  - sort3 orders DEV ascending carrying XREC, YREC, CONC; IERR = its status (0/2);
//    then ANG[i] = DEV[i] + PHIC in the new order.
// A span shorter than NUM (NUM <= NMAX) throws std::length_error before anything is set.
void arc(int NUM, std::span<float> CONC, std::span<float> XREC, std::span<float> YREC,
         std::span<float> ANG, std::span<float> DEV, int& NPOS, float& XC, float& YC, float& PHIC,
         float& RMEAN, float& OMAX, int& IERR, const SourceSetting& src,
         const ArcSizeReport& report);

}  // namespace arcstats

// Arc statistics: the plume fit of one sampling arc.
//
// bstfit() takes the receptors of one arc (concentration and plane coordinates),
// reorders them in place by angular deviation from the plume centreline and
// returns OMAX, CMAX, Sy, CY, RMEAN, PHIC, NUSED and a status. Every stored
// quantity is rounded to float where the arc method names it. Outputs a failing
// call does not reach keep the caller's values.
#pragma once

#include <functional>
#include <span>

namespace arcstats {

inline constexpr float PI = 3.14159f;
inline constexpr float RAD2DEG = static_cast<float>(180.0 / static_cast<double>(PI));
inline constexpr int NMAX = 200;
inline constexpr int MAXSORT = 50000;

// Release point and coordinate unit of the arc (set by the host program).
struct SourceSetting {
  float DISTFAC = 1000.0f;  // metres per coordinate unit
  float XSRC = 0.0f;
  float YSRC = 0.0f;
};

// Results of one fit. Fields a failing call does not set keep their values.
struct FitResults {
  float OMAX = 0.0f;
  float CMAX = 0.0f;
  float Sy = 0.0f;
  float CY = 0.0f;
  float RMEAN = 0.0f;
  float PHIC = 0.0f;
  int NUSED = 0;
  int IERR = 0;  // 0 done; -2 too few values; -4 NUM above NMAX
};

// Receives the two arc-size lines when an arc holds more than NMAX receptors; the
// host writes them in its own wording to its report.
using ArcSizeReport = std::function<void(int NUM)>;

// Bearing of (x, y) from the release point, degrees clockwise from north, in (0, 360].
float bearing(float x, float y, const SourceSetting& src);

// Fits one arc of NUM receptors. CONC, XREC, YREC hold at least min(NUM, NMAX)
// entries and are reordered in place; YLAT and ANG receive per-receptor values
// (at least min(NUM, NMAX) entries). NUM > NMAX: status -4, report(NUM) is called,
// nothing else is touched. A span shorter than NUM (NUM <= NMAX) is a caller error:
// std::length_error before anything is touched. The routines behind it: arcstats/arc.h,
// sysm.h, areatp.h, sort.h.
void bstfit(int NUM, std::span<float> CONC, std::span<float> XREC, std::span<float> YREC,
            std::span<float> YLAT, std::span<float> ANG, FitResults& out, const SourceSetting& src,
            const ArcSizeReport& report);

}  // namespace arcstats

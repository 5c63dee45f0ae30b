// Status values of the arc statistics routines.
#pragma once

namespace arcstats {

inline constexpr int kDone = 0;       // done, nothing reordered
inline constexpr int kReordered = 2;  // done; the sort exchanged at least one pair
inline constexpr int kTooFew = -2;    // too few values to form the result
inline constexpr int kTooMany = -4;   // more values than the routine accepts
inline constexpr int kEmpty = -5;     // no values at all (sort length zero or less)

}  // namespace arcstats

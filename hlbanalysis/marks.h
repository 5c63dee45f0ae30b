// Missing-value marks of the report columns that a fit did not form.
#pragma once

namespace hlbanalysis {

inline constexpr float kNoDistance = -999.0f;   // Dist (RMEAN)
inline constexpr float kNoSpread = -999.0f;     // Sy, CY
inline constexpr float kNoDirection = -999.0f;  // PHIC
inline constexpr float kNoPeak = -99.0f;        // CMAX, CMAX/Q, CY/Q

}  // namespace hlbanalysis

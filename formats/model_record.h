// A model results record (ISCST3 or AERMOD, 80 columns as the combined table
// carries it): read by TLVCombineAll for its join keys and CY1/Q, and by tlvstats,
// within the combined table, for the two predicted values.
#pragma once

#include <string_view>

namespace formats {

// The join keys: the date-hour key YYMMDDHH and the receptor distance (m).
inline constexpr std::string_view kModelRecordKeys = "(3x,a8,4x,f9.3)";

// The predicted values, each read from its own columns: Cmax/Q (record columns
// 25-36) and CY1/Q (record columns 55-64), both over the emission rate.
inline constexpr std::string_view kModelRecordCmaxQ = "(t25,g12.0)";
inline constexpr std::string_view kModelRecordCy1Q = "(t55,g10.0)";

}  // namespace formats

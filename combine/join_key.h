// The join key of an observed arc or a model record: the eight-character
// date-hour key YYMMDDHH, compared as text, and the whole-kilometre distance.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "combine/formats.h"
#include "records/records.h"

namespace combine {

struct JoinKey {
  std::array<char, 8> hour{};  // YYMMDDHH exactly as written, blanks included
  float whole_km = 0.0f;       // distance in km truncated toward zero
  friend bool operator==(const JoinKey&, const JoinKey&) = default;
};

struct JoinKeyHash {
  std::size_t operator()(const JoinKey& key) const noexcept;
};

// A distance in km truncated toward zero (2.99 gives 2, -0.5 gives 0). Kept as a
// real so that distances beyond the integer range still compare exactly; a zero
// is always +0 so that equal keys hash alike.
float whole_km(float km);

// Keys of an observed line (180-column text): columns 11-18 and the arc distance
// of columns 43-47 (km). A bad arc field throws the reading failure at `origin`.
JoinKey read_observed_key(const Layouts& layouts, std::string_view line,
                          const records::Origin& origin);

// Keys of a model record (80-column text): columns 4-11 and the receptor distance
// of columns 16-24 (m) divided by 1000. A bad distance field throws the reading
// failure at `origin`.
JoinKey read_model_key(const Layouts& layouts, std::string_view record,
                       const records::Origin& origin);

}  // namespace combine

#include "combine/join_key.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace combine {

std::size_t JoinKeyHash::operator()(const JoinKey& key) const noexcept {
  std::uint64_t hour = 0;
  std::memcpy(&hour, key.hour.data(), sizeof hour);
  const std::uint64_t km = std::bit_cast<std::uint32_t>(key.whole_km);
  std::uint64_t h = hour * 0x9E3779B97F4A7C15ULL ^ (km + 0x632BE59BD9B4E019ULL);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ULL;
  h ^= h >> 32;
  return static_cast<std::size_t>(h);
}

float whole_km(float km) {
  // Adding +0 turns the -0 of a small negative distance into +0.
  return std::trunc(km) + 0.0f;
}

namespace {

JoinKey make_key(const std::string& hour, float km) {
  JoinKey key;
  std::memcpy(key.hour.data(), hour.data(), key.hour.size());
  key.whole_km = whole_km(km);
  return key;
}

// The date-hour key and the distance that `keys` reads from `record`, the distance
// given in `units_per_km` (an exact 1 keeps it as read).
JoinKey read_key(const records::Layout& keys, std::string_view record,
                 const records::Origin& origin, std::string_view distance_field,
                 double units_per_km) {
  std::string hour(8, ' ');
  float distance = 0.0f;
  records::read_text(keys, record, {records::text(hour), &distance}, origin,
                     {"date-hour key", distance_field});
  return make_key(hour, static_cast<float>(static_cast<double>(distance) / units_per_km));
}

}  // namespace

JoinKey read_observed_key(const Layouts& layouts, std::string_view line,
                          const records::Origin& origin) {
  return read_key(layouts.observed_keys, line, origin, "arc distance", 1.0);
}

JoinKey read_model_key(const Layouts& layouts, std::string_view record,
                       const records::Origin& origin) {
  return read_key(layouts.model_keys, record, origin, "receptor distance", 1000.0);
}

}  // namespace combine

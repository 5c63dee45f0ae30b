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

}  // namespace

JoinKey read_observed_key(const Layouts& layouts, std::string_view line,
                          const records::Origin& origin) {
  std::string hour(8, ' ');
  float arc = 0.0f;
  records::read_text(layouts.observed_keys, line, {records::text(hour), &arc}, origin,
                     {"date-hour key", "arc distance"});
  return make_key(hour, arc);
}

JoinKey read_model_key(const Layouts& layouts, std::string_view record,
                       const records::Origin& origin) {
  std::string hour(8, ' ');
  float metres = 0.0f;
  records::read_text(layouts.model_keys, record, {records::text(hour), &metres}, origin,
                     {"date-hour key", "receptor distance"});
  const float km = static_cast<float>(static_cast<double>(metres) / 1000.0);
  return make_key(hour, km);
}

}  // namespace combine

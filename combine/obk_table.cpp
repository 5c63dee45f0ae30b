#include "combine/obk_table.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace combine {

namespace {
// The table's dimensions, in the order of its index: years from 1980, months,
// days and hours (each from 1).
constexpr int kFirstYear = 80;
constexpr std::array<int, 4> kExtent{2, 12, 31, 24};
constexpr int kSlots = kExtent[0] * kExtent[1] * kExtent[2] * kExtent[3];
}  // namespace

ObkTable::ObkTable() : lengths_(kSlots, kMissing) {}

int ObkTable::slot(int year, int month, int day, int hour) {
  // Widened, so that no value read can overflow on the way.
  const std::array<std::int64_t, 4> index{std::int64_t{year} - kFirstYear, std::int64_t{month} - 1,
                                          std::int64_t{day} - 1, std::int64_t{hour} - 1};
  int slot = 0;
  for (std::size_t i = 0; i < index.size(); ++i) {
    if (index[i] < 0 || index[i] >= kExtent[i]) return -1;
    slot = slot * kExtent[i] + static_cast<int>(index[i]);
  }
  return slot;
}

void ObkTable::load(records::InputFile& surface, const Layouts& layouts) {
  surface.skip();
  int year = 0, month = 0, day = 0, day_of_year = 0, hour = 0;
  float length = 0.0f;
  while (surface.read_or_eof(
      layouts.surface, {&year, &month, &day, &day_of_year, &hour, &length},
      {"year", "month", "day", "day of year", "hour", "Monin-Obukhov length"})) {
    if (const int s = slot(year, month, day, hour); s >= 0) lengths_[s] = length;
  }
}

float ObkTable::at(int year, int month, int day, int hour) const {
  const int s = slot(year, month, day, hour);
  return s < 0 ? kMissing : lengths_[s];
}

}  // namespace combine

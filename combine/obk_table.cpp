#include "combine/obk_table.h"

namespace combine {

namespace {
constexpr int kFirstYear = 80;
constexpr int kYears = 2;
constexpr int kMonths = 12;
constexpr int kDays = 31;
constexpr int kHours = 24;
}  // namespace

ObkTable::ObkTable() : lengths_(kYears * kMonths * kDays * kHours, kMissing) {}

int ObkTable::slot(int year, int month, int day, int hour) {
  const int y = year - kFirstYear;
  if (y < 0 || y >= kYears || month < 1 || month > kMonths || day < 1 || day > kDays || hour < 1 ||
      hour > kHours) {
    return -1;
  }
  return ((y * kMonths + (month - 1)) * kDays + (day - 1)) * kHours + (hour - 1);
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

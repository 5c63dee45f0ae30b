#include "tlvanalysis/qc_table.h"

#include <cstddef>
#include <optional>

#include "records/records.h"
#include "tlvanalysis/arc_bands.h"

namespace tlvanalysis {
namespace {

constexpr int kFirstYear = 80, kYears = 2;
constexpr int kMonths = 12, kDays = 31, kHours = 24, kArcSlots = 13;
constexpr std::size_t kEntries = std::size_t{kYears} * kMonths * kDays * kHours * kArcSlots;

// Position of an entry, or nothing when a key lies outside its range.
std::optional<std::size_t> entry(int year, int month, int day, int hour, int iarc) {
  const int y = year - kFirstYear;
  if (y < 0 || y >= kYears || month < 1 || month > kMonths || day < 1 || day > kDays || hour < 0 ||
      hour >= kHours || iarc < 1 || iarc > kArcSlots) {
    return std::nullopt;
  }
  std::size_t at = static_cast<std::size_t>(y);
  at = at * kMonths + static_cast<std::size_t>(month - 1);
  at = at * kDays + static_cast<std::size_t>(day - 1);
  at = at * kHours + static_cast<std::size_t>(hour);
  return at * kArcSlots + static_cast<std::size_t>(iarc - 1);
}

}  // namespace

QcTable::QcTable() : flags_(kEntries, 0) {}

void QcTable::store(int year, int month, int day, int hour, int iarc, int flag) {
  if (auto at = entry(year, month, day, hour, iarc)) flags_[*at] = flag;
}

int QcTable::flag(int year, int month, int day, int hour, int iarc) const {
  auto at = entry(year, month, day, hour, iarc);
  return at ? flags_[*at] : 0;
}

void fetchqc(const std::filesystem::path& dir, QcTable& table) {
  const records::Layout hour_record("(t3,i2,1x,i2,1x,i2,t20,i2,t42,f4.1,t88,i1)");
  records::InputFile file = records::InputFile::open(dir, kQcFileName);
  for (int i = 0; i < kQcHeaderRecords; ++i) file.skip();
  int year = 0, month = 0, day = 0, hour = 0, flag = 0;
  float distance = 0.0f;
  while (file.read_or_eof(hour_record, {&year, &month, &day, &hour, &distance, &flag},
                          {"year", "month", "day", "hour", "arc distance", "quality flag"})) {
    table.store(year, month, day, hour, definearc(distance), flag);
  }
  file.close();
}

}  // namespace tlvanalysis

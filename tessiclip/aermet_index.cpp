#include "tessiclip/aermet_index.h"

#include <algorithm>
#include <cstdint>

namespace tessiclip {

std::size_t HourKeyHash::operator()(const HourKey& k) const noexcept {
  std::uint64_t h = static_cast<std::uint32_t>(k.year);
  h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(k.month);
  h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(k.day);
  h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(k.hour);
  return static_cast<std::size_t>(h ^ (h >> 29));
}

AermetRecords::AermetRecords(records::InputFile& file, std::string_view key_layout)
    : file_(file.name()), first_line_(file.line() + 1), key_layout_(key_layout) {
  starts_.push_back(0);
  std::string_view record;
  while (file.next(record)) {
    // Nothing past column 165 is ever read or copied.
    data_.append(record.substr(0, std::min(record.size(), kRecordWidth)));
    starts_.push_back(data_.size());
  }
}

std::string AermetRecords::text(std::size_t i) const {
  std::string buffer(kRecordWidth, ' ');
  data_.copy(buffer.data(), starts_[i + 1] - starts_[i], starts_[i]);
  return buffer;
}

records::Origin AermetRecords::origin(std::size_t i) const {
  return records::Origin{file_, first_line_ + static_cast<long>(i)};
}

void AermetRecords::convert_next() {
  const std::size_t i = keys_.size();
  const std::string_view record(data_.data() + starts_[i], starts_[i + 1] - starts_[i]);
  HourKey k;
  // The keys are read from the record buffer; a short record reads as padded.
  records::read_text(key_layout_, record, {&k.year, &k.month, &k.day, &k.hour}, origin(i),
                     {"year", "month", "day", "hour"});
  keys_.push_back(k);
  first_of_.try_emplace(k, i);  // only the first record of a key is ever used
}

const HourKey& AermetRecords::key(std::size_t i) {
  while (keys_.size() <= i) convert_next();
  return keys_[i];
}

std::optional<std::size_t> AermetRecords::find_first(const HourKey& wanted) {
  // Every record before the conversion front has been read and holds a good key,
  // so a key found there is the first of the file.
  if (auto it = first_of_.find(wanted); it != first_of_.end()) return it->second;
  // Otherwise a scan from the top would pass the whole converted front and go on.
  while (keys_.size() < size()) {
    convert_next();
    if (keys_.back() == wanted) return keys_.size() - 1;
  }
  return std::nullopt;
}

int searchprof(AermetRecords& profile, const HourKey& wanted, std::string& profile_buffer) {
  const auto found = profile.find_first(wanted);
  if (!found) return -1;
  profile_buffer = profile.text(*found);
  return 0;
}

}  // namespace tessiclip

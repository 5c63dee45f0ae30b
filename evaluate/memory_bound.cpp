#include "evaluate/memory_bound.h"

#include <unistd.h>

#include <charconv>
#include <fstream>
#include <string>

namespace evaluate {
namespace {

// The whole number at the start of the first line of `path`; none for "max", a
// missing file or anything else.
std::optional<std::uint64_t> number_in(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  std::uint64_t value = 0;
  const auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (ec != std::errc() || ptr == line.data()) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> cgroup_limit() {
  if (auto v2 = number_in("/sys/fs/cgroup/memory.max")) return v2;
  return number_in("/sys/fs/cgroup/memory/memory.limit_in_bytes");
}

std::optional<double> physical_memory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page <= 0) return std::nullopt;
  return static_cast<double>(pages) * static_cast<double>(page);
}

}  // namespace

std::optional<std::uint64_t> byte_count(std::string_view text) {
  constexpr std::string_view kSuffixes = "KkMmGg";  // 1024, 1024^2, 1024^3
  std::uint64_t unit = 1;
  if (const std::size_t at = text.empty() ? std::string_view::npos : kSuffixes.find(text.back());
      at != std::string_view::npos) {
    unit = std::uint64_t{1} << (10 * (at / 2 + 1));
    text.remove_suffix(1);
  }
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value == 0) return std::nullopt;
  if (value > UINT64_MAX / unit) return std::nullopt;
  return value * unit;
}

MemoryBound system_memory_bound() {
  const std::optional<double> physical = physical_memory();
  if (const auto limit = cgroup_limit()) {
    const auto bytes = static_cast<double>(*limit);
    if (!physical || bytes < *physical) return {bytes, "cgroup memory limit"};
  }
  if (physical) return {*physical, "physical memory"};
  return {};
}

}  // namespace evaluate

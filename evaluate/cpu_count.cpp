#include "evaluate/cpu_count.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <string>

namespace evaluate {
namespace {

// The first line of `path`; empty if it cannot be read.
std::string first_line(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}

// A whole number, all of `text`.
std::optional<std::int64_t> number(std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// ceil(quota / period), at least 1; none unless both are above 0.
std::optional<int> cpus_of(std::optional<std::int64_t> quota, std::optional<std::int64_t> period) {
  if (!quota || !period || *quota <= 0 || *period <= 0) return std::nullopt;
  const std::int64_t cpus = (*quota + *period - 1) / *period;
  return static_cast<int>(std::clamp<std::int64_t>(cpus, 1, 1 << 20));
}

int affinity_cpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return std::max(1, CPU_COUNT(&set));
}

}  // namespace

std::optional<int> quota_cpus(std::string_view cpu_max) {
  while (!cpu_max.empty() && (cpu_max.back() == '\n' || cpu_max.back() == ' ')) {
    cpu_max.remove_suffix(1);
  }
  const std::size_t space = cpu_max.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  return cpus_of(number(cpu_max.substr(0, space)), number(cpu_max.substr(space + 1)));
}

int default_threads(int most) {
  int cpus = affinity_cpus();
  std::optional<int> quota = quota_cpus(first_line("/sys/fs/cgroup/cpu.max"));
  if (!quota) {
    quota = cpus_of(number(first_line("/sys/fs/cgroup/cpu/cpu.cfs_quota_us")),
                    number(first_line("/sys/fs/cgroup/cpu/cpu.cfs_period_us")));
  }
  if (quota) cpus = std::min(cpus, *quota);
  return std::clamp(cpus, 1, std::max(most, 1));
}

}  // namespace evaluate

// The memory a tlvstats run may hold: --max-memory BYTES as given, or else the
// cgroup memory limit of the process, or else the physical memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "evaluate/statistics/bootstrap.h"

namespace evaluate {

// A --max-memory value: a whole number of bytes above 0, all of `text`, optionally
// followed by K, M or G (either case; 1024, 1024^2, 1024^3); none when it is not one
// or exceeds 2^64 - 1 bytes.
std::optional<std::uint64_t> byte_count(std::string_view text);

// The cgroup memory limit (cgroup v2 /sys/fs/cgroup/memory.max, else v1
// /sys/fs/cgroup/memory/memory.limit_in_bytes; "max" is none) if it is below the
// physical memory, else the physical memory; no bound if neither is known.
MemoryBound system_memory_bound();

}  // namespace evaluate

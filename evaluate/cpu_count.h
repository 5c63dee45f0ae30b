// The threads a tlvstats run takes by default: the CPUs the process may run on
// (its affinity mask), capped by its cgroup CPU quota.
#pragma once

#include <optional>
#include <string_view>

namespace evaluate {

// The CPUs of a cgroup quota: ceil(quota / period), at least 1, from the text of
// cgroup v2's cpu.max ("QUOTA PERIOD", or "max PERIOD": none); none for anything
// else.
std::optional<int> quota_cpus(std::string_view cpu_max);

// The CPUs of the affinity mask (sched_getaffinity; 1 if unknown), capped by the
// cgroup quota (v2 /sys/fs/cgroup/cpu.max, else v1 cpu.cfs_quota_us over
// cpu.cfs_period_us in /sys/fs/cgroup/cpu; a quota of -1 none), at most `most`.
int default_threads(int most);

}  // namespace evaluate

#include "evaluate/statistics/wide.h"

namespace evaluate {

bool wide_lanes() {
#if TRACER_WIDE
  static const bool wide =
      __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0;
  return wide;
#else
  return false;
#endif
}

}  // namespace evaluate

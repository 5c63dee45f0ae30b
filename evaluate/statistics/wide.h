// The loops built for processors with AVX-512 (x86-64 builds by GCC): whether this
// build has them, and whether the processor runs them. A wide loop gives the same
// results, to the bit, as the plain loop it stands in for.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TRACER_WIDE 1
#else
#define TRACER_WIDE 0
#endif

namespace evaluate {

// True where this build has the wide loops and the processor has AVX-512 F and DQ.
bool wide_lanes();

}  // namespace evaluate

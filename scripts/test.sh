#!/usr/bin/env bash
# Builds and runs every test: the normal build (warnings as errors, benchmarks
# built too), then the same tests under AddressSanitizer +
# UndefinedBehaviorSanitizer, then every fuzz target briefly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}

echo "== normal build and tests"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DTRACER_WERROR=ON \
  -DTRACER_BENCHMARKS=ON
cmake --build "$root/build/release" -j"$jobs"
ctest --test-dir "$root/build/release" --output-on-failure -j"$jobs"

echo "== sanitizer build and tests (address, undefined)"
cmake -S "$root" -B "$root/build/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACER_SANITIZE=ON \
  -DTRACER_WERROR=ON -DTRACER_BENCHMARKS=OFF
cmake --build "$root/build/asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build/asan" --output-on-failure -j"$jobs"

echo "== main job on the example study"
BUILD_DIR="$root/build/release" "$root/scripts/run-example.sh" >/dev/null
echo "example chain ran"

echo "== fuzz targets (clang++, libFuzzer + address, undefined), about a minute each"
"$root/scripts/fuzz.sh" --seconds "${FUZZ_SECONDS:-60}" --parallel "$jobs"

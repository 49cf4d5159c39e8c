#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: packages, the normal build and its
# tests, the sanitizer build (ASan + UBSan) and its tests, and a short bounded fuzz run.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTREVIK_SANITIZE=ON -DTREVIK_WITH_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
leaks="suppressions=$(pwd)/scripts/lsan-suppressions.txt:fast_unwind_on_malloc=0"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS="$leaks" \
   ctest --output-on-failure -j"$jobs" -L 'sanitize')

echo "== fuzz run"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

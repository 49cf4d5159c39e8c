#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: packages, the normal build and its
# tests, the sanitizer build (ASan + UBSan) and its tests, a short bounded fuzz run, and the
# Windows build (mingw-w64, against the Windows kit, built once into ~/.cache/trevik: about half
# an hour the first time) with its tests under Wine. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh
# Rebuilds of unchanged sources come from ccache's cache (outside the repository).
launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTREVIK_SANITIZE=ON -DTREVIK_WITH_BENCHMARKS=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$jobs"
leaks="suppressions=$(pwd)/scripts/lsan-suppressions.txt:fast_unwind_on_malloc=0"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS="$leaks" \
   ctest --output-on-failure -j"$jobs" -L 'sanitize')

echo "== fuzz run"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== Windows build and its tests under Wine"
# The tests that load into a switch stand the Linux build's simulator behind a Wine port.
TREVIK_LINUX_SIM=build/bin/kmswitch-sim bash scripts/build-windows.sh --test

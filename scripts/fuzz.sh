#!/usr/bin/env bash
# A bounded libFuzzer run of convert_d with ASan + UBSan. Argument: seconds (default 60).
# Skipped with a note when clang is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: fuzz run skipped"
  exit 0
fi
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTREVIK_FUZZ=ON -DTREVIK_WITH_LOADER=OFF -DTREVIK_WITH_TESTS=OFF -DTREVIK_WITH_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target fuzz_convert -j"$(nproc 2>/dev/null || echo 2)"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp examples/*.kmc converter/tests/fixtures/*.kmc "$corpus"/ 2>/dev/null || true
build-fuzz/bin/fuzz_convert -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  -dict=converter/fuzz/kmc.dict "$corpus"

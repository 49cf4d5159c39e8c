#!/usr/bin/env bash
# Builds Trevik for Windows on this Linux machine, with mingw-w64 against the Windows kit
# (scripts/install-windows-kit.sh), and leaves:
#   build-windows/dist/                      the programs, zentrix.dll, Qt's DLLs and platform plugin
#                                            and the compiler's runtime: a folder that runs as it is
#   build-windows/trevik-<version>-win64.zip that folder, packed
#   build-windows/i686/                      zentrix.dll and kmcconv.exe for 32-bit callers
#
#   bash scripts/build-windows.sh [--test]   --test also runs both builds' tests under Wine
#
# TREVIK_LINUX_SIM names a Linux build's kmswitch-sim: the tests that load into a switch behind
# a Wine port need it (scripts/run-tests.sh passes it).
# TREVIK_WINDOWS_KIT names a kit folder made already (the script then does not call the kit's
# installer); the 32-bit kit is the "mingw32" folder beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
run_tests=0
[ "${1:-}" = --test ] && run_tests=1
started=$(date +%s)
say() { echo "build-windows: $*" >&2; }

kit=${TREVIK_WINDOWS_KIT:-$(bash scripts/install-windows-kit.sh | tail -n1)}
kit32=$(dirname "$kit")/mingw32
[ -d "$kit/lib/cmake/Qt5" ] || { say "no Qt kit in $kit"; exit 1; }

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc 2>/dev/null || echo 2)

say "64-bit: everything, into build-windows"
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
      -DTREVIK_WINDOWS_KIT="$kit" "${launcher[@]}" \
      ${TREVIK_LINUX_SIM:+-DTREVIK_LINUX_SIM="$(realpath "$TREVIK_LINUX_SIM")"} >/dev/null
# The shipped folder first: a test program elsewhere that does not build must not hold it up;
# the script still fails at the end when anything did not build.
cmake --build build-windows -j"$jobs" --target dist
build_failed=0
cmake --build build-windows -j"$jobs" -- -k 0 || build_failed=1

say "32-bit: the conversion library and kmcconv, into build-windows/i686"
cmake -S . -B build-windows/i686-build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-i686.cmake" \
      -DTREVIK_WINDOWS_KIT="$kit32" -DTREVIK_WITH_LOADER=OFF -DTREVIK_WITH_BENCHMARKS=OFF \
      "${launcher[@]}" >/dev/null
cmake --build build-windows/i686-build -j"$jobs"
rm -rf build-windows/i686
mkdir -p build-windows/i686
cp build-windows/i686-build/bin/zentrix.dll build-windows/i686-build/bin/kmcconv.exe build-windows/i686/
# What is handed out carries no debugging information (the build folder's copies keep it).
i686-w64-mingw32-strip --strip-debug build-windows/i686/zentrix.dll build-windows/i686/kmcconv.exe

if [ "$run_tests" = 1 ]; then
  say "tests under Wine (64-bit, then 32-bit)"
  for build in build-windows build-windows/i686-build; do
    # Each build's Wine prefix is made once, before the tests start side by side.
    "$build/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
    # Wine ties a session's desktop to the display its first program found: every program of
    # the run shares one private X display, present before the first of them starts, and no
    # session outlives it. The session starts once, before the tests start side by side (programs
    # that start a session at the same moment can fail with nothing said).
    WINEPREFIX="$PWD/$build/wine-prefix" wineserver -k >/dev/null 2>&1 || true
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "'$build/wine-run' cmd /c exit 0 >/dev/null 2>&1;
      cd '$build' && ctest --output-on-failure --timeout 600 -j$jobs" || build_failed=1
    WINEPREFIX="$PWD/$build/wine-prefix" wineserver -k >/dev/null 2>&1 || true
  done
fi

zip=$(ls build-windows/trevik-*-win64.zip)
if [ "$build_failed" = 1 ]; then
  say "some targets did not build or some tests failed (see above); the shipped folder is complete"
  exit 1
fi
say "done in $(( $(date +%s) - started )) s: build-windows/dist ($(find build-windows/dist -type f | wc -l) files), $zip ($(du -k "$zip" | cut -f1) KiB), build-windows/i686"

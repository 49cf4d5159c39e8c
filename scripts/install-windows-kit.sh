#!/usr/bin/env bash
# The Windows kit, from Debian's packages only: mingw-w64 (x86_64 and i686, posix threads),
# Wine (64- and 32-bit), and, built once per machine into a cache outside the repository,
# Qt 5 qtbase for mingw from Debian's own source package plus GoogleTest and Google Benchmark
# for both Windows targets. A later run finds the cache and returns in seconds.
#
#   bash scripts/install-windows-kit.sh        prints the kit's folder on its last line
#
# The cache is $TREVIK_KIT_CACHE, else ~/.cache/trevik. A kit whose recipe changed is rebuilt.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${TREVIK_KIT_CACHE:-$HOME/.cache/trevik}
jobs=$(nproc 2>/dev/null || echo 2)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
started=$(date +%s)
say() { echo "windows kit: $*" >&2; }

# --- Debian packages -------------------------------------------------------------------------
packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
  wine wine64 wine32:i386
  googletest dpkg-dev cmake ninja-build xvfb xauth
)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture (32-bit Wine runs the 32-bit library's tests)"
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  need_update=0
fi
# The posix flavour of the compilers: std::thread and std::mutex need it.
for target in x86_64 i686; do
  for tool in gcc g++; do
    $SUDO update-alternatives --set "$target-w64-mingw32-$tool" "/usr/bin/$target-w64-mingw32-$tool-posix" >/dev/null
  done
done

# --- the kit recipe ---------------------------------------------------------------------------
qt_configure=(
  -opensource -confirm-license -release -shared
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
  # Debian's source drops the tablet header the Windows platform plugin would need.
  -no-feature-tabletevent
  -no-opengl -no-dbus -no-icu -no-pch
  # Debian's source also drops the bundled SQLite; nothing here uses Qt SQL.
  -no-sql-sqlite
  -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
  -nomake examples -nomake tests
)
# A change of Qt's options rebuilds Qt; a change of the test libraries' part rebuilds only them.
qt_recipe=$(printf '%s\n' "${qt_configure[@]}" | md5sum | cut -c1-12)
libs_recipe=$(sed -n '/^# --- GoogleTest/,$p' "$0" | cat - cmake/toolchains/*.cmake | md5sum | cut -c1-12)

qt_version=$(apt-cache show --no-all-versions qtbase5-dev 2>/dev/null | sed -n 's/^Version: \([0-9.]*\).*/\1/p' | head -n1)
qt_version=${qt_version:-5.15.8}
kit="$cache/qt-$qt_version-mingw64"
kit32="$cache/mingw32"
stamp_is() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }
if stamp_is "$kit/.trevik-qt" "$qt_recipe" && stamp_is "$kit/.trevik-libs" "$libs_recipe" \
   && stamp_is "$kit32/.trevik-libs" "$libs_recipe"; then
  say "cached in $kit ($(( $(date +%s) - started )) s)"
  echo "$kit"
  exit 0
fi

mkdir -p "$cache/src"
work="$cache/src"

# --- Qt 5 qtbase, from Debian's source package ------------------------------------------------
if ! stamp_is "$kit/.trevik-qt" "$qt_recipe"; then
  if ! apt-get source --print-uris qtbase-opensource-src >/dev/null 2>&1; then
    say "adding Debian's source entry beside the existing one"
    $SUDO tee /etc/apt/sources.list.d/trevik-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    $SUDO apt-get update -qq
  fi
  src=$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n1)
  if [ -z "$src" ]; then
    say "fetching Debian's qtbase source"
    (cd "$work" && apt-get source -qq qtbase-opensource-src >/dev/null)
    src=$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n1)
  fi
  rm -rf "$work/qt-build" "$kit"
  mkdir -p "$work/qt-build"
  t=$(date +%s)
  say "configuring Qt $qt_version for x86_64-w64-mingw32 (about a minute)"
  (cd "$work/qt-build" && "$src/configure" -prefix "$kit" "${qt_configure[@]}" >configure.log 2>&1) \
    || { tail -n 40 "$work/qt-build/configure.log" >&2; exit 1; }
  say "configured in $(( $(date +%s) - t )) s; building (about ten minutes on two cores)"
  t=$(date +%s)
  (cd "$work/qt-build" && make -j"$jobs" >build.log 2>&1) \
    || { grep -n -A3 -E 'error:|Error [0-9]' "$work/qt-build/build.log" | head -n 40 >&2; exit 1; }
  say "built in $(( $(date +%s) - t )) s; installing"
  (cd "$work/qt-build" && make install >install.log 2>&1) || { tail -n 40 "$work/qt-build/install.log" >&2; exit 1; }
  rm -rf "$work/qt-build"
  echo "$qt_recipe" >"$kit/.trevik-qt"
fi

# --- GoogleTest and Google Benchmark for both targets -----------------------------------------
build_cmake_package() { # source-dir prefix toolchain [cmake args...]
  local source=$1 prefix=$2 toolchain=$3
  shift 3
  local build
  build=$(mktemp -d)
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$build/cmake.log" 2>&1 \
    || { tail -n 30 "$build/cmake.log" >&2; return 1; }
  cmake --build "$build" -j"$jobs" >"$build/build.log" 2>&1 || { tail -n 30 "$build/build.log" >&2; return 1; }
  cmake --install "$build" >/dev/null
  rm -rf "$build"
}

benchmark_src=$(find "$work" -maxdepth 1 -type d -name 'benchmark-*' | head -n1)
if [ -z "$benchmark_src" ]; then
  say "fetching Debian's Google Benchmark source"
  (cd "$work" && apt-get source -qq benchmark >/dev/null)
  benchmark_src=$(find "$work" -maxdepth 1 -type d -name 'benchmark-*' | head -n1)
fi
gtest_args=(-DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF)
# Debian's source has no git history to read the version from; its own build passes it in.
bench_args=(-DGIT_VERSION="${benchmark_src##*/benchmark-}" -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF)

say "building GoogleTest and Google Benchmark for x86_64 and i686"
t=$(date +%s)
build_cmake_package /usr/src/googletest "$kit" "$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" "${gtest_args[@]}"
build_cmake_package "$benchmark_src" "$kit" "$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" "${bench_args[@]}"
rm -rf "$kit32"
build_cmake_package /usr/src/googletest "$kit32" "$PWD/cmake/toolchains/mingw-w64-i686.cmake" "${gtest_args[@]}"
say "test libraries built in $(( $(date +%s) - t )) s"

echo "$libs_recipe" >"$kit32/.trevik-libs"
echo "$libs_recipe" >"$kit/.trevik-libs"
say "ready in $kit ($(du -sh "$kit" | cut -f1)), $(( $(date +%s) - started )) s in all"
echo "$kit"

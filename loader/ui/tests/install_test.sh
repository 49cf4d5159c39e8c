#!/usr/bin/env bash
# Installation into a fresh prefix: the program and the conversion library side by side (the
# program loads the library from its own folder), the bin/ link, the desktop entry pointing at
# the installed program, the icon; then the installed program starts through the link.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install"; }

[ -x "$prefix/lib/trevik/Trevik" ] || fail "no program in lib/trevik"
[ -f "$prefix/lib/trevik/libzentrix.so" ] || fail "no libzentrix.so beside the program"
[ "$(readlink -f "$prefix/bin/Trevik")" = "$(readlink -f "$prefix/lib/trevik/Trevik")" ] || fail "bin/Trevik does not lead to the program"
desktop="$prefix/share/applications/trevik.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Exec=$prefix/lib/trevik/Trevik" "$desktop" || fail "desktop entry runs '$(grep ^Exec= "$desktop")'"
grep -qx "Icon=trevik" "$desktop" || fail "desktop entry names no icon"
[ -f "$prefix/share/icons/hicolor/64x64/apps/trevik.png" ] || fail "no icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi
# Nothing of the installed program may point back into the build tree.
if readelf -d "$prefix/lib/trevik/Trevik" 2>/dev/null | grep -q "$build"; then
  fail "the installed program keeps a run path into the build tree"
fi

if command -v Xvfb >/dev/null && command -v xwininfo >/dev/null && command -v import >/dev/null; then
  title=$(TMPDIR="$work" TREVIK_BIN="$prefix/bin/Trevik" bash "$source_dir/scripts/screenshot.sh" "$work/shot.png" -nodevice) \
    || fail "the installed program did not show its window"
  [ "$title" = "Trevik    Version : 1.0.0.5    Build : 1612211426" ] || fail "title is '$title'"
fi
echo PASS

#!/usr/bin/env bash
# The Debian package as a user gets it: made by cpack from the build, unpacked with dpkg-deb
# into a scratch root, then run from there. The program and the conversion library sit side by
# side (the program loads the library from its own folder), bin/ links lead to the programs,
# the desktop entry names the installed program, the dependencies come from the binaries, each
# program has its manual page, and lintian finds nothing to warn about.
#
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source_dir=$2
. "$source_dir/scripts/lib/session.sh"
session_begin
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt5core5a libqt5gui5 libqt5widgets5 libudev1 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
root="$work/root"
dpkg-deb -x "$deb" "$root"

# Debian's own checker: errors and warnings fail, information and pedantry do not.
lintian_output=$(lintian --fail-on none --info --pedantic "$deb" 2>"$work/lintian.err") || { cat "$work/lintian.err"; fail "lintian did not run"; }
if grep -E '^[EW]: ' <<<"$lintian_output"; then fail "lintian has errors or warnings"; fi
# The private library is found beside the programs, never through the linker cache.
control_files=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
if grep -E '(postinst|postrm|triggers)$' <<<"$control_files"; then fail "the package runs or triggers ldconfig"; fi
version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(zcat "$root/usr/share/doc/trevik/changelog.gz" | sed -n '1s/^trevik (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "the changelog's newest entry is $changelog_version, the package $version"
man1="$root/usr/share/man/man1"
for program in Trevik trevikctl kmcconv; do
  page=$(zcat "$man1/$program.1.gz") || fail "no manual page of $program"
  grep -q "^\.TH .*\"Trevik $version\"" <<<"$page" || fail "the manual page of $program is not for $version"
done
# trevikctl's page is made from its help: every command the help lists has its part.
commands=$("$root/usr/bin/trevikctl" --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z]*\) .*/\1/p')
[ -n "$commands" ] || fail "trevikctl --help lists no commands"
page=$(zcat "$man1/trevikctl.1.gz")
for command in $commands; do
  grep -qx "\.SS \"$command\"" <<<"$page" || fail "trevikctl's page lacks the command $command"
done

lib="$root/usr/lib/trevik"
for file in Trevik trevikctl kmcconv libzentrix.so; do [ -f "$lib/$file" ] || fail "no $file in /usr/lib/trevik"; done
for program in Trevik trevikctl kmcconv; do
  [ "$(readlink -f "$root/usr/bin/$program")" = "$(readlink -f "$lib/$program")" ] || fail "bin/$program leads elsewhere"
done
desktop="$root/usr/share/applications/trevik.desktop"
grep -qx "Exec=/usr/lib/trevik/Trevik" "$desktop" || fail "desktop entry runs '$(grep ^Exec= "$desktop")'"
grep -qx "Icon=trevik" "$desktop" || fail "desktop entry names no icon"
[ -f "$root/usr/share/icons/hicolor/64x64/apps/trevik.png" ] || fail "no icon"
if readelf -d "$lib/Trevik" "$lib/trevikctl" "$lib/kmcconv" | grep -q "$build"; then
  fail "a packaged program keeps a run path into the build tree"
fi

[ "$("$root/usr/bin/trevikctl" --version)" = "trevikctl (Trevik Tool) 1.0.0.5, build 1612211426" ] || fail "trevikctl --version"
"$root/usr/bin/kmcconv" --ports 4 "$source_dir/examples/two-desks.kmc" | grep -qx Converted || fail "packaged kmcconv"
HOME="$work" XDG_CONFIG_HOME="$work/config" TREVIK_PORT_DIR="$work/ports" \
  "$root/usr/bin/trevikctl" check "$source_dir/examples/two-desks.kmc" >/dev/null || fail "packaged trevikctl check"
# The packaged program as an operator starts it, on a private display: its title, the status
# bar drawn green for the emulated switch, and the HTML log "-logfile" asks for, finished when
# the window is closed.
mkdir -p "$work/tmp"
title=$(TMPDIR="$work/tmp" TREVIK_BIN="$lib/Trevik" SCREENSHOT_CLOSE=1 \
  bash "$source_dir/scripts/screenshot.sh" "$work/shot.png" -nodevice -logfile) || fail "the window did not come up or close cleanly"
[ "$title" = "Trevik    Version : 1.0.0.5    Build : 1612211426" ] || fail "title is '$title'"
green=$(convert "$work/shot.png" -alpha off -fill black +opaque "srgb(0,128,0)" -fill white -opaque "srgb(0,128,0)" \
  -format '%[fx:round(mean*w*h)]' info:)
[ "$green" -gt 20 ] || fail "no green status text"
logs=("$work/tmp/Trevik Tool__"*_log.html)
[ ${#logs[@]} -eq 1 ] && head -c 6 "${logs[0]}" | grep -q '<html>' || fail "no HTML log"
tail -c 30 "${logs[0]}" | grep -q '</table></body></html>$' || fail "the log was not finished at exit"
echo PASS

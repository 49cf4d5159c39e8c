#!/usr/bin/env bash
# The program as a whole, started the way an operator starts it, on a private Xvfb display:
# the exact title, the status bar in both states as the screen shows it, and the HTML log that
# "-logfile" asks for (and that no run without it leaves behind).
#
#   process_test.sh TREVIK KMSWITCH_SIM SOURCE_DIR
# Exits 77 (skipped) when Xvfb or ImageMagick is missing.
set -euo pipefail
trevik=$1
sim=$2
source_dir=$3
for tool in Xvfb xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done

. "$source_dir/scripts/lib/session.sh"
session_begin

fail() { echo "FAIL: $*" >&2; exit 1; }

# How many pixels of the picture have exactly this colour.
count_colour() {
  convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}
# The colour of a lamp's opaque centre as drawn on screen.
centre_colour() {
  convert "$source_dir/loader/ui/Resources/$1" -format '%[pixel:p{8,8}]' info:
}
yellow=$(centre_colour led_yellow.png)
red_led=$(centre_colour led_red.png)
[ "$yellow" != "$red_led" ] || fail "the two lamps have the same centre colour"
green_text="srgb(0,128,0)"
red_text="srgb(255,0,0)"

# Closing the window the way an operator does needs python3 (for the X11 close request);
# without it the program is terminated and only what it wrote at start-up is checked.
close_window=0
command -v python3 >/dev/null && close_window=1

run_window() { # name, then Trevik arguments
  local name=$1
  shift
  mkdir -p "$work/$name/tmp" "$work/$name/config" "$work/$name/ports"
  TMPDIR="$work/$name/tmp" XDG_CONFIG_HOME="$work/$name/config" TREVIK_PORT_DIR="$work/$name/ports" \
    TREVIK_BIN="$trevik" SCREENSHOT_CLOSE=$close_window \
    bash "$source_dir/scripts/screenshot.sh" "$work/$name.png" "$@" >"$work/$name.title" \
    || fail "$name: the window did not come up or did not close cleanly"
}

expected_title="Trevik    Version : 1.0.0.5    Build : 1612211426"

echo "== -nodevice -logfile: connected at once, HTML log written"
run_window emulated -nodevice -logfile
[ "$(cat "$work/emulated.title")" = "$expected_title" ] || fail "title is '$(cat "$work/emulated.title")'"
[ "$(count_colour "$work/emulated.png" "$green_text")" -gt 20 ] || fail "no green status text"
[ "$(count_colour "$work/emulated.png" "$red_text")" -eq 0 ] || fail "red status text while emulating"
[ "$(count_colour "$work/emulated.png" "$yellow")" -gt 0 ] || fail "the yellow lamp is not shown"
[ "$(count_colour "$work/emulated.png" "$red_led")" -eq 0 ] || fail "the red lamp is shown"
shopt -s nullglob
logs=("$work/emulated/tmp/Trevik Tool__"*_log.html)
[ ${#logs[@]} -eq 1 ] || fail "expected one HTML log in the temporary folder, found ${#logs[@]}"
head -c 6 "${logs[0]}" | grep -q '<html>' || fail "the log does not begin as HTML"
if [ $close_window = 1 ]; then
  tail -c 200 "${logs[0]}" | grep -q '</html>' || fail "the log was not closed at shutdown"
fi

echo "== the configured port is held by another program: disconnected, no log"
mkdir -p "$work/held/config/Velmora"
printf '[main_config]\ngeneral.device_com=9\n' >"$work/held/config/Velmora/Trevik Tool.ini"
SWITCH_BIN=$sim start_switch 9 "$work/held/ports" --busy 60000 --quiet || fail "the simulator did not come up"
run_window held
[ "$(cat "$work/held.title")" = "$expected_title" ] || fail "title is '$(cat "$work/held.title")'"
[ "$(count_colour "$work/held.png" "$red_text")" -gt 20 ] || fail "no red status text"
[ "$(count_colour "$work/held.png" "$green_text")" -eq 0 ] || fail "green status text for a held port"
[ "$(count_colour "$work/held.png" "$red_led")" -gt 0 ] || fail "the red lamp is not shown"
[ "$(count_colour "$work/held.png" "$yellow")" -eq 0 ] || fail "the yellow lamp is shown"
logs=("$work/held/tmp/"*_log.html)
[ ${#logs[@]} -eq 0 ] || fail "a log file appeared without -logfile"
grep -q '^general.device_com=9$' "$work/held/config/Velmora/Trevik Tool.ini" || fail "the stored port changed"

echo "PASS"

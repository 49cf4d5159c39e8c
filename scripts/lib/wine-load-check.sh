#!/usr/bin/env bash
# The shipped Trevik.exe under Wine, driven from the keyboard as an operator would: the path
# typed, Process pressed, the answer's box confirmed. Run it behind run_with_switch.sh (which
# stands kmswitch-sim behind COM$TREVIK_TEST_COM and names its image folder); it passes when
# the box says the file was loaded and the switch holds the image kmcconv.exe makes of it.
# TREVIK_FAKE_PORT names fake_port.exe, which registers COMn with the setup functions (Wine
# lists no port of its own) for the window's selector.
#   wine-load-check.sh DIST_DIR WINE_RUN WINEPREFIX KMC_FILE PICTURE.png
set -euo pipefail
dist=$1 wine_run=$2 prefix=$3 file=$4 picture=$5
com=${TREVIK_TEST_COM:?} images=${TREVIK_TEST_SAVE_DIR:?}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
fi

# The window's port: the settings file where Qt keeps it on Windows (%APPDATA%).
for home in "$prefix"/drive_c/users/*/; do
  [ "$(basename "$home")" = Public ] && continue
  mkdir -p "$home/AppData/Roaming/Velmora"
  printf '[main_config]\r\ngeneral.device_com=%s\r\n' "$com" >"$home/AppData/Roaming/Velmora/Trevik Tool.ini"
done

fake_port=${TREVIK_FAKE_PORT:?}
"$wine_run" "$fake_port" add "COM$com"
cd "$dist"
TREVIK_WINE_DLL_DIRS= "$wine_run" ./Trevik.exe >/dev/null 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null || true; "$wine_run" "$fake_port" remove "COM$com" || true' EXIT
window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --name '^Trevik +Version' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "no Trevik window"; exit 1; }
sleep 2 # the first paint and the port check
# One Tab reaches the path field, seven more the Process button.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key Tab
xdotool type --delay 5 "Z:${file//\//\\}"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab space
box=""
for _ in $(seq 1 120); do
  box=$(xdotool search --name '^Trevik Tool$' 2>/dev/null | head -n 1) && [ -n "$box" ] && break
  sleep 0.5
done
[ -n "$box" ] || { import -window root "$picture"; echo "no answer box within 60 s (see $picture)"; exit 1; }
sleep 1
import -window root "$picture"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return

"$wine_run" "$dist/kmcconv.exe" --ports 4 -o "Z:$images.kmcconv" "Z:$file" >/dev/null 2>&1
saved=$(ls "$images"/* 2>/dev/null | head -n 1)
if [ -z "$saved" ] || ! cmp -s "$saved" "$images.kmcconv"; then
  echo "the switch's image (${saved:-none}) is not kmcconv's (picture: $picture)"
  exit 1
fi
rm -f "$images.kmcconv"
echo "loaded through the window; the switch holds kmcconv's image (picture: $picture)"

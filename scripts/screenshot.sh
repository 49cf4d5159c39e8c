#!/usr/bin/env bash
# Starts Trevik on a private Xvfb display, waits until its window is on screen, saves a picture
# of the window and prints the window's title. Anyone can see the window this way, without a
# desktop; the process test uses it too.
#
#   scripts/screenshot.sh OUTPUT.png [Trevik arguments...]
#
# TREVIK_BIN names the program (default: build/bin/Trevik). The environment is passed on, so
# TREVIK_PORT_DIR, XDG_CONFIG_HOME and TMPDIR choose the ports, the settings and the log folder.
# Without any of them set, the program sees a fresh user: settings and ports in a temporary
# folder that is removed afterwards.
# SCREENSHOT_PROCESS=FILE then types FILE into the path field and presses Process with the
# keyboard, as an operator would, and saves the screen with the message box that answers it
# (needs xdotool); the box is then closed with Return. SCREENSHOT_MIDLOAD=SECONDS also saves the
# screen that many seconds after Process, while the load runs (OUTPUT-midload.png).
# SCREENSHOT_CLOSE=1 closes the window afterwards as an operator would (through the window's
# close request) and fails unless the program then ends by itself with exit status 0; without
# it the program is simply terminated.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTPUT.png [Trevik arguments...]" >&2
  exit 2
fi
# Paths given by the caller are taken from the caller's folder.
out=$(realpath -m "$1")
shift
bin=$(realpath -m "${TREVIK_BIN:-$(dirname "$0")/../build/bin/Trevik}")
cd "$(dirname "$0")/.."
[ -x "$bin" ] || { echo "$bin not found: build first (cmake --build build --target Trevik)" >&2; exit 1; }
for tool in Xvfb xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$tool not found: run scripts/install-deps.sh" >&2; exit 1; }
done

. scripts/lib/session.sh
session_begin

# A fresh user unless the caller chose otherwise.
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$work/config}
export TREVIK_PORT_DIR=${TREVIK_PORT_DIR:-$work/ports}
mkdir -p "$XDG_CONFIG_HOME" "$TREVIK_PORT_DIR"

start_display
QT_QPA_PLATFORM=xcb "$bin" "$@" >"$work/app.log" 2>&1 &
app_pid=$!
session_pids+=("$app_pid")
window=$(find_window "$app_pid") || { cat "$work/app.log" >&2; exit 1; }

# Let the first paint finish before the picture is taken.
sleep 1
import -window "$window" "$out"
xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: 0x[0-9a-f]* "\(.*\)"$/\1/p'

if [ -n "${SCREENSHOT_PROCESS:-}" ]; then
  command -v xdotool >/dev/null || { echo "xdotool not found: run scripts/install-deps.sh" >&2; exit 1; }
  # No widget has the focus at first: one Tab reaches the path field, seven more the Process
  # button (Browse, the two selectors and the three header fields lie between).
  xdotool windowfocus --sync "$window"
  xdotool key Tab
  xdotool type --delay 5 "$(realpath -m "$SCREENSHOT_PROCESS")"
  xdotool key --delay 20 Tab Tab Tab Tab Tab Tab Tab space
  wait_left=${SCREENSHOT_PROCESS_WAIT:-8}
  if [ -n "${SCREENSHOT_MIDLOAD:-}" ]; then
    sleep "$SCREENSHOT_MIDLOAD"
    import -window root "${out%.png}-midload.png"
    echo "during the load: ${out%.png}-midload.png"
    wait_left=$(awk -v a="$wait_left" -v b="$SCREENSHOT_MIDLOAD" 'BEGIN { print (a > b ? a - b : 0) }')
  fi
  # The load writes 936 bytes at 9600 baud after 32 GET_INFO exchanges: a few seconds.
  sleep "$wait_left"
  result="${out%.png}-process.png"
  import -window root "$result"
  echo "after Process: $result"
  xdotool key Return
fi

if [ "${SCREENSHOT_CLOSE:-0}" = 1 ]; then
  python3 scripts/x11-close-window.py "$window"
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    echo "Trevik did not end after its window was closed" >&2
    exit 1
  fi
  status=0
  wait "$app_pid" || status=$?
  [ "$status" -eq 0 ] || { echo "Trevik ended with status $status" >&2; cat "$work/app.log" >&2; exit 1; }
fi

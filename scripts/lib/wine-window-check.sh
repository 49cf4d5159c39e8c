#!/usr/bin/env bash
# Starts the shipped Trevik.exe under Wine on a private X display, from its folder alone (no DLL
# folder of the build), and waits for its main window with the full title; optionally saves a
# picture of the screen.
#   wine-window-check.sh DIST_DIR WINE_RUN TITLE [PICTURE.png]
set -euo pipefail
dist=$1 wine_run=$2 title=$3 picture=${4:-}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
cd "$dist"
TREVIK_WINE_DLL_DIRS= "$wine_run" ./Trevik.exe >/dev/null 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT
for _ in $(seq 1 120); do
  if xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; then
    echo "window shown: \"$title\""
    [ -z "$picture" ] || import -window root "$picture"
    exit 0
  fi
  kill -0 "$program" 2>/dev/null || { echo "Trevik.exe ended without a window"; exit 1; }
  sleep 0.5
done
echo "no window titled \"$title\" within 60 s"
exit 1

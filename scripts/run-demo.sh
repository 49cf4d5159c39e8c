#!/usr/bin/env bash
# The whole load without hardware: installs what is missing, builds Trevik, stands a simulated
# KM switch on a pseudo-terminal as COM7 and starts Trevik with that port selected.
#
# In the window: Browse to examples/two-desks.kmc, keep "4" as the port configuration and press
# Process. "Configuration file has been successfully loaded to device" reports the load; after
# the window is closed this script names the image the switch received and checks it against
# what kmcconv makes of the sample files.
#
# Arguments are passed on to Trevik (for instance -console or -logfile). TREVIK_BUILD_DIR
# chooses the build folder (default: build).
# Without a display the window runs on a private Xvfb display, where the script itself types
# examples/two-desks.kmc into it and presses Process, and pictures of both are saved.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
com=7
build=${TREVIK_BUILD_DIR:-build}

bash scripts/install-deps.sh

echo "== building Trevik, zentrix, kmcconv and kmswitch-sim"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target Trevik zentrix kmcconv kmswitch-sim

. scripts/lib/session.sh
session_begin

# A private port folder and settings folder, so the demo neither sees nor changes the user's own.
export TREVIK_PORT_DIR="$work/ports"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Velmora" "$work/images"
printf '[main_config]\ngeneral.device_com=%s\n' "$com" >"$XDG_CONFIG_HOME/Velmora/Trevik Tool.ini"

echo "== starting the simulated switch as COM$com (frame log: $work/switch.log)"
SWITCH_BIN="$build"/bin/kmswitch-sim start_switch "$com" "$TREVIK_PORT_DIR" --ports 4 \
  --save "$work/images" --log "$work/switch.log"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "== no display: Trevik runs on a private Xvfb display and loads examples/two-desks.kmc"
  TREVIK_BIN="$build"/bin/Trevik SCREENSHOT_PROCESS=examples/two-desks.kmc \
    bash scripts/screenshot.sh "$build"/demo.png "$@"
  echo "The window is in $build/demo.png, the answer to Process in $build/demo-process.png."
  echo "Run this script on a desktop to load a file yourself."
else
  echo "== starting Trevik: Browse to $root/examples/two-desks.kmc, choose 4, press Process"
  "$build"/bin/Trevik "$@" || true
fi

shopt -s nullglob
images=("$work"/images/*.bin)
if [ ${#images[@]} -eq 0 ]; then
  echo "The switch received no configuration."
  exit 0
fi
for image in "${images[@]}"; do
  match=""
  for kmc in examples/*.kmc; do
    for ports in 4 8; do
      if "$build"/bin/kmcconv --ports "$ports" -o "$work/expected.bin" "$kmc" >/dev/null 2>&1 \
         && cmp -s "$image" "$work/expected.bin"; then
        match="kmcconv --ports $ports -o FILE $kmc"
        break 2
      fi
    done
  done
  echo "The switch received $(basename "$image") ($(stat -c %s "$image") bytes): ${match:-not a sample file}"
done

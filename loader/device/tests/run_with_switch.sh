#!/bin/sh
# Runs a Windows test program under Wine with kmswitch-sim (a Linux program) standing behind
# the Wine port COM<n>, and stops the switch afterwards.
#
#   run_with_switch.sh SIMULATOR WINEPREFIX N IMAGE_DIR [SIM_OPTIONS...] -- WINE_RUN PROGRAM [ARGS...]
#
# The test learns the port from TREVIK_TEST_COM and the switch's image folder from
# TREVIK_TEST_SAVE_DIR.
set -eu
sim=$1 prefix=$2 com=$3 images=$4
shift 4
sim_options=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  sim_options="$sim_options $1"
  shift
done
[ "${1:-}" = "--" ] || { echo "run_with_switch.sh: no -- before the program" >&2; exit 2; }
shift
wine_run=$1

# The prefix must exist before the port's link can go into it.
if [ ! -f "$prefix/.trevik-ready" ]; then
  "$wine_run" cmd.exe /c exit 0 >/dev/null 2>&1 || true
fi
mkdir -p "$prefix/dosdevices"
# A fresh prefix links com1..comN to /dev/ttyS*: ours replaces it.
rm -f "$prefix/dosdevices/com$com"
rm -rf "$images"
mkdir -p "$images"

ready=$(mktemp)
# shellcheck disable=SC2086 # the options are words
"$sim" --com "$com" --port-dir "$prefix/dosdevices" --link-name "com$com" --save "$images" --quiet \
  $sim_options >"$ready" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "$ready" "$prefix/dosdevices/com$com"' EXIT
# The simulator prints its pseudo-terminal once it is ready.
for _ in $(seq 100); do
  [ -s "$ready" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$ready" >&2; exit 1; }
  sleep 0.05
done
[ -L "$prefix/dosdevices/com$com" ] || { echo "no link com$com" >&2; cat "$ready" >&2; exit 1; }
# A new pseudo-terminal starts with XON/XOFF output control on, which Wine reports as the
# port's fOutX and the logic keeps: bytes 0x11 and 0x13 of the switch's answers would then be
# taken as flow control. A Windows serial driver starts with it off; so does this port.
stty -F "$(readlink "$prefix/dosdevices/com$com")" -ixon -ixoff -ixany

TREVIK_TEST_COM=$com TREVIK_TEST_SAVE_DIR=$images "$@"

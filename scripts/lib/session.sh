# Shared by the demo, the screenshot script and the process test: a scratch folder, a
# simulated switch on a pseudo-terminal, a private X display, and finding Trevik's window.
# Source it from bash; everything started here is stopped when the sourcing script exits.
#
#   session_begin                  makes $work and arranges the clean-up
#   start_switch COM DIR [ARGS]    kmswitch-sim linked as DIR/COM<COM>; SWITCH_BIN names it
#   start_display                  Xvfb on a free display; exports DISPLAY
#   find_window PID                prints the id of the Trevik window of process PID

session_pids=()

session_end() {
  local pid
  for pid in "${session_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "${work:-}" ] && rm -rf "$work"
}

session_begin() {
  work=$(mktemp -d)
  trap session_end EXIT
}

start_switch() {
  local com=$1 dir=$2
  shift 2
  mkdir -p "$dir"
  "${SWITCH_BIN:?SWITCH_BIN names kmswitch-sim}" --com "$com" --port-dir "$dir" "$@" >"$work/switch.out" 2>&1 &
  session_pids+=($!)
  for _ in $(seq 50); do
    [ -e "$dir/COM$com" ] && return 0
    sleep 0.1
  done
  echo "the simulated switch did not come up:" >&2
  cat "$work/switch.out" >&2
  return 1
}

start_display() {
  # Xvfb picks a free display itself and tells which one through the descriptor.
  Xvfb -displayfd 5 -screen 0 1024x800x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
  session_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
}

find_window() {
  local pid=$1 window
  # The main window is the top-level window whose title begins with the designer title.
  for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || { echo "Trevik ended early" >&2; return 1; }
    window=$(xwininfo -root -children 2>/dev/null \
      | sed -n 's/^ *\(0x[0-9a-f]*\) "Trevik[^"]*": ("Trevik" .*/\1/p' | head -n1)
    if [ -n "$window" ] && xwininfo -id "$window" | grep -q 'Map State: IsViewable'; then
      echo "$window"
      return 0
    fi
    sleep 0.1
  done
  echo "no Trevik window appeared" >&2
  return 1
}

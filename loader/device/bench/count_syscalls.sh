#!/bin/bash
# System calls and files opened (openat) by one rescan of the ports and by each start-up probe
# up to its first paint, counted with strace -c -f. A rescan's share is the benchmark's fixed
# run of rescans less the same program started with no benchmark at all.
# Usage: count_syscalls.sh [folder holding bench_port_discovery and the probes]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME TREVIK_PORT_DIR
export QT_QPA_PLATFORM=offscreen # counting needs no display; the benchmark's timing does

# "calls openat" of an strace -c summary (the calls column is the fourth on every row).
summary() {
    awk '$NF == "total" { total = $4 } $NF == "openat" { opens = $4 } END { print total + 0, opens + 0 }' "$1"
}

traced() { # NAME COMMAND... -> summary of the command's system calls
    local name=$1
    shift
    strace -f -c -o "$work/$name" "$@" >/dev/null 2>&1 || true
    summary "$work/$name"
}

rescans=200 # BM_EnumeratorRescan's fixed iteration count
read -r all_calls all_opens < <(traced rescans "$bin/bench_port_discovery" --benchmark_filter=BM_EnumeratorRescan)
read -r base_calls base_opens < <(traced none "$bin/bench_port_discovery" --benchmark_filter=NO_SUCH_BENCHMARK)
awk -v c=$((all_calls - base_calls)) -v o=$((all_opens - base_opens)) -v n=$rescans \
    'BEGIN { printf "one rescan: %.1f system calls, %.1f files opened (mean of %d)\n", c / n, o / n, n }'

"$bin/trevik_window_probe" >/dev/null 2>&1 # the first run writes the settings
for probe in bare_window_probe form_window_probe trevik_window_probe; do
    read -r calls opens < <(traced "$probe" "$bin/$probe")
    echo "start-up of $probe to its first paint: $calls system calls, $opens files opened"
done

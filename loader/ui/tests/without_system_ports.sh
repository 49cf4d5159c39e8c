#!/usr/bin/env bash
# Runs a test program on a machine without serial ports of its own: the kernel's tty class is
# hidden behind an empty folder in a private mount namespace, so only the test's pinned ports
# exist. Exits 77 (skipped) where namespaces or mounts are not allowed.
#
#   without_system_ports.sh PROGRAM [ARGUMENTS...]
set -u
command -v unshare >/dev/null || { echo "unshare missing: skipped"; exit 77; }
unshare --mount true 2>/dev/null || { echo "no private mount namespace allowed: skipped"; exit 77; }
exec unshare --mount -- sh -c '
  mount -t tmpfs tmpfs /sys/class/tty 2>/dev/null || { echo "cannot hide /sys/class/tty: skipped"; exit 77; }
  exec "$@"' sh "$@"

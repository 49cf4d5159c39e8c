#!/usr/bin/env bash
# A command-line program's manual page, made with help2man from the program's own --help and
# --version, so the page says what the built program says. The build runs this on the freshly
# built programs.
#
#   help2man-page.sh PROGRAM INCLUDE VERSION OUT.1.gz
#
# INCLUDE holds what the help cannot say (the NAME line, SEE ALSO), in help2man's include
# format. VERSION is the package's: it goes in every page's footer beside the date, and stands
# in for a program that answers no --version. When the help lists
# "Commands:", each command's own --help becomes a part of a COMMANDS section; a command's
# exit codes are left out there when they are the program's own, which the page already lists.
# SOURCE_DATE_EPOCH dates the page; the page is compressed as Debian wants (gzip -9n), so the
# same program always gives the same bytes.
set -euo pipefail
program=$1
include=$2
version=$3
out=$4
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version_args=()
"$program" --version >/dev/null 2>&1 || version_args=(--version-string="$name $version")

# The paragraph that starts with HEADING (up to a blank line) of a help text on stdin.
paragraph() { sed -n "/^$1\$/,/^\$/p"; }

cp "$include" "$work/include.h2m"
help=$("$program" --help 2>/dev/null)
commands=$(sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' <<<"$help")
if [ -n "$commands" ]; then
  own_exit_codes=$(paragraph "Exit codes:" <<<"$help")
  echo "[COMMANDS]" >>"$work/include.h2m"
  for command in $commands; do
    command_help=$("$program" "$command" --help 2>/dev/null)
    drop_exit_codes=0
    [ "$(paragraph "Exit codes:" <<<"$command_help")" = "$own_exit_codes" ] && drop_exit_codes=1
    # help2man formats the command's help as a page of its own; its body becomes a subsection.
    help2man --no-info --version-string="$name" --help-option="$command --help" "$program" |
      awk -v command="$command" -v drop_exit_codes="$drop_exit_codes" '
        /^\.SH SYNOPSIS/ { body = 1; print ".SS \"" command "\""; next }
        !body { next }
        /^\.S[HS] / {
          heading = $0
          sub(/^\.S[HS] "?/, "", heading); sub(/"$/, "", heading)
          skipping = drop_exit_codes && heading == "Exit codes:"
          if (skipping || heading == "DESCRIPTION") { if (!skipping) print ".PP"; next }
          if (heading == "OPTIONS") heading = "Options:"
          print ".PP"; print ".B \"" heading "\""; next
        }
        !skipping { print }' >>"$work/include.h2m"
  done
fi

help2man --no-info --include="$work/include.h2m" "${version_args[@]}" --source="Trevik $version" --output="$work/page.1" "$program"
gzip -9n -c "$work/page.1" >"$out"

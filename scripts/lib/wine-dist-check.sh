#!/usr/bin/env bash
# Checks that the shipped Windows folder is complete: it runs on a machine with nothing but
# Windows itself.
#   wine-dist-check.sh DIST_DIR OBJDUMP WINE_RUN
# 1. Every DLL that a program, library or plugin of the folder imports is in the folder or is
#    a system DLL of the Wine prefix (the import tables, read with objdump).
# 2. Every console program starts under Wine with no DLL folder but its own and answers --help
#    with exit status 0 (the loader resolves every import before main runs). The GUI program is
#    covered by the first check; running its window belongs to the window's tests.
set -euo pipefail
dist=$1 objdump=$2 wine_run=$3
[ -d "$dist" ] || { echo "no shipped folder at $dist (build the dist target)" >&2; exit 1; }

# The Wine prefix comes into being on the first run; its system folder is the reference.
"$wine_run" cmd /c exit 0 >/dev/null 2>&1 || true
prefix=$(sed -n "s/^export TREVIK_WINEPREFIX='\([^']*\)'.*/\1/p" "$wine_run")
system32="$prefix/drive_c/windows/system32"
[ -d "$system32" ] || { echo "no Wine system folder at $system32" >&2; exit 1; }

lower() { tr '[:upper:]' '[:lower:]'; }
shipped=$(cd "$dist" && find . -type f -iname '*.dll' -printf '%f\n' | lower | sort -u)
system=$(find "$system32" -maxdepth 1 -iname '*.dll' -printf '%f\n' | lower | sort -u)

failures=0
while IFS= read -r -d '' binary; do
  name=${binary#"$dist"/}
  imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | lower | sort -u)
  for dll in $imports; do
    if grep -qxF "$dll" <<<"$shipped"; then
      continue
    fi
    # Windows resolves api-ms-win-* names through its API sets, not as files.
    if grep -qxF "$dll" <<<"$system" || [[ $dll == api-ms-win-* ]]; then
      continue
    fi
    echo "FAIL $name imports $dll, which is neither shipped nor part of Windows"
    failures=$((failures + 1))
  done
  echo "ok   $name: $(echo $imports | tr ' ' ',')"
done < <(find "$dist" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)

help_out=$(mktemp)
trap 'rm -f "$help_out"' EXIT
while IFS= read -r -d '' program; do
  subsystem=$("$objdump" -p "$program" | sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p')
  name=$(basename "$program")
  if [[ $subsystem != *CUI* ]]; then
    echo "skip $name: $subsystem program"
    continue
  fi
  # Into a file, not a pipe: a Wine session the program starts would hold a pipe open for minutes.
  (cd "$dist" && TREVIK_WINE_DLL_DIRS= "$wine_run" "$program" --help >"$help_out" 2>&1 </dev/null) && status=0 || status=$?
  out=$(cat "$help_out")
  if [ "$status" -eq 0 ] && [ -n "$out" ]; then
    echo "ok   $name --help: $(head -n1 <<<"$out")"
  else
    echo "FAIL $name --help under Wine: $(head -n3 <<<"$out")"
    failures=$((failures + 1))
  fi
done < <(find "$dist" -maxdepth 1 -type f -iname '*.exe' -print0 | sort -z)

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in $dist"
  exit 1
fi

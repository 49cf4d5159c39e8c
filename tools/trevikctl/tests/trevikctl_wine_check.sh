#!/bin/sh
# trevikctl.exe under Wine against kmswitch-sim behind the Wine port COM$TREVIK_TEST_COM (see
# loader/device/tests/run_with_switch.sh): a load whose image the switch keeps byte for byte as
# kmcconv.exe writes it, and the exit codes a script relies on.
#
#   trevikctl_wine_check.sh WINE_RUN BIN_DIR EXAMPLES_DIR
set -u
wine_run=$1 bin=$2 examples=$3
com=${TREVIK_TEST_COM:?} images=${TREVIK_TEST_SAVE_DIR:?}
file="Z:$examples/two-desks.kmc"
failures=0
expect() { # expect CODE WHAT ARGS...: runs trevikctl.exe ARGS and compares its exit code
  want=$1 what=$2
  shift 2
  "$wine_run" "$bin/trevikctl.exe" "$@" >/dev/null 2>"$images.err"
  got=$?
  if [ "$got" -eq "$want" ]; then
    echo "ok: $what (exit $got)"
  else
    echo "FAILED: $what: exit $got, wanted $want"; cat "$images.err"
    failures=$((failures + 1))
  fi
}

expect 0 "load into the switch" load "$file" --port "COM$com" --quiet
expect 0 "check a good file" check "$file"
expect 1 "check a missing file" check "Z:$examples/missing.kmc"
expect 2 "the same port twice" load "$file" --port "COM$com" --port "$com"
expect 2 "a port out of range" info --port COM256
expect 3 "a port without a switch" load "$file" --port COM99 --quiet

"$wine_run" "$bin/kmcconv.exe" --ports 4 -o "Z:$images.kmcconv" "$file" >/dev/null 2>&1
saved=$(ls "$images"/* 2>/dev/null | head -n 1)
if [ -n "$saved" ] && cmp -s "$saved" "$images.kmcconv"; then
  echo "ok: the switch holds kmcconv's image"
else
  echo "FAILED: the switch's image ($saved) differs from kmcconv's"
  failures=$((failures + 1))
fi
rm -f "$images.err" "$images.kmcconv"
[ "$failures" -eq 0 ]

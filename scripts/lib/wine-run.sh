#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, never ~/.wine. The prefix is made
# once (wineboot -i, under a lock, so parallel tests wait for it rather than race), and a
# wineserver stays up between runs, so a run costs little more than the program itself.
#
#   TREVIK_WINEPREFIX=DIR [TREVIK_WINEARCH=win64|win32] [TREVIK_WINE_DLL_DIRS=/a:/b] \
#     wine-run.sh PROGRAM.exe [ARGS...]
#
# TREVIK_WINE_DLL_DIRS: Linux folders (colon-separated) where Wine also looks for DLLs, such
# as the compiler's runtime and Qt's; empty means only the program's own folder and the system.
# WINEDEBUG is -all unless the caller sets it (WINEDEBUG=+debugstr shows OutputDebugString).
# The wineserver ends on its own TREVIK_WINESERVER_LINGER seconds after its last program (900).
set -euo pipefail

prefix=${TREVIK_WINEPREFIX:?TREVIK_WINEPREFIX names the private Wine prefix}
arch=${TREVIK_WINEARCH:-win64}
linger=${TREVIK_WINESERVER_LINGER:-900}

export WINEPREFIX=$prefix
export WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts: nothing here needs .NET or an HTML engine.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Linux folders become Windows ones on drive Z:, which a new prefix maps to /.
winpath=""
IFS=: read -r -a dirs <<<"${TREVIK_WINE_DLL_DIRS:-}"
for d in "${dirs[@]}"; do
  [ -n "$d" ] || continue
  winpath+="${winpath:+;}Z:${d//\//\\}"
done
export WINEPATH=$winpath

mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/.trevik-ready" ]; then
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.trevik-ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.trevik-ready"
  fi
  flock -u 9
  exec 9>&-
fi

# A second server for the same prefix refuses to start: then one is up already.
wineserver "-p$linger" >/dev/null 2>&1 || true

exec wine "$@"

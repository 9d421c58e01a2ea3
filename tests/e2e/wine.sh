#!/usr/bin/env bash
# Runs Windows programs under Wine on a virtual display. Each user (the e2e tests, the
# demo, the benchmarks) has a state folder DIR of its own, with a Wine prefix, an Xvfb
# display and a persistent wineserver.
#
# Wine's first boot of a prefix takes seconds and makes 700 MB, so it is done once per
# build folder, in ROOT/wine-base, where ROOT is DIR's parent. DIR/prefix is a copy of
# that base made of hard links, except for the registry files: Wine rewrites those in
# place, so each copy has its own and no run changes the base or another copy.
#
#   wine.sh setup DIR      make DIR/prefix if need be; start Xvfb and a wineserver
#   wine.sh cleanup DIR    stop them, and every Wine process left in DIR/prefix
#   wine.sh run DIR EXE [ARG...]
#                          run EXE to its end and exit with its status. Arguments that
#                          are absolute Unix paths (two levels or more), and the path in
#                          ORVANEL_EXE, are passed as Windows paths on drive Z:. ctest
#                          runs the Windows test programs through this command
#                          (CMAKE_CROSSCOMPILING_EMULATOR).
#
# On SIGINT or SIGTERM every command stops what it started (Wine processes, Xvfb, a
# half-made prefix) and removes its temporary files within seconds; the next setup
# starts from whatever is left.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: wine.sh setup|cleanup|run DIR [EXE ARG...]" >&2
  exit 2
fi
command=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2
root=$(dirname "$dir")
base=$root/wine-base

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer prompts while a prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/../../scripts/lib.sh"

# A file or folder of this command's that an interrupt must remove. Long steps run
# through `step` (scripts/lib.sh), so that an interrupt is served at once.
scratch=""

# The processes of Wine (loader, server, programs) that run with prefix $1.
wine_pids() {
  local file pid
  # grep fails when nothing matches, and on processes that end while it reads them.
  { grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null || true; } | while read -r file; do
    pid=${file#/proc/}
    pid=${pid%/environ}
    case $(readlink "/proc/$pid/exe" 2>/dev/null) in
      */wine*) echo "$pid" ;;
    esac
  done
}

# Ends every Wine process of prefix $1: asks its server first, then kills what is left.
stop_prefix() {
  local pids
  if [ -d "$1" ]; then
    WINEPREFIX=$1 timeout 10 "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  for _ in $(seq 20); do
    pids=$(wine_pids "$1")
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086  # one pid a word
    kill -KILL $pids 2>/dev/null || true
    sleep 0.1
  done
}

# Stops the Xvfb that setup started for DIR.
stop_xvfb() {
  local pid
  pid=$(cat "$dir/xvfb.pid" 2>/dev/null || true)
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/xvfb.pid" "$dir/display"
}

cleanup() {
  stop_prefix "$WINEPREFIX"
  stop_xvfb
  rm -rf "$dir"/prefix.tmp.* "$dir"/out.*
  # A base that a killed setup left half made: its Wine processes and its folder.
  local partial
  for partial in "$base".tmp.*; do
    [ -e "$partial" ] || continue
    if ! kill -0 "${partial##*.}" 2>/dev/null; then
      stop_prefix "$partial"
      rm -rf "$partial"
    fi
  done
}

interrupted() {
  trap - INT TERM HUP
  stop_step KILL  # a Wine program, which may not end on TERM
  if [ -n "$scratch" ]; then
    [ -d "$scratch" ] && stop_prefix "$scratch"
    rm -rf "$scratch"
  fi
  if [ "$command" != run ]; then
    cleanup
  fi
  echo "wine.sh $command: interrupted" >&2
  exit 130
}
trap interrupted INT TERM HUP

use_display() {
  [ -s "$dir/display" ] || { echo "wine.sh: no display in $dir; run setup first" >&2; exit 1; }
  DISPLAY=":$(cat "$dir/display")"
  export DISPLAY
}

wine_version=$("$WINE" --version)

# Makes the base prefix, unless one made by this version of Wine is there.
make_base() {
  [ "$(cat "$base/.initialised" 2>/dev/null)" = "$wine_version" ] && return 0
  local partial="$base.tmp.$$"
  scratch=$partial
  rm -rf "$partial"
  echo "wine.sh: making the Wine prefix $base (once per build folder)" >&2
  local log="$dir/wineboot.log"
  : >"$log"
  step "$log" env WINEPREFIX="$partial" "$WINE" wineboot -i
  # Wine lacks the default verb of applet files, which Windows has.
  step "$log" env WINEPREFIX="$partial" "$WINE" reg add 'HKCR\cplfile\shell' /ve /d cplopen /f
  step "$log" env WINEPREFIX="$partial" "$WINESERVER" -w
  echo "$wine_version" >"$partial/.initialised"
  rm -rf "$base"
  mv "$partial" "$base"
  scratch=""
}

# Makes DIR/prefix from the base, unless it is there already.
make_copy() {
  [ "$(cat "$WINEPREFIX/.initialised" 2>/dev/null)" = "$wine_version" ] && return 0
  make_base
  local partial="$dir/prefix.tmp.$$" file
  scratch=$partial
  rm -rf "$WINEPREFIX" "$partial"
  cp -al "$base" "$partial"
  for file in "$base"/*.reg; do
    cp --remove-destination "$file" "$partial/${file##*/}"
  done
  mv "$partial" "$WINEPREFIX"
  scratch=""
}

setup() {
  cleanup
  # Xvfb picks a free display number and writes it to fd 3.
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  exec 3>&-
  for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    sleep 0.05
  done
  use_display
  make_copy
  # Background processes must not hold the test runner's output pipes open.
  step /dev/null "$WINESERVER" -p
  echo "wine ready on display $DISPLAY, prefix $WINEPREFIX"
}

# Runs a Windows program with its output going through a file rather than our own
# stdout: Wine's background processes inherit it and would otherwise keep the test
# runner waiting for the pipe to close.
run() {
  use_display
  local args=() arg out status=0
  for arg in "$@"; do
    args+=("$(windows_path "$arg")")
  done
  if [ -n "${ORVANEL_EXE:-}" ]; then
    ORVANEL_EXE=$(windows_path "$ORVANEL_EXE")
    export ORVANEL_EXE
  fi
  out=$(mktemp "$dir/out.XXXXXX")
  scratch=$out
  step "$out" "$WINE" "${args[@]}" || status=$?
  cat "$out"
  rm -f "$out"
  scratch=""
  return $status
}

case $command in
  setup) setup ;;
  cleanup) cleanup ;;
  run) run "$@" ;;
  *)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Runs Windows test programs under Wine on a virtual display, in a Wine prefix of the
# tests' own under the build folder.
#
#   wine.sh setup DIR      make the prefix (once), start Xvfb and a persistent wineserver
#   wine.sh cleanup DIR    stop them
#   wine.sh run DIR EXE [ARG...]   run EXE; arguments that are absolute Unix paths
#                                  (two levels or more) are passed as Windows paths
#                                  on drive Z:
#   wine.sh scenario DIR NAME RUNNER ORVANEL PANEL APPLET
#                          one end-to-end scenario; ORVANEL_EXE, when set, replaces ORVANEL
set -euo pipefail

command=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/../../scripts/lib.sh"

# Runs a command with its output going through a file rather than our own stdout:
# Wine's background processes inherit it and would otherwise keep the test runner
# waiting for the pipe to close.
detached() {
  local out status=0
  out=$(mktemp "$dir/out.XXXXXX")
  "$@" </dev/null >"$out" 2>&1 || status=$?
  cat "$out"
  rm -f "$out"
  return $status
}

use_display() {
  [ -f "$dir/display" ] || { echo "wine.sh: no display; run setup first" >&2; exit 1; }
  DISPLAY=":$(cat "$dir/display")"
  export DISPLAY
}

case $command in
  setup)
    "$0" cleanup "$dir" 2>/dev/null || true
    # Xvfb picks a free display number and writes it to fd 3.
    exec 3>"$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    exec 3>&-
    for _ in $(seq 200); do [ -s "$dir/display" ] && break; sleep 0.05; done
    use_display
    if [ ! -f "$WINEPREFIX/.initialised" ]; then
      rm -rf "$WINEPREFIX"
      "$WINE" wineboot -i >"$dir/wineboot.log" 2>&1
      # Wine lacks the default verb of applet files, which Windows has.
      "$WINE" reg add 'HKCR\cplfile\shell' /ve /d cplopen /f >>"$dir/wineboot.log" 2>&1
      "$WINESERVER" -w
      touch "$WINEPREFIX/.initialised"
    fi
    # Background processes must not hold the test runner's output pipes open.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    echo "wine ready on display $DISPLAY, prefix $WINEPREFIX"
    ;;
  cleanup)
    "$WINESERVER" -k 2>/dev/null || true
    if [ -f "$dir/xvfb.pid" ]; then
      kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
      rm -f "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
  run)
    use_display
    args=()
    for arg in "$@"; do args+=("$(windows_path "$arg")"); done
    detached "$WINE" "${args[@]}"
    ;;
  scenario)
    use_display
    name=$1 runner=$2 orvanel=${ORVANEL_EXE:-$3} panel=$4 applet=$5
    mkdir -p "$dir/work"
    echo "orvanel.exe under test: $orvanel"
    detached "$WINE" "$(windows_path "$runner")" "$name" "$(windows_path "$orvanel")" \
      "$(windows_path "$panel")" "$(windows_path "$applet")" "$(windows_path "$dir/work")"
    ;;
  *)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac

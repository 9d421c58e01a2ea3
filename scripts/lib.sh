# shellcheck shell=bash disable=SC2034  # the package lists are used by the sourcing scripts
# Helpers shared by the project's scripts. Source it; do not run it.

# Installs the Debian packages named that are not installed yet, updating the package
# lists once first. As root it uses apt-get; otherwise sudo, when it can run without a
# password prompt. When neither works it prints the one command to run and fails.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    case " ${missing[*]} " in *" $package "*) continue ;; esac  # named twice
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      as_root=(sudo -n)
    else
      echo "Missing packages: ${missing[*]}. Install them with:" >&2
      echo "  sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive" \
        "apt-get install -y --no-install-recommends ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "Installing ${missing[*]}" >&2
  "${as_root[@]}" apt-get update -q >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}" >&2
}

# Writes an absolute Unix path of two levels or more as a Windows path on Wine's
# drive Z:; anything else (a switch such as /f, a relative path) stays as it is.
windows_path() {
  case $1 in
    /*/*) local p=${1//\//\\}; printf 'Z:%s' "$p" ;;
    *) printf '%s' "$1" ;;
  esac
}

# Configures and builds orvanel.exe alone, as released, in folder $1.
build_orvanel() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DORVANEL_E2E_TESTS=OFF >/dev/null
  cmake --build "$1" --target orvanel >/dev/null
}

# A Wine session of a script's own (see tests/e2e/wine.sh), which a Ctrl-C or a TERM at
# any point ends within seconds, Wine, Xvfb and temporary files included.
#
#   start_wine DIR       sets up the session in state folder DIR and exports DISPLAY
#   step OUT COMMAND...  runs COMMAND with its output appended to OUT; in the background,
#                        so that an interrupt is served at once rather than when it ends
#   stop_step SIGNAL     ends the step under way, if any, with SIGNAL and waits for it
#   wine_temporary PATH  removes PATH when the script ends
wine_dir=""
wine_temporaries=()
step_pid=""

stop_step() {
  if [ -n "$step_pid" ]; then
    kill "-$1" "$step_pid" 2>/dev/null || true
    wait "$step_pid" 2>/dev/null || true
  fi
}

step() {
  local out=$1 status=0
  shift
  "$@" </dev/null >>"$out" 2>&1 &
  step_pid=$!
  wait "$step_pid" || status=$?
  step_pid=""
  return $status
}

wine_temporary() {
  wine_temporaries+=("$1")
}

stop_wine() {
  trap - INT TERM HUP
  # The step may be wine.sh, which stops what it started when it gets TERM.
  stop_step TERM
  if [ -n "$wine_dir" ]; then
    bash tests/e2e/wine.sh cleanup "$wine_dir" || true
  fi
  if [ ${#wine_temporaries[@]} -gt 0 ]; then
    rm -rf "${wine_temporaries[@]}"
  fi
}

start_wine() {
  wine_dir=$1
  trap stop_wine EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  step /dev/null bash tests/e2e/wine.sh setup "$wine_dir"
  DISPLAY=":$(cat "$wine_dir/display")"
  export DISPLAY
}

# Packages for the native build with its unit tests, and for the Windows cross-build.
LINUX_PACKAGES=(cmake ninja-build g++ libgtest-dev zlib1g-dev)
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-win32)
# Packages for running the Windows build under Wine on a virtual display.
WINE_PACKAGES=(wine64 xvfb)
# Packages for static analysis.
LINT_PACKAGES=(clang-tidy cppcheck shellcheck libxml2-utils)

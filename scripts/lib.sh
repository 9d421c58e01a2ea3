# shellcheck shell=bash disable=SC2034  # the package lists are used by the sourcing scripts
# Helpers shared by the project's scripts. Source it; do not run it.

# Installs the Debian packages named that are not installed yet. As root it uses
# apt-get (updating the package lists once first); otherwise it prints the one
# command to run and fails.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local install=(apt-get install -y --no-install-recommends "${missing[@]}")
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Install them with:" >&2
    echo "  sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive ${install[*]}" >&2
    return 1
  fi
  echo "Installing ${missing[*]}" >&2
  apt-get update -q >&2
  DEBIAN_FRONTEND=noninteractive "${install[@]}" >&2
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

# Packages for the native build with its unit tests, and for the Windows cross-build.
LINUX_PACKAGES=(cmake ninja-build g++ libgtest-dev)
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-win32)
# Packages for running the Windows build under Wine on a virtual display.
WINE_PACKAGES=(wine64 xvfb)
# Packages for static analysis.
LINT_PACKAGES=(clang-tidy cppcheck shellcheck libxml2-utils)

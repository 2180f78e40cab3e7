#!/usr/bin/env bash
# Installs what Brindlewood needs on Debian 12, builds it, then runs the program or the
# whole test suite.
#   ./setup.sh run              build and start the window
#   ./setup.sh test             build and run every test headless
#   ./setup.sh test --sanitize  the same under AddressSanitizer + UBSan (separate build folder)
#   ./setup.sh package          build a Release .deb with CPack in build-package/
#   ./setup.sh windows          cross-build both programs for 64-bit Windows in build-windows/,
#                               test them under Wine and make the zip and the installer
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
sanitize=OFF
[[ ${2:-} == --sanitize ]] && sanitize=ON
case "$mode" in
  run | test | package | windows) ;;
  *) echo "usage: $0 run|test [--sanitize]|package|windows" >&2; exit 2 ;;
esac

# libcurl4-openssl-dev is for the shell tool's in-process fetch, libsqlite3-dev for its store
# of outcomes, and sqlite3 (the shell) for reading that store in the tests and by hand.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
          fonts-liberation2 curl ca-certificates libcurl4-openssl-dev libsqlite3-dev sqlite3)
# Only packaging needs these: CPack's Debian generator runs dpkg tools and file, and the
# metainfo is validated before it goes into the package.
[[ $mode == package ]] && packages+=(dpkg-dev file appstream)
# The Windows leg: the -posix cross compilers (Qt needs their threads), Ninja, Wine to run the
# tests, Xvfb for the window's own test, NSIS for the installer, and what fetches and unpacks
# Debian's source packages when the Windows dependencies are built from them (tclsh makes
# SQLite's single source file), and the fonts Windows has, for the window under Wine. Never
# wine32: 32-bit Wine cannot run on these kernels and breaks the 64-bit one.
[[ $mode == windows ]] && packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  ninja-build wine wine64 xvfb xauth nsis dpkg-dev xz-utils perl ccache unzip libsqlite3-dev tcl
  fonts-wine)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      # Without root or sudo apt cannot run; say what is missing and how to get it.
      {
        echo "$0: these packages are missing: ${missing[*]}"
        echo "Install them as root, then run this again:"
        echo "  su -c 'apt-get update && apt-get install -y --no-install-recommends ${missing[*]}'"
      } >&2
      exit 1
    fi
    sudo=sudo
  fi
  $sudo apt-get update
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [[ $mode == windows ]]; then
  exec packaging/windows/build-windows.sh
fi

if [[ $mode == package ]]; then
  appstreamcli validate --no-net packaging/*.metainfo.xml
  cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release \
    -DBRINDLEWOOD_BUILD_TESTS=OFF -DBRINDLEWOOD_BUILD_BENCH=OFF -DBRINDLEWOOD_SANITIZE=OFF
  cmake --build build-package -j "$(nproc)"
  cd build-package
  cpack -G DEB
  ls -1 "$PWD"/brindlewood_*.deb
  exit 0
fi

build=build
[[ $sanitize == ON ]] && build=build-sanitize
cmake -S . -B "$build" -DBRINDLEWOOD_SANITIZE=$sanitize
cmake --build "$build" -j "$(nproc)"

if [[ $mode == run ]]; then
  exec "$build/src/brindlewood"
fi
cd "$build"
# Undefined behaviour ends the test that meets it, instead of a line in a log nobody reads.
[[ $sanitize == ON ]] && export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"

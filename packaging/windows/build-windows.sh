#!/usr/bin/env bash
# The Windows leg, run by `./setup.sh windows` once the packages are there: makes the Windows
# dependencies ready (windows-deps.sh), cross-builds both programs in build-windows/, runs the
# test suite under Wine (the window's own test on a virtual X screen), makes the zip and the
# installer, and installs and uninstalls that under Wine. Prints the time each step took.
# With BRINDLEWOOD_WINDOWS_PREBUILT_ONLY=1 (CI) the dependencies come from their cache or the
# prebuilt archive only, and their absence fails the leg at once.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc)
started=$SECONDS
step() { echo "== $1 (at $((SECONDS - started)) s)"; }

# The tests under Wine start the Linux fixture web server: the Windows Qt has no network
# module to build one with. It is the one `./setup.sh test` builds.
step "Linux fixture server in build/"
cmake -S . -B build -DBRINDLEWOOD_SANITIZE=OFF >/dev/null
cmake --build build --target brindlewood-fixture-server -j "$jobs"

step "Windows dependencies"
deps_options=()
[[ ${BRINDLEWOOD_WINDOWS_PREBUILT_ONLY:-} == 1 ]] && deps_options=(--prebuilt-only)
deps=$(packaging/windows/windows-deps.sh "${deps_options[@]}" | tail -n 1)

step "Cross-build in build-windows/"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Paths inside the checkout count as relative, so another clone (CI's) finds the same objects.
  export CCACHE_BASEDIR=$PWD
fi
"$deps/qt/bin/qt-cmake" -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DCURL_INCLUDE_DIR="$deps/curl/include" -DCURL_LIBRARY="$deps/curl/lib/libcurl.dll.a" \
  -DSQLite3_INCLUDE_DIR="$deps/sqlite/include" -DSQLite3_LIBRARY="$deps/sqlite/lib/libsqlite3.a" \
  -DBRINDLEWOOD_CURL_PROGRAM="$deps/fetch-tool/curl.exe" \
  -DBRINDLEWOOD_FIXTURE_SERVER_PROGRAM="$PWD/build/tests/fixture/brindlewood-fixture-server" \
  -DBRINDLEWOOD_BUILD_BENCH=OFF >/dev/null
cmake --build build-windows -j "$jobs"

step "Tests under Wine"
scratch=$(mktemp -d)
xvfb=
cleanup() {
  WINEPREFIX=$PWD/build-windows/wine-prefix wineserver -k 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
# A screen of its own for the window's test; the other tests draw offscreen.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [[ -s $scratch/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
# One Wine server for the whole run, instead of one per test program. Wine's own background
# programs start with the first program and keep its output open as long as they run: they
# are started here, on no output, not inside a test whose output CTest waits to see closed.
build-windows/run-under-wine cmd /c exit 0
WINEPREFIX=$PWD/build-windows/wine-prefix wineserver -w
WINEPREFIX=$PWD/build-windows/wine-prefix wineserver -p
build-windows/run-under-wine cmd /c exit 0 </dev/null >/dev/null 2>&1
(cd build-windows && ctest --output-on-failure -j "$jobs")

step "Packages"
(cd build-windows && cpack >/dev/null)
ls -l build-windows/brindlewood-*-windows-x64.zip build-windows/brindlewood-*-windows-x64.exe
# Unzipped anywhere, the shell tool runs with nothing but what the zip holds.
unzip -q build-windows/brindlewood-*-windows-x64.zip -d "$scratch/unzipped"
(
  export WINEPREFIX=$PWD/build-windows/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset WINEPATH
  version=$(wine "$scratch"/unzipped/brindlewood-*/brindlewood-check.exe --version | tr -d '\r')
  [[ $version == "brindlewood-check "* ]] || { echo "the unzipped brindlewood-check.exe did not run" >&2; exit 1; }
  echo "The unzipped programs run on their own: $version"
)

step "The installer, installed and uninstalled under Wine"
packaging/windows/installer-check.sh build-windows/brindlewood-*-windows-x64.exe
step "Done"

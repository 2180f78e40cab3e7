#!/usr/bin/env bash
# Installs what Brindlewood needs on Debian 12, builds it, then runs the program or the
# whole test suite.
#   ./setup.sh run              build and start the window
#   ./setup.sh test             build and run every test headless
#   ./setup.sh test --sanitize  the same under AddressSanitizer + UBSan (separate build folder)
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
sanitize=OFF
[[ ${2:-} == --sanitize ]] && sanitize=ON
case "$mode" in
  run | test) ;;
  *) echo "usage: $0 run|test [--sanitize]" >&2; exit 2 ;;
esac

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
          fonts-liberation2 curl ca-certificates libcurl4-openssl-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  $sudo apt-get update
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=build
[[ $sanitize == ON ]] && build=build-sanitize
cmake -S . -B "$build" -DBRINDLEWOOD_SANITIZE=$sanitize
cmake --build "$build" -j "$(nproc)"

if [[ $mode == run ]]; then
  exec "$build/src/brindlewood"
fi
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"

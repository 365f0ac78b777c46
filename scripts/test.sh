#!/usr/bin/env bash
# Sets up what is missing on a Debian 12 machine (packages, the Node module the
# Access file tests read back with), builds, and runs every test; then every
# test once more under AddressSanitizer and UndefinedBehaviorSanitizer
# (scripts/sanitize.sh) and a short run of each fuzz target
# (scripts/fuzz.sh --short).
#
# Usage: scripts/test.sh [ctest arguments...], e.g. scripts/test.sh -L unit
# for the quick tests only. Extra arguments skip the sanitizer and fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
need=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
      mdbtools mdbtools-dev fonts-noto-cjk xvfb xauth openbox librapidcheck-dev)
missing=()
for p in "${need[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# Node may come from another packaging that bundles npm; only the commands matter.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}"
fi

# npm ci starts from scratch every time; do it only when the lock file
# changed since the last install.
stamp=node_modules/.installed-lock.json
if ! cmp -s package-lock.json "$stamp" 2>/dev/null; then
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json "$stamp"
fi

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

# Two tests need a real X11 display; a private virtual one keeps them off
# the user's screen. Without one they skip. The laptop-screen tests start
# their own 1366x768 server with a window manager (openbox) instead.
x11=()
command -v xvfb-run >/dev/null 2>&1 && x11=(xvfb-run -a -s "-screen 0 1280x1024x24")
(cd build && QT_QPA_PLATFORM=offscreen "${x11[@]}" ctest --output-on-failure -j"$jobs" "$@")
[ $# -gt 0 ] && exit 0

scripts/sanitize.sh
scripts/fuzz.sh --short

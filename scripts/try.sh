#!/usr/bin/env bash
# Builds the programs, starts a simulated module on a pseudo-terminal
# linked as COM1 (the SMS alarm module for Kestrun, the QV7351 module for
# Varnel), and starts the program against it.
# Usage: scripts/try.sh [kestrun|varnel]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-kestrun}

if ! dpkg -s qt6-base-dev qt6-serialport-dev mdbtools-dev >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev \
    mdbtools mdbtools-dev fonts-noto-cjk
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$program" modsim-run gprs_mdb smstools-mdbread

export COMPORTS_DIR=${COMPORTS_DIR:-$(mktemp -d /tmp/comports.XXXXXX)}
kind=sms; [ "$program" = varnel ] && kind=qv7351
./build/tools/modsim --ports-dir "$COMPORTS_DIR" --com 1 --kind "$kind" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$COMPORTS_DIR/com1" ] && break; sleep 0.1; done
"./build/$program/$program"

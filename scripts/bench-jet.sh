#!/usr/bin/env bash
# Times an export of 64+64 rows and one of 5,000 rows into an Access table file.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build build -j"$(nproc)" --target jetbench >/dev/null && build/tests/bench/jetbench

#!/usr/bin/env bash
# Configures, builds and runs every test; then every test once more under
# AddressSanitizer and UndefinedBehaviorSanitizer (scripts/sanitize.sh), and a
# short run of each fuzz target (scripts/fuzz.sh --short).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")

scripts/sanitize.sh
scripts/fuzz.sh --short

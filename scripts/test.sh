#!/usr/bin/env bash
# Configures, builds and runs every test; then the Access file layer's tests
# once more under AddressSanitizer and UndefinedBehaviorSanitizer, since it
# parses files that come from other installers.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSMSTOOLS_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target jetdb_tst_jetbadinput jetdb_tst_jetroundtrip jetdb_tst_jetunits \
  jetdb_tst_jetintegrity jetbench
cd build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -R '^jetdb/'

#!/usr/bin/env bash
# The whole test suite once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-asan/. Any report fails the run.
#
# Usage: scripts/sanitize.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSMSTOOLS_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
cd build-asan
# Qt keeps a few allocations until exit on purpose; leaks are left to the
# leak checks of the tests themselves.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" "$@"

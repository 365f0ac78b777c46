#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, and runs each of them, all at
# once, starting from the seeds in tests/fuzz/seeds.
#
# Usage: scripts/fuzz.sh --short      a few seconds each (part of the test command)
#        scripts/fuzz.sh --long N     N seconds each; figures in build-fuzz/fuzz-results.txt
#        scripts/fuzz.sh ... TARGET   only that target
# --long also runs the table round trip (tests/varnel/settings/
# tst_table_roundtrip, in the ordinary build/) with N rows per table and
# road in place of the test command's 10; SMSTOOLS_ROUNDTRIP_ROWS and
# SMSTOOLS_ROUNDTRIP_SEED choose them instead. It runs the property tests
# listed in `properties` below for N seconds each as well (their random
# cases counted in the results; SMSTOOLS_PROPERTY_SEED chooses the seed),
# and every random-action test (tests/**/tst_random_actions*, CTest label
# `random`) for N seconds each, all at once, in place of the test
# command's 20 s.
# A finding stops that target and leaves the input as
# build-fuzz/findings/<target>-crash-*; replay it with
#   build-fuzz/tests/fuzz/<target> build-fuzz/findings/<target>-crash-...
# then fix the code and add the case to the ordinary tests.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=5
long=0
case "${1:-}" in
  --short) shift ;;
  --long) seconds=${2:?--long needs seconds}; long=1; shift 2 ;;
esac
only=${1:-}

# clang and its sanitizer and libFuzzer runtimes.
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSMSTOOLS_FUZZ=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target fuzz_all >/dev/null

bin=$build/tests/fuzz
mkdir -p "$build/findings" "$build/fuzz-logs"
targets=()
for f in tests/fuzz/fuzz_*.cpp; do
  t=$(basename "$f" .cpp)
  [ -n "$only" ] && [ "$t" != "$only" ] && continue
  targets+=("$t")
done

# Seeds: one input a line, in hex. Inputs found while running go to the
# target's corpus folder and are started from next time.
for t in "${targets[@]}"; do
  seeds=$build/fuzz-seeds/$t
  rm -rf "$seeds"; mkdir -p "$seeds" "$build/fuzz-corpus/$t"
  if [ -f "tests/fuzz/seeds/$t.hex" ]; then
    n=0
    grep -v '^#' "tests/fuzz/seeds/$t.hex" | while read -r line; do
      [ -z "$line" ] && continue
      n=$((n + 1))
      perl -e 'print pack("H*", $ARGV[0])' "$line" >"$seeds/seed-$n"
    done
  fi
done

pids=()
for t in "${targets[@]}"; do
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 "$bin/$t" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
    "$build/fuzz-corpus/$t" "$build/fuzz-seeds/$t" >"$build/fuzz-logs/$t.log" 2>&1 &
  pids+=($!)
done

failed=0
report=$build/fuzz-results.txt
: >"$report"
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then status=ok; else status=FAILED; failed=1; fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz-logs/$t.log" | tail -1)
  printf '%-28s %-6s %12s executions in %ss\n' "$t" "$status" "${runs:-?}" "$seconds" | tee -a "$report"
  if [ $status = FAILED ]; then
    grep -E 'ERROR|property failed|runtime error|SUMMARY|^    #[0-9] ' "$build/fuzz-logs/$t.log" | head -20
    echo "  (whole log: $build/fuzz-logs/$t.log)"
  fi
done

if [ $long = 1 ] && [ -z "$only" ]; then
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target varnel_settings_tst_table_roundtrip >/dev/null
  rows=${SMSTOOLS_ROUNDTRIP_ROWS:-$seconds}
  log=$build/fuzz-logs/tst_table_roundtrip.log
  # Thousands of rows take longer than QtTest's own limit for one function.
  if (cd build/tests/varnel/settings && QT_QPA_PLATFORM=offscreen SMSTOOLS_ROUNDTRIP_ROWS=$rows \
        QTEST_FUNCTION_TIMEOUT=86400000 ./varnel_settings_tst_table_roundtrip) >"$log" 2>&1; then status=ok; else status=FAILED; failed=1; fi
  printf '%-28s %-6s %12s rows a table and road\n' tst_table_roundtrip "$status" "$rows" | tee -a "$report"
  if [ $status = FAILED ]; then
    grep -E '^FAIL|reproduces' "$log" | head -20
    echo "  (whole log: $log)"
  fi
  # Property tests (tests/support/Property.h): folder under build/tests and
  # target, one a line.
  properties=(
    "kestrun/gprs kestrun_gprs_tst_gprs_roundtrip"
    "kestrun/gprs kestrun_gprs_tst_gprs_boxes"
    "kestrun kestrun_tst_settings_boxes"
    "varnel/settings varnel_settings_tst_settings_boxes"
    "kestrun kestrun_tst_settings_roundtrip"
    "varnel/settings varnel_settings_tst_settings_roundtrip"  # two module states a case
  )
  for p in "${properties[@]}"; do
    read -r dir target <<<"$p"
    cmake --build build -j"$(nproc)" --target "$target" >/dev/null
    log=$build/fuzz-logs/$target.log
    if (cd "build/tests/$dir" && QT_QPA_PLATFORM=offscreen SMSTOOLS_PROPERTY_SECONDS=$seconds \
          SMSTOOLS_PROPERTY_CASES=1000000 QTEST_FUNCTION_TIMEOUT=86400000 "./$target") >"$log" 2>&1; then
      status=ok; else status=FAILED; failed=1; fi
    cases=$(sed -n 's/.*, \([0-9]*\) cases run$/\1/p' "$log" | awk '{ s += $1 } END { if (NR) print s }')
    printf '%-28s %-6s %12s cases in %ss\n' "${target#*_tst_}" "$status" "${cases:-?}" "$seconds" | tee -a "$report"
    if [ $status = FAILED ]; then
      grep -E '^FAIL|Replay|^Command|^refresh|^First failure|^after|^held |^now ' "$log" | head -20
      echo "  (whole log: $log)"
    fi
  done


  # The random-action tests: each prints its seed and the sequences it ran.
  # Their case count only has to outlast the time (rapidcheck sets aside
  # room for every case it may run: two thousand million fail to allocate).
  cmake --build build -j"$(nproc)" >/dev/null
  mapfile -t ra < <(find build/tests -type f -executable -name '*_tst_random_actions*' | sort)
  rpids=()
  for exe in "${ra[@]}"; do
    (cd "$(dirname "$exe")" && QT_QPA_PLATFORM=offscreen SMSTOOLS_PROPERTY_SECONDS=$seconds \
       SMSTOOLS_PROPERTY_CASES=1000000 QTEST_FUNCTION_TIMEOUT=86400000 "./$(basename "$exe")") \
      >"$build/fuzz-logs/$(basename "$exe").log" 2>&1 &
    rpids+=($!)
  done
  for i in "${!ra[@]}"; do
    t=$(basename "${ra[$i]}")
    log=$build/fuzz-logs/$t.log
    if wait "${rpids[$i]}"; then status=ok; else status=FAILED; failed=1; fi
    ran=$(sed -n 's/.*: seed \([0-9]*\), \([0-9]*\) cases run.*/\2 sequences, seed \1/p' "$log" | tail -1)
    printf '%-28s %-6s %s in %ss\n' "$t" "$status" "${ran:-?}" "$seconds" | tee -a "$report"
    if [ $status = FAILED ]; then
      grep -E '^FAIL|Replay|Falsifiable|^  *[0-9]+ ms  !!' "$log" | head -20
      echo "  (whole log: $log)"
    fi
  done
fi
exit $failed

#!/usr/bin/env bash
# The benchmark (not a test): builds in build/ and writes its figures to
# build/bench-results.txt (and the screen).
#  - start-up to the main window painted, and peak memory, of each program
#    against a minimal Qt Widgets program built alongside (median of runs);
#  - the delay the program adds to each step of the parameter refresh
#    beyond its 500 ms timer, median and 99th percentile;
#  - the answer receiver on long streams of noise (1, 4 and 8 MB);
#  - Access export and import of 64+64 and of 5,000 rows.
# Usage: scripts/bench.sh [start-up runs, default 15]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
programs=(minimal kestrun)
[ -f varnel/main.cpp ] && grep -q bench_start_varnel tests/bench/CMakeLists.txt && programs+=(varnel)
targets=(kestrunbench jetbench)
for p in "${programs[@]}"; do targets+=("bench_start_$p"); done
cmake --build build -j"$(nproc)" --target "${targets[@]}" >/dev/null

out=build/bench-results.txt
bin=build/tests/bench
export QT_QPA_PLATFORM=offscreen
{
  echo "Benchmark of $(git rev-parse --short HEAD 2>/dev/null || echo '?') on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "== Start-up to the main window painted, and peak resident memory (median of $runs runs)"
} | tee "$out"

declare -A shown peak
for p in "${programs[@]}"; do
  times=(); mems=()
  for ((i = 0; i < runs; i++)); do
    line=$(SMSTOOLS_BENCH_T0=$(date +%s%N) "$bin/bench_start_$p" 2>/dev/null | grep '^shown_us')
    times+=("$(echo "$line" | awk '{print $2}')")
    mems+=("$(echo "$line" | awk '{print $4}')")
  done
  shown[$p]=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  peak[$p]=$(printf '%s\n' "${mems[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
done
for p in "${programs[@]}"; do
  awk -v p="$p" -v t="${shown[$p]}" -v m="${peak[$p]}" -v t0="${shown[minimal]}" -v m0="${peak[minimal]}" \
    'BEGIN { printf "%-8s start-up %7.1f ms (%.2fx)   peak memory %7.1f MB (%.2fx)\n", p, t/1000, t/t0, m/1024, m/m0 }' |
    tee -a "$out"
done
echo "target: within 1.10x of the minimal program for both" | tee -a "$out"

{
  echo
  echo "== Kestrun against the simulated module"
} | tee -a "$out"
"$bin/kestrunbench" 20 1024,4096,8192 2>/dev/null | tee -a "$out"
{
  echo "targets: added delay under 1 ms median and 5 ms at the 99th percentile;"
  echo "         receiver at least 50 MB/s, linear in the input size"
  echo
  echo "== Access files"
} | tee -a "$out"
"$bin/jetbench" | tee -a "$out"
echo "targets: export of 64+64 rows under 20 ms; 5,000 rows under 1 s" | tee -a "$out"
echo
echo "Figures written to $out"

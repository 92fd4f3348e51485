#!/usr/bin/env bash
# Runs the fuzz targets for as long as asked:
#
#   bench/fuzz.sh SECONDS [TARGET...]      e.g. bench/fuzz.sh 600 editmask profile
#
# Needs the clang build: cmake -S . -B build-fuzz -G Ninja -DPX_FUZZ=ON
# -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ && cmake --build
# build-fuzz --target fuzzers. Each target starts from its seeds in
# tests/fuzz/corpus/ and grows its own corpus in build-fuzz/corpus/; what it
# finds lands in build-fuzz/findings/<target>/ (turn each into a
# regression case in the normal suite). FUZZ_JOBS targets run at a time
# (default 1); FUZZ_FLAGS adds libFuzzer options (e.g. "-fork=1
# -ignore_crashes=1" to go on past a known finding). Prints the executions
# of each target; exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: bench/fuzz.sh SECONDS [TARGET...]}
shift
out=${FUZZ_BUILD:-build-fuzz}
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(ls tests/fuzz/corpus)
fi
jobs=${FUZZ_JOBS:-1}

run_one() {
  local t=$1 exe=$out/fuzz/fuzz_$1
  local corpus=$out/corpus/$t findings=$out/findings/$t log=$out/findings/$t.log
  [ -x "$exe" ] || { echo "$t: $exe not built"; return 1; }
  mkdir -p "$corpus" "$findings"
  # A hang is an input that takes more than 10 s; a run may use 2 GB.
  if "$exe" "$corpus" "tests/fuzz/corpus/$t" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" ${FUZZ_FLAGS:-} >"$log" 2>&1; then
    local execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$t: ${execs:-?} executions in $seconds s, nothing found"
  else
    echo "$t: FOUND SOMETHING (log $log, input in $findings/):"
    grep -E "ERROR|SUMMARY|check failed|Test unit written" "$log" | head -n 8 | sed 's/^/  /'
    return 1
  fi
}

failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  names+=("$t")
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for p in "${pids[@]}"; do
  wait "$p" || failed=1
done
exit $failed

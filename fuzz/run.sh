#!/usr/bin/env bash
# Runs each fuzz target for a given time on one core, growing its corpus in
# WORK/<target>/ from the seeds; crashes land in WORK/<target>-crashes/.
# usage: fuzz/run.sh FUZZ_BUILD SECONDS WORK [target ...]
# The seeds come from the data of a normal build: VM_DATA, or build/data.
set -uo pipefail
build=${1:?fuzz build folder (configured with -DVM_FUZZ=ON and clang)}
seconds=${2:?seconds per target}
work=${3:?work folder (corpora and logs)}
shift 3
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(ini map picture effect texts mesh tips)
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$work/seeds" ] || "$here/make-seeds.sh" "${VM_DATA:-$here/../build/data}" "$work/seeds" || exit 1
# The settings target saves through the game's atomic writes, each with an
# fsync: on a memory file system they cost nothing.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
status=0
for t in "${targets[@]}"; do
  case $t in picture) len=262144 ;; *) len=16384 ;; esac
  mkdir -p "$work/$t" "$work/$t-crashes"
  # The readers must not need more than a few hundred megabytes, nor long;
  # the sanitizer's own quarantine of freed memory is kept out of the count.
  ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=32 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/vm-fuzz-$t" -max_total_time="$seconds" -rss_limit_mb=512 -malloc_limit_mb=512 -timeout=5 \
    -max_len=$len -print_final_stats=1 -artifact_prefix="$work/$t-crashes/" \
    "$work/$t" "$work/seeds/$t" "$here/regressions/$t" > "$work/$t.log" 2>&1 || status=1
  echo "$t: $(grep -E '^stat::number_of_executed_units' "$work/$t.log" | awk '{print $2}') runs in" \
       "$(grep -E '^stat::average_exec_per_sec' "$work/$t.log" | awk '{print $2}') per second," \
       "corpus $(ls "$work/$t" | wc -l) files, $(ls "$work/$t-crashes" | wc -l) crashes"
done
exit $status

#!/bin/bash
# Looks for tests that depend on timing, not part of CI: builds what CI builds, then, while one busy
# process per core loads the machine,
#   1. runs the normal and the sanitizer suite each up to REPEATS times (every test again until it
#      fails once),
#   2. runs the normal suite once more pinned to two cores (the sanitizer suite there would take
#      well over an hour),
#   3. replays the fuzz corpora with the fixed-seed pass, as scripts/test.sh does.
#   scripts/stress.sh [REPEATS (default 5)]
# Ends with "N passed, N failed, N skipped" over all runs; exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
repeats="${1:-5}"
jobs="$(nproc)"
fuzz_runs="${KALVORA_FUZZ_RUNS:-4000}"
export QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0
failed=0
passed=0
skipped=0

bash "$root/scripts/install-deps.sh" || exit 1
source "$root/scripts/test-common.sh"

load=()
stop_load() { [ ${#load[@]} -eq 0 ] || kill "${load[@]}" 2>/dev/null; load=(); }
trap stop_load EXIT
start_load() {
  for _ in $(seq "$jobs"); do
    (while :; do :; done) &
    load+=($!)
    # Out of the job table, so that the fuzz pass's "wait" waits for its own jobs only.
    disown $!
  done
  note "load: ${#load[@]} busy processes"
}

built=()
build_normal && built+=("$root/build")
build_asan && built+=("$root/build-asan")
build_fuzz && fuzz_built=1 || fuzz_built=0

start_load
for dir in "${built[@]}"; do
  note "$dir: up to $repeats runs of every test, under load"
  suite "$dir" --repeat until-fail:"$repeats"
done
if [ "${built[0]:-}" = "$root/build" ]; then
  note "$root/build: once pinned to two cores, under load"
  ctest_prefix="taskset -c 0,1" jobs=2 suite "$root/build"
fi
if [ "$fuzz_built" -eq 1 ]; then
  note "fuzz corpora and fixed-seed passes, under load"
  run_fuzzers
fi
stop_load

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]

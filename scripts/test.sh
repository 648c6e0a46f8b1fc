#!/bin/bash
# Installs what is missing, then builds and runs every test:
#   1. the normal build and its test suite,
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. the libFuzzer targets: every committed corpus input, then a bounded pass with a fixed seed
#      and a fixed number of runs per target, so the same commit always gives the same answer.
# Ends with "N passed, N failed, N skipped", counting the tests that ran (CTest's tests and the fuzz inputs);
# a build that fails counts as one failure. Exits non-zero when anything fails.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
fuzz_runs="${KALVORA_FUZZ_RUNS:-4000}"
export QT_QPA_PLATFORM=offscreen
# Qt seeds its hashes at random; fixed here so fuzz runs take the same paths every time.
export QT_HASH_SEED=0
failed=0
passed=0
skipped=0

bash "$root/scripts/install-deps.sh" || exit 1

source "$root/scripts/test-common.sh"

if build_normal; then suite "$root/build"; fi
if build_asan; then suite "$root/build-asan"; fi
if build_fuzz; then
  note "fuzz targets ($fuzz_runs fixed-seed runs each)"
  run_fuzzers
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]

#!/bin/bash
# Installs what is missing, then builds and runs every test:
#   1. the normal build and its test suite,
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. the libFuzzer targets, each run for a bounded time over its seed corpus.
# Exits non-zero when anything fails.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
fuzz_seconds="${KALVORA_FUZZ_SECONDS:-20}"
export QT_QPA_PLATFORM=offscreen
failed=0
passed=0
step() {  # step <name> <command...>
  local name="$1"; shift
  echo "=== $name"
  if "$@"; then passed=$((passed + 1)); echo "=== $name: passed"
  else failed=$((failed + 1)); echo "=== $name: FAILED"; fi
}

bash "$root/scripts/install-deps.sh" || exit 1

build() {  # build <folder> <cmake options...>
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null && ninja -C "$dir" -j"$jobs"
}
suite() {  # suite <folder>
  (cd "$1" && ctest -j"$jobs" --output-on-failure --timeout 600)
}

step "normal build" build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
step "normal tests" suite "$root/build"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
step "sanitizer build" build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKALVORA_SANITIZE=ON
step "sanitizer tests" suite "$root/build-asan"

run_fuzzers() {
  local dir="$root/build-fuzz/fuzzers" pids=() names=() rc=0
  for f in "$dir"/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue
    local name; name="$(basename "$f")"
    local work; work="$(mktemp -d)"
    # New inputs go to a scratch folder; the committed corpus is only read.
    "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$work/" "$work" "$root/fuzz/corpus/$name" >"$work/log" 2>&1 &
    pids+=($!); names+=("$name:$work")
  done
  for i in "${!pids[@]}"; do
    if ! wait "${pids[$i]}"; then
      rc=1; echo "fuzz target ${names[$i]%%:*} crashed:"; tail -40 "${names[$i]#*:}/log"
    else
      echo "fuzz target ${names[$i]%%:*}: $(grep -E '^#[0-9]+.*DONE' "${names[$i]#*:}/log" | tail -1)"
    fi
  done
  return $rc
}
step "fuzz build" build "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_FUZZ=ON \
  -DKALVORA_WERROR=OFF -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
step "fuzz runs" run_fuzzers

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

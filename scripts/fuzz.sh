#!/bin/bash
# Open-ended fuzzing, not part of CI: runs each libFuzzer target (or the ones named) for the given
# time over its committed corpus. New interesting inputs and any crash, leak or slow input go to
# fuzz-findings/<target>/; mend what is found, then add the input to fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds per target (default 300)] [target...]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-300}"; shift || true
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash "$root/scripts/install-deps.sh" || exit 1
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_FUZZ=ON \
  -DKALVORA_WERROR=OFF -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
  ninja -C "$root/build-fuzz" -j"$(nproc)" fuzz_all || exit 1
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$root"/build-fuzz/fuzzers/fuzz_*; do targets+=("$(basename "$f")"); done
fi
found=0
for name in "${targets[@]}"; do
  out="$root/fuzz-findings/$name"; mkdir -p "$out/new"
  echo "=== $name for $seconds s"
  "$root/build-fuzz/fuzzers/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/" "$out/new" "$root/fuzz/corpus/$name" >"$out/log" 2>&1 || true
  if ls "$out"/crash-* "$out"/timeout-* "$out"/oom-* "$out"/leak-* >/dev/null 2>&1; then
    found=1; echo "findings:"; ls "$out"/crash-* "$out"/timeout-* "$out"/oom-* "$out"/leak-* 2>/dev/null
  fi
done
[ "$found" -eq 0 ] && echo "nothing found"
exit "$found"

#!/bin/bash
# Builds the benchmarks in bench/ (an optimised build with -DKALVORA_BENCH=ON) and runs them all,
# or the ones named; each compares with its reference in the same run and prints the ratios.
#   scripts/bench.sh [bench_name...]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export QT_QPA_PLATFORM=offscreen
bash "$root/scripts/install-deps.sh" || exit 1
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVORA_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null && ninja -C "$root/build-bench" -j"$(nproc)" || exit 1
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for b in "$root"/build-bench/bench/bench_*; do [ -x "$b" ] && names+=("$(basename "$b")"); done
fi
rc=0
for n in "${names[@]}"; do
  echo "=== $n"; "$root/build-bench/bench/$n" || rc=1
done
exit $rc

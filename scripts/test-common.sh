# The steps scripts/test.sh and scripts/stress.sh share; sourced, with root, jobs, fuzz_runs,
# passed, failed and skipped set by the caller.
note() { echo "=== $*"; }

build() {  # build <folder> <cmake options...>
  local dir="$1"; shift
  note "build $dir"
  if cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null && ninja -C "$dir" -j"$jobs"; then
    return 0
  fi
  note "build $dir: FAILED"; failed=$((failed + 1)); return 1
}
suite() {  # suite <folder> [ctest options...]: runs CTest and adds its counts
  local log; log="$(mktemp)"
  local dir="$1"; shift
  # ctest_prefix: a command ctest runs under (stress.sh pins it to two cores).
  (cd "$dir" && ${ctest_prefix:-} ctest -j"$jobs" --output-on-failure --timeout 600 "$@") 2>&1 | tee "$log"
  local line total bad skip
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)"
  if [ -z "$line" ]; then
    note "ctest in $dir printed no result"; failed=$((failed + 1))
  else
    bad="$(sed -E 's/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")"
    total="$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")"
    skip="$(grep -c '(Skipped)$' "$log")"
    failed=$((failed + bad)); skipped=$((skipped + skip)); passed=$((passed + total - bad - skip))
  fi
  rm -f "$log"
}

# The three builds CI makes.
build_normal() { build "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"; }
build_asan() { build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKALVORA_SANITIZE=ON "$@"; }
build_fuzz() {
  build "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_FUZZ=ON \
    -DKALVORA_WERROR=OFF -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "$@"
}
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One fuzz target: replays each corpus input, then the fixed-seed pass. Prints "<passed> <failed>"
# as its last line; the log holds the rest.
fuzz_one() {  # fuzz_one <binary> <corpus> <work>
  local f="$1" corpus="$2" work="$3" ok=0 bad=0
  # A hang still shows; a slow input on a loaded machine does not trip the limit.
  local opts=(-timeout=60 -rss_limit_mb=2048)
  if [ -d "$corpus" ]; then
    for input in "$corpus"/*; do
      [ -f "$input" ] || continue
      if "$f" "${opts[@]}" "$input" >>"$work/log" 2>&1; then ok=$((ok + 1))
      else bad=$((bad + 1)); echo "corpus input failed: $input" >>"$work/log"; fi
    done
  fi
  # New inputs go to a scratch folder; the committed corpus is only read.
  mkdir -p "$work/new"
  if "$f" "${opts[@]}" -seed=1 -runs="$fuzz_runs" -max_len=4096 -artifact_prefix="$work/" \
      "$work/new" ${corpus:+"$corpus"} >>"$work/log" 2>&1; then ok=$((ok + 1))
  else bad=$((bad + 1)); echo "fixed-seed pass failed" >>"$work/log"; fi
  echo "$ok $bad"
}

run_fuzzers() {
  local dir="$root/build-fuzz/fuzzers" names=() works=() running=0
  for f in "$dir"/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue
    local name work; name="$(basename "$f")"; work="$(mktemp -d)"
    names+=("$name"); works+=("$work")
    (fuzz_one "$f" "$root/fuzz/corpus/$name" "$work" >"$work/result") &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
  done
  wait
  for i in "${!names[@]}"; do
    local work="${works[$i]}" ok bad
    read -r ok bad <"$work/result" || { ok=0; bad=1; }
    passed=$((passed + ok)); failed=$((failed + bad))
    if [ "$bad" -gt 0 ]; then
      echo "fuzz target ${names[$i]}: $bad failed"; tail -40 "$work/log"
    else
      echo "fuzz target ${names[$i]}: $ok passed ($(grep -E '^#[0-9]+.*DONE' "$work/log" | tail -1))"
    fi
    rm -rf "$work"
  done
}

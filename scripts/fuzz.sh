#!/usr/bin/env bash
# Fuzzes parsers of outside bytes with clang's libFuzzer. For each NAME given: builds the target
# NAME_fuzz, replays the committed corpus tests/fuzz/corpus/NAME, then fuzzes for FUZZ_SECONDS
# (default 60). tests/fuzz/NAME.dict is used when present, and tests/fuzz/NAME.options may hold
# extra libFuzzer flags (one line). New inputs and crash artifacts go to fuzz-out/NAME.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-2}
[ $# -gt 0 ] || { echo "usage: $0 NAME..." >&2; exit 2; }

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMARROWBY_FUZZ=ON -DMARROWBY_TESTS=ON -DMARROWBY_BENCH=OFF >/dev/null
targets=()
for name in "$@"; do targets+=(--target "${name}_fuzz"); done
cmake --build "$build" -j "$jobs" "${targets[@]}"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for name in "$@"; do
  fuzzer=$(find "$build" -type f -name "${name}_fuzz" -perm -u+x | head -n 1)
  corpus=tests/fuzz/corpus/$name
  out=fuzz-out/$name
  mkdir -p "$out/corpus"
  flags=(-max_len=4096)
  [ -f "tests/fuzz/$name.dict" ] && flags+=(-dict="tests/fuzz/$name.dict")
  [ -f "tests/fuzz/$name.options" ] && read -r -a extra <"tests/fuzz/$name.options" && flags+=("${extra[@]}")
  echo "== $name: replaying $corpus"
  "$fuzzer" -runs=0 -artifact_prefix="$out/" "$corpus"
  echo "== $name: fuzzing for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" "${flags[@]}" \
    -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" "$corpus"
done

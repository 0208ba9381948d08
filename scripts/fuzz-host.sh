#!/usr/bin/env bash
# Fuzzes the host core: builds the libFuzzer target with clang, replays the committed corpus,
# then fuzzes for FUZZ_SECONDS (default 60). New inputs and crash artifacts go to fuzz-out/host.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-2}
corpus=tests/fuzz/corpus/host
out=fuzz-out/host

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMARROWBY_FUZZ=ON -DMARROWBY_TESTS=ON -DMARROWBY_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target host_fuzz
fuzzer=$(find "$build" -type f -name host_fuzz -perm -u+x | head -n 1)

mkdir -p "$out/corpus"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== replaying $corpus"
"$fuzzer" -runs=0 -artifact_prefix="$out/" "$corpus"
echo "== fuzzing for ${seconds}s"
"$fuzzer" -max_total_time="$seconds" -dict=tests/fuzz/host.dict -max_len=4096 \
  -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" "$corpus"

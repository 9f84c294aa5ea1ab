#!/usr/bin/env bash
# Builds the packet interpreter's fuzzer with clang in build-fuzz/ and runs
# it for FUZZ_SECONDS (60 by default) on the seed inputs of tests/fuzz/corpus
# plus what earlier runs found (build-fuzz/corpus), with the dictionary of
# command shapes and fault instructions (tests/fuzz/commands.dict). Exits
# non-zero on a finding, whose input is kept in build-fuzz/findings/. Further
# arguments go to libFuzzer, for example: scripts/fuzz.sh -runs=1000000
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --fuzz
build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-16 -DTALLYHALL_FUZZ=ON \
  -DTALLYHALL_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target packet_fuzzer
mkdir -p "$build/corpus" "$build/findings"
# libFuzzer adds what it finds to the first folder only, so the seeds in the
# repository stay as they are.
exec "$build/packet_fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" \
  -max_len=4096 -timeout=20 -print_final_stats=1 -dict=tests/fuzz/commands.dict \
  -artifact_prefix="$build/findings/" "$@" "$build/corpus" tests/fuzz/corpus

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. With
# TALLYHALL_SANITIZE=1 it builds in build-sanitize/ with AddressSanitizer and
# UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build
options=()
if [[ "${TALLYHALL_SANITIZE:-0}" == 1 ]]; then
  build=build-sanitize
  options=(-DTALLYHALL_SANITIZE=ON -DTALLYHALL_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$build" "${options[@]}"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j2

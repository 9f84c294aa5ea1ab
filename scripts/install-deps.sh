#!/usr/bin/env bash
# Installs what building and testing Tallyhall needs, when it is missing
# (Debian or Ubuntu, as root). With --fuzz also clang and its runtime, which
# holds libFuzzer, for scripts/fuzz.sh (clang 16: clang 14 cannot compile the
# C++20 ranges of GCC 12's standard library).
set -euo pipefail
# dpkg-dev brings dpkg-shlibdeps, which `cpack -G DEB` uses for the
# package's library dependencies; libsystemd-dev brings sd_notify for the
# server's readiness, status and watchdog messages; libcpp-httplib-dev serves
# the metrics endpoint (pkg-config finds it); prometheus brings promtool and
# the server that the metrics tests scrape with.
# clang-format and python3 run the format and loop checks of .ci/run.
packages=(g++ cmake make pkg-config libasio-dev libcpp-httplib-dev libgtest-dev libgmock-dev
  libbenchmark-dev dpkg-dev libsystemd-dev prometheus clang-format python3)
if [[ "${1:-}" == --fuzz ]]; then
  packages+=(clang-16 libclang-rt-16-dev)
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

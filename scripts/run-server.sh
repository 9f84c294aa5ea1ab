#!/usr/bin/env bash
# Installs what is missing, builds, and starts the server with run/ (git-
# ignored) as its program folder, so rebuilding never touches the databases.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j"$(nproc)" --target tallyhall
mkdir -p run
cd run
exec ../build/tallyhall

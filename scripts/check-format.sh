#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted as .clang-format says,
# with the clang-format that scripts/install-deps.sh installs (Debian's).
# Prints what would change.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.h' '*.cc' | xargs -0 clang-format --dry-run -Werror

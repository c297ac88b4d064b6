#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DPULSE_WERROR=ON)
scripts/build.sh build "${extra[@]}"
ctest --test-dir build --output-on-failure -j"$(nproc)"

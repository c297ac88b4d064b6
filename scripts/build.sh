#!/usr/bin/env bash
# build.sh [BUILD_DIR] [extra cmake args...]: configure and build (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
else
  cmake -S . -B "$dir" "$@" >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"

#!/usr/bin/env bash
# tidy.sh [BUILD_DIR]: runs clang-tidy (the checks in .clang-tidy) over every first-party
# source in BUILD_DIR's compile database and fails on any finding. The build dir must have
# been built once, so that the generated Qt headers exist.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
if [ ! -f "$dir/compile_commands.json" ]; then
  echo "tidy.sh: no $dir/compile_commands.json; configure and build $dir first" >&2
  exit 2
fi
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || echo /usr/lib/llvm-14/bin/run-clang-tidy)
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
root=$(pwd)
# Sources of this tree only: not the build dir's generated files.
files="^$root/(analysis|app|bench|comm|form|fuzz|plot|protocol|records|tests|tools|ui|window)/.*\.cpp$"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
# -Wno-unknown-warning-option: the compile database may carry GCC-only warning flags.
"$runner" -clang-tidy-binary "$tidy" -p "$dir" -quiet -j"$(nproc)" \
  -extra-arg=-Wno-unknown-warning-option \
  -header-filter="^$root/(analysis|app|bench|comm|form|fuzz|plot|protocol|records|tests|tools|ui|window)/" \
  "$files" >"$log" 2>&1 || rc=$?
# Print each finding once (a header's findings repeat for every source that includes it).
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' | sort -u || true)
if [ -n "$findings" ] || [ "$rc" -ne 0 ]; then
  if [ -n "$findings" ]; then echo "$findings"; else tail -50 "$log"; fi
  echo "tidy.sh: $(printf '%s\n' "$findings" | grep -c . || true) finding(s)" >&2
  exit 1
fi
echo "tidy.sh: clean"

#!/usr/bin/env bash
# tidy.sh [BUILD_DIR [REF]]: runs clang-tidy (the checks in .clang-tidy) over the first-party
# sources in BUILD_DIR's compile database and fails on any finding. With REF, only over the
# sources changed since the merge base with REF and the sources that include a changed header.
# The build dir must have been built once, so that the generated Qt headers and the header
# dependencies exist.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
ref=${2:-}
if [ ! -f "$dir/compile_commands.json" ]; then
  echo "tidy.sh: no $dir/compile_commands.json; configure and build $dir first" >&2
  exit 2
fi
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy || echo /usr/lib/llvm-14/bin/run-clang-tidy)
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
root=$(pwd)
layers="analysis|app|bench|comm|form|fuzz|plot|protocol|records|tests|tools|ui|window"
# PULSE_TIDY_LAYERS narrows the sources checked, e.g. "fuzz" with the fuzz build's database,
# the one that holds those targets.
src_layers=${PULSE_TIDY_LAYERS:-$layers}
# Sources of this tree only: not the build dir's generated files.
files="^$root/($src_layers)/.*\.cpp$"

if [ -n "$ref" ]; then
  base=$(git merge-base HEAD "$ref")
  mapfile -t changed < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h' '.clang-tidy'
                         git ls-files --others --exclude-standard -- '*.cpp' '*.h')
  if printf '%s\n' "${changed[@]}" | grep -qx '.clang-tidy'; then
    changed=()  # new rules: check everything
  else
    declare -A pick=()
    for f in "${changed[@]}"; do
      case $f in *.cpp) pick["$root/$f"]=1 ;; esac
    done
    headers=$(printf '%s\n' "${changed[@]}" | grep '\.h$' || true)
    if [ -n "$headers" ]; then
      # Ninja's recorded dependencies say which sources include a changed header.
      while read -r src; do pick["$src"]=1; done < <(
        ninja -C "$dir" -t deps | awk -v root="$root/" -v hs="$headers" '
          BEGIN { n = split(hs, h, "\n"); for (i = 1; i <= n; i++) want[root h[i]] = 1 }
          /^[^ ].*: #deps/ { src = ""; next }
          /^    / { p = $1; sub(/^\.\.\//, "", p)
                    if (p !~ /^\//) p = root p
                    if (p ~ /\.cpp$/ && src == "") src = p
                    if (p in want && src != "") print src }' | sort -u)
    fi
    if [ ${#pick[@]} -eq 0 ]; then
      echo "tidy.sh: no C++ source changed since $(git rev-parse --short "$base")"
      exit 0
    fi
    files=$(printf '%s\n' "${!pick[@]}" | grep -E "^$root/($src_layers)/" | sed 's/[.+]/\\&/g' |
            paste -sd'|' -)
    [ -n "$files" ] || { echo "tidy.sh: no checked source changed"; exit 0; }
    files="^($files)$"
  fi
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
# -Wno-unknown-warning-option: the compile database may carry GCC-only warning flags.
"$runner" -clang-tidy-binary "$tidy" -p "$dir" -quiet -j"$(nproc)" \
  -extra-arg=-Wno-unknown-warning-option \
  -header-filter="^$root/($layers)/" \
  "$files" >"$log" 2>&1 || rc=$?
# Print each finding once (a header's findings repeat for every source that includes it).
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' | sort -u || true)
if [ -n "$findings" ] || [ "$rc" -ne 0 ]; then
  if [ -n "$findings" ]; then echo "$findings"; else tail -50 "$log"; fi
  echo "tidy.sh: $(printf '%s\n' "$findings" | grep -c . || true) finding(s)" >&2
  exit 1
fi
echo "tidy.sh: clean"

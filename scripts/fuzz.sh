#!/usr/bin/env bash
# fuzz.sh BUILD_DIR [SECONDS]: runs every fuzz target for SECONDS each; without
# SECONDS, each target for its time in the table below (default_secs if absent).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; all_secs=${2:-}
# The parser sees every byte from the device, so it gets the longest run.
declare -A target_secs=([fuzz_parser]=40)
default_secs=20
shopt -s nullglob
for t in "$dir"/fuzz/*/fuzz_*; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  secs=${all_secs:-${target_secs[$name]:-$default_secs}}
  corpus="$dir/corpus/$name"; mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"
  echo "fuzzing $name for $secs s"
  "$t" -max_total_time="$secs" -print_final_stats=1 -artifact_prefix="$dir/" "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || true
  # libFuzzer exits non-zero on a finding; PIPESTATUS keeps it.
  rc=${PIPESTATUS[0]}
  if [ "$rc" -ne 0 ]; then echo "fuzz target $name failed ($rc)"; exit "$rc"; fi
done

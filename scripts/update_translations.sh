#!/usr/bin/env bash
# update_translations.sh: brings translations/pulse3ch_en.ts up to date with the sources.
# New texts arrive unfinished: translate them (Qt Linguist, or edit the .ts), then
# scripts/check_translations.sh passes again.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/translation_sources.sh
run_lupdate "$ts_file"
echo "updated $ts_file; unfinished entries: $(grep -c 'type="unfinished"' "$ts_file" || true)"

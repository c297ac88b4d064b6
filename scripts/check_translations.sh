#!/usr/bin/env bash
# check_translations.sh: fails when a text of the sources has no finished English
# translation in translations/pulse3ch_en.ts, or the .ts holds texts the sources lost.
# Works on a temporary copy; the .ts itself is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/translation_sources.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$ts_file" "$tmp/check.ts"
run_lupdate "$tmp/check.ts"
python3 - "$ts_file" "$tmp/check.ts" <<'PY'
import sys
import xml.etree.ElementTree as ET

def messages(path):
    out = {}
    for ctx in ET.parse(path).getroot().iter("context"):
        name = ctx.findtext("name")
        for m in ctx.iter("message"):
            out[(name, m.findtext("source"))] = m.find("translation")
    return out

committed, current = messages(sys.argv[1]), messages(sys.argv[2])
bad = []
for (ctx, src), tr in sorted(current.items()):
    if tr is None or tr.get("type") in ("unfinished", "vanished", "obsolete") or not (tr.text or "").strip():
        bad.append(f"untranslated: [{ctx}] {src!r}")
for key in sorted(set(committed) - set(current)):
    bad.append(f"no longer in the sources: [{key[0]}] {key[1]!r}")
if bad:
    print("\n".join(bad))
    print(f"{len(bad)} problem(s); run scripts/update_translations.sh and translate", file=sys.stderr)
    sys.exit(1)
print(f"{len(current)} texts, all translated")
PY

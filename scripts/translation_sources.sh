# Sourced by the translation scripts: the folders whose texts the window shows, and lupdate.
# Texts of the layers below the widgets go through pulse::form::Tr / TrNoop.
tr_dirs=(form protocol window ui app)
tr_aliases="translate+=Tr,QT_TRANSLATE_NOOP+=TrNoop"
ts_file=translations/pulse3ch_en.ts
lupdate_bin=${LUPDATE:-}
if [ -z "$lupdate_bin" ]; then
  for c in lupdate /usr/lib/qt6/bin/lupdate /usr/lib/qt6/libexec/lupdate; do
    if command -v "$c" >/dev/null; then lupdate_bin=$(command -v "$c"); break; fi
  done
fi
if [ -z "$lupdate_bin" ]; then
  echo "lupdate not found (Debian: qt6-l10n-tools); set LUPDATE" >&2
  exit 2
fi
# Run lupdate over the sources into $1 (a .ts file). No line numbers in the file, so it only
# changes when texts do; texts no longer in the sources are dropped.
run_lupdate() {
  "$lupdate_bin" -silent -locations none -no-obsolete -tr-function-alias "$tr_aliases" \
    -source-language zh_CN -target-language en -extensions cpp,h "${tr_dirs[@]}" -ts "$1"
}

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the virtual sensor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ ! -x build/app/pulse3ch ]; then
  echo "The main window is not built yet; nothing to start." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here. To see the window, run under a desktop, or make a picture:" >&2
  echo "  build/app/pulse3ch --snapshot window.png --seconds 5" >&2
  exit 1
fi
exec build/app/pulse3ch --demo "$@"

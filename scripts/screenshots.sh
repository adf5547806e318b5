#!/usr/bin/env bash
# Saves PNG screenshots of the main window in its main states (empty, a batch
# ready to start, jobs in every status with a toast; light and dark) into
# <build>/screenshots. Uses a virtual X server when xvfb-run is installed.
#   scripts/screenshots.sh [build-dir]
# With LANGUAGE=de it pictures the German window and clear dialog instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="$build/screenshots"

cmake --build "$build" --target loopcaster_screenshots
mkdir -p "$out"
tour="$build/tools/screenshots/loopcaster_screenshots"
if command -v xvfb-run >/dev/null && command -v xauth >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$tour" "$out"
else
  QT_QPA_PLATFORM=offscreen "$tour" "$out"
fi
echo "screenshots: $out"
ls "$out"

#!/usr/bin/env bash
# Installs everything Loopcaster needs to build, run and test on Debian 12.
# Idempotent and non-interactive; run as root (or through sudo).
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # Qt 6: core, gui, widgets, sql (+ SQLite driver), dbus, network, test, platform plugins
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  # translations: lupdate/lrelease, their CMake functions, and Qt's own German texts
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # media engine: FFmpeg 5.1 libraries (libx264 comes with libavcodec), libheif for HEIC
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libheif-dev
  # loudness matching: EBU R128 integrated loudness and true peak
  libebur128-dev
  # independent checkers and test-media makers used by tests and benchmarks only
  ffmpeg libheif-examples time
  # desktop session bits for the GUI (notifications over D-Bus, a display for screenshots)
  dbus xvfb xauth
  # the symbol font the window's icons are drawn from (embedded at build time)
  fonts-materialdesignicons-webfont
  # packaging: manual pages from --help, metadata validators, the package checker
  help2man desktop-file-utils appstream lintian dpkg-dev file
  # source checks run by the tests (function length)
  python3
  # faster rebuilds (CI after a local build, sanitizer and coverage trees) and coverage reports
  ccache lcov
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages already installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"

#!/usr/bin/env bash
# Builds the Debian package from an existing build tree, unpacks it into a
# clean temporary root and renders the demo with the installed binary.
# usage: scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target package
deb=$(ls -t "$build"/loopcaster_*.deb | head -1)
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for f in usr/bin/loopcaster usr/bin/loopcaster-render \
         usr/share/applications/org.loopcaster.Loopcaster.desktop \
         usr/share/metainfo/org.loopcaster.Loopcaster.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/org.loopcaster.Loopcaster.svg \
         usr/share/man/man1/loopcaster.1.gz usr/share/man/man1/loopcaster-render.1.gz \
         usr/share/bash-completion/completions/loopcaster-render; do
  [ -e "$root/$f" ] || { echo "check-package: $f is missing from $deb"; exit 1; }
done
"$root/usr/bin/loopcaster-render" --version
"$root/usr/bin/loopcaster-render" --demo --out "$root/demo"
movie=$(ls "$root"/demo/*.mp4)
ffprobe -v error -show_entries format=duration -of csv=p=0 "$movie"
echo "check-package: $(basename "$deb") installs and renders the demo"

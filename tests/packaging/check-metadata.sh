#!/usr/bin/env bash
# usage: check-metadata.sh DESKTOP_FILE METAINFO_FILE MANPAGE APP_BINARY
set -euo pipefail
desktop=$1 metainfo=$2 manpage=$3 app=$4
failed=0

desktop-file-validate "$desktop" || failed=1
appstreamcli validate --no-net "$metainfo" || failed=1

# Every long option of --help must be in the page (read with troff's \- as -).
page=$(sed 's/\\-/-/g' "$manpage")
for option in $("$app" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  if ! grep -qF -- "$option" <<<"$page"; then
    echo "$manpage does not describe $option"
    failed=1
  fi
done
exit $failed

#!/usr/bin/env bash
# Fails when a file of one floor includes a header of a floor it may not use.
# Usage: check-layers.sh <src dir> <floor>=<floor it uses>,<...> ...
# The build passes one rule per floor, from the USES of loopcaster_floor().
set -euo pipefail
src=$1
shift
floors=()
for rule in "$@"; do floors+=("${rule%%=*}"); done

status=0
for rule in "$@"; do
  floor=${rule%%=*}
  allowed=" $floor ${rule#*=} "
  allowed=${allowed//,/ }
  while IFS= read -r hit; do
    # hit: <file>:<line>:#include "<floor>/..."
    included=${hit#*\"}
    included=${included%%/*}
    [[ " ${floors[*]} " == *" $included "* ]] || continue # not one of ours
    if [[ $allowed != *" $included "* ]]; then
      echo "${hit%%:#*}: $floor may not include $included/"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z_]+/' "$src/$floor" | tr -s ' ' || true)
done
exit $status

#!/bin/sh
# Fails if liboxim.so exports a symbol that the version script does not name:
# only the C calls of the public headers and oxim_counter may be visible.
set -eu
lib=$1
map=$2
patterns=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\*\{0,1\}\);.*/\1/p' "$map" | grep -v '^local$' || true)
status=0
for symbol in $(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//'); do
  ok=no
  for pattern in $patterns; do
    case $symbol in $pattern) ok=yes ;; esac
  done
  if [ $ok = no ]; then
    echo "unexpected export: $symbol"
    status=1
  fi
done
for required in OXIM_init oxim_counter OXIM_op_iscsi_login os_prepare_device_for_removal; do
  nm -D --defined-only "$lib" | grep -q " $required\$" || { echo "$required not exported"; status=1; }
done
exit $status

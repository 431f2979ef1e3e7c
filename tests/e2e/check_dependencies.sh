#!/bin/sh
# Fails if liboxim.so depends on more than the C and C++ runtimes, or carries
# the emulated adapter or an iSCSI protocol library: the shipped library
# talks to the emulated adapter over its socket only.
set -eu
lib=$1
status=0
for needed in $(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  case $needed in
    libstdc++.so.* | libgcc_s.so.* | libc.so.* | libm.so.* | ld-linux*.so.*) ;;
    *) echo "unexpected dependency: $needed"; status=1 ;;
  esac
done
# Defined or undefined, no symbol of the emulator or of libiscsi.
if nm -C "$lib" 2>/dev/null | grep -E 'oxim::emulator::|[ ]iscsi_(connect|login|logout|create_context)' >&2; then
  echo "the emulated adapter or libiscsi is linked in"
  status=1
fi
if nm -D -C "$lib" | grep -E 'oxim::emulator::|[ ]iscsi_(connect|login|logout|create_context)' >&2; then
  echo "the emulated adapter or libiscsi is linked in"
  status=1
fi
exit $status

#!/usr/bin/env bash
# dockline-cli.exe detect under Wine with the simulated device: G while it is
# plugged in, nothing once G's mapping is gone (the removable H: carries the
# signature too and must never be named).
set -euo pipefail
cli=$1 tools=$2
: "${WINEPREFIX:?run under tools/with-wine}"
fail() { echo "FAIL: $*"; exit 1; }
trap '"$tools/sim-device" plug "$WINEPREFIX"' EXIT
"$tools/sim-device" plug "$WINEPREFIX"
out=$(wine "$cli" detect 2>/dev/null | tr -d '\r') || fail "device not found"
[ "$out" = "G" ] || fail "expected G, got '$out'"
"$tools/sim-device" unplug "$WINEPREFIX"
set +e
out=$(wine "$cli" detect 2>/dev/null | tr -d '\r'); rc=$?
set -e
[ $rc -eq 1 ] && [ -z "$out" ] || fail "after unplugging: rc=$rc out='$out'"
echo "PASS"

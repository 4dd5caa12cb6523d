#!/usr/bin/env bash
# Plugs the simulated device in and out while DOCKLINE.exe runs and checks
# that the state lamp and the free-space text follow it (the delay is printed,
# not judged: timing belongs to measurements), then closes the program
# through its confirmation box and checks that it ends.
source "$(dirname "$0")/common.sh"
now_ms() { date +%s%3N; }

start
wine "$probe" wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the lamp did not light with the device present"
wine "$probe" wait-text-not 1051 "剩余空间：0(KB)" 2000 >/dev/null || fail "no free space shown with the device present"
echo "device present: $(wine "$probe" text 1051)"

# Changes are timed from the moment the mapping changes to the moment the
# window shows them; the probe is already watching when it happens.
expect_to_follow() {  # id text action...
  local id=$1 text=$2; shift 2
  local out; out=$(mktemp)
  wine "$probe" wait-text "$id" "$text" 15000 > "$out" & local watcher=$!
  sleep 1.5
  local t0; t0=$(now_ms)
  "$@"
  wait $watcher || fail "control $id never showed \"$text\": $(cat "$out")"
  local t1; t1=$(tr -d '\r' < "$out")
  local dt=$((t1 - t0))
  echo "control $id showed \"$text\" after ${dt} ms"
}

expect_to_follow 1019 "U盘未连接" "$tools/sim-device" unplug "$WINEPREFIX"
[ "$(wine "$probe" text 1051 | tr -d '\r')" = "剩余空间：0(KB)" ] || fail "free space not reset after unplug"
expect_to_follow 1019 "U盘已连接" "$tools/sim-device" plug "$WINEPREFIX"
wine "$probe" wait-text-not 1051 "剩余空间：0(KB)" 1000 >/dev/null || fail "free space not shown after plugging in"

finish

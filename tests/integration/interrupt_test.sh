#!/usr/bin/env bash
# A download of a large file cut short through DOCKLINE.exe, as a user would
# cut it: by the stop button, and by pulling the device out. Either way the
# device keeps its old file whole and no half-written file is left on it.
source "$(dirname "$0")/common.sh"
src=$WINEPREFIX/drive_c/大文件
PC_LIST=1022 DOWNLOAD=1023 STOP=1032 YES=6
size=$((2 * 1024 * 1024 * 1024 + 1))  # past 2 GiB: sizes must not wrap

rm -rf "$src" && mkdir -p "$src"
truncate -s $size "$src/big.mp3"  # sparse: quick to make, slow enough to copy
trap 'cleanup; rm -rf "$src" "$device/mp3/big.mp3"*' EXIT
printf 'old song' > "$device/mp3/big.mp3"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
p select-entry 0
p file-dialog 20000 'C:\大文件' '"big.mp3"' >/dev/null || fail "no file dialog"
eventually rows_are 1 || fail "big.mp3 was not queued: $(p rows $PC_LIST)"
[ "$(p rows $PC_LIST | tail -n +2 | cut -f5)" = $size ] || fail "size shown: $(p rows $PC_LIST)"

intact() {
  [ "$(cat "$device/mp3/big.mp3")" = "old song" ] || fail "$1: the old file was not kept"
  ls -A "$device/mp3" | grep -q 'part~' && fail "$1: a half-written file was left" || true
}

# Stop: the question holds the worker; Yes ends the run.
p click $DOWNLOAD
p answer 覆盖 $YES 30000 >/dev/null || fail "no overwrite question"
p click $STOP
[ "$(p answer DOCKLINE $YES 10000)" = "要终止下载吗?" ] || fail "no stop question"
[ "$(p answer 提示 1 60000)" = "下载已终止" ] || fail "the run did not end as stopped"
intact "stop"

# The device pulled out in the middle of the copy.
run_over() { p rect $PC_LIST >/dev/null; }  # the list comes back once the run is done with
eventually run_over || fail "the stopped run did not give the list back"
p click $DOWNLOAD
p answer 覆盖 $YES 30000 >/dev/null || fail "no overwrite question the second time"
sleep 0.5  # into the copy
"$tools/sim-device" unplug "$WINEPREFIX"
[ "$(p answer 提示 1 60000)" = "言途6170已断开连接，下载已终止。" ] || fail "no word of the lost device"
"$tools/sim-device" plug "$WINEPREFIX"
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found again"
[ "$(cat "$device/mp3/big.mp3")" = "old song" ] || fail "unplugged: the old file was not kept"
# What the cut copy left under its temporary name goes at the next download.
p tick $PC_LIST 0 0
p click $DOWNLOAD
p answer 提示 1 30000 >/dev/null || fail "no answer to a download with nothing ticked"
intact "unplugged"

finish

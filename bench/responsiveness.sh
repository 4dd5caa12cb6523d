#!/usr/bin/env bash
# How long DOCKLINE.exe's main window takes to answer while it works, as
# another program sees it: the probe sends WM_NULL every 20 ms and times each
# answer (median, 99th percentile, worst), while the program sits idle,
# downloads 60 songs of 4 MB and a 1 GiB file, lists FILES files of the
# device, deletes them, takes FILES files chosen in the open-file dialog
# (from the press of its Open button: every file of a folder is typed into
# it beforehand), sorts, unticks and ticks them, removes their rows, takes
# them again dropped as a folder, and previews a camera's photo. The time
# each takes is printed beside it. Goal: a worst answer of 100 ms everywhere.
#   responsiveness.sh DOCKLINE.exe dockline-probe.exe TOOLS_DIR [FILES]
# Run under tools/with-wine (the simulated device on G:).
set -euo pipefail
exe=$1 probe=$2 tools=$3 files=${4:-10000}
: "${WINEPREFIX:?run under tools/with-wine}"
export WINEDEBUG=-all
device=$WINEPREFIX/dockline-devices/device
src=$WINEPREFIX/drive_c/bench
stop=$WINEPREFIX/drive_c/ping.stop
PC_LIST=1022 DEVICE_LIST=1027 DOWNLOAD=1023 SELECT_ALL=1024 INVERT=1025 DELETE=1028 LOCAL_TAB=1026 DEVICE_TAB=1029
YES=6 NAME_COLUMN=1 PREVIEW_INFO=1072 STATUS=1059

p() { wine "$probe" "$@" | tr -d '\r'; }
eventually() { for _ in $(seq 1 100); do "$@" && return 0; sleep 0.1; done; return 1; }
fail() { echo "FAIL: $*" >&2; exit 1; }
cleanup() {
  kill "${pid:-0}" 2>/dev/null || true
  rm -rf "$src" "$stop" "$device/mp3"/* "$device/系统/可视复读"/*
}
trap cleanup EXIT

echo "making the files: $files on the device, $files to choose, 60 x 4 MB and 1 GiB to download"
rm -rf "$src" "$device/mp3"/* "$device/系统/可视复读"/* && mkdir -p "$src/many" "$src/songs"
for ((i = 0; i < files; i++)); do
  printf 'song %d' "$i" > "$device/mp3/歌曲$i.mp3"
  printf 'song %d' "$i" > "$src/many/歌曲$i.mp3"
done
for ((i = 0; i < 60; i++)); do head -c $((4 * 1024 * 1024)) /dev/urandom > "$src/songs/s$i.mp3"; done
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$src/songs/big.mp3"
mkdir -p "$src/photo" && convert -size 4000x3000 -seed 5 plasma:fractal -quality 90 "$src/photo/照片.jpg"

wine "$exe" & pid=$!
p wait-window 60000 >/dev/null || fail "the main window did not appear"
p wait-text 1019 "U盘已连接" 10000 >/dev/null || fail "the device was not found"

# measure NAME CONDITION ACTION...: the round trips from just before ACTION
# until CONDITION holds (asked every 100 ms for at most ten minutes).
measure() {
  local name=$1 condition=$2; shift 2
  local out; out=$(mktemp)
  rm -f "$stop"
  p ping 900000 'C:\ping.stop' > "$out" & local pinger=$!
  sleep 0.5
  local t0 t1; t0=$(date +%s%N)
  "$@"
  local done=0
  for _ in $(seq 1 6000); do eval "$condition" && { done=1; break; }; sleep 0.1; done
  [ $done = 1 ] || fail "$name: never done"
  t1=$(date +%s%N)
  sleep 0.5
  touch "$stop"
  wait $pinger
  printf '%-30s %7d ms   %s\n' "$name" $(((t1 - t0) / 1000000)) "$(cat "$out")"
  rm -f "$out"
}
count() { [ "$(p count "$1")" = "$2" ]; }
choose_all() {  # sidebar entry, folder: every file of the folder typed into the file dialog
  p select-entry "$1"
  p file-dialog-all 600000 "$2" >/dev/null || fail "the file dialog did not go to $2"
}
open_chosen() { p file-dialog-open 600000 >/dev/null || fail "the file dialog did not close"; }
answer() { p answer "$@" >/dev/null; }
finished() { [ "$(p answer 提示 1 600000)" = "下载完毕" ]; }

echo "what the window's round trip is while it:          (samples, ms)"
measure "is idle" true sleep 3
# The songs go to the repeat-reading folder (category 1): the deletion below
# then deletes what it lists and no 1 GiB file, whose unlinking holds Wine's
# server, and with it every window of every Wine program, for some 0.3 s.
choose_all 1 'C:\bench\songs'
open_chosen
listed() { count $PC_LIST 61; }
eventually listed || fail "the songs were not all listed: $(p count $PC_LIST)"
measure "downloads 241 MB + 1 GiB" finished p click $DOWNLOAD
[ "$(ls "$device/系统/可视复读" | wc -l)" = 61 ] || fail "the songs did not all arrive"
# The download's 1.2 GB reach the disk before the next measurement: Wine's
# server deletes files itself, and would otherwise wait on that flush, every
# window of the program waiting with it.
sync
p select-entry 0  # the device view lists the songs' category
p file-dialog-cancel 20000 >/dev/null || fail "no file dialog to cancel"
on_device=$(ls "$device/mp3" | wc -l)
measure "lists $on_device device files" "count $DEVICE_LIST $on_device" p click $DEVICE_TAB
measure "deletes them" "count $DEVICE_LIST 0" eval "p click $DELETE; answer DOCKLINE $YES 10000"
[ -z "$(ls "$device/mp3")" ] || fail "files were left on the device: $(ls "$device/mp3" | head -3)"
p click $LOCAL_TAB
p click $DELETE
emptied() { count $PC_LIST 0; }
eventually emptied || fail "the songs' rows stayed"
choose_all 0 'C:\bench\many'
measure "takes $files chosen files" "count $PC_LIST $files" open_chosen
measure "sorts them by name" true p click-column $PC_LIST $NAME_COLUMN
# Ticking is a page job too: done when the status line counts the ticks.
ticked() { p item-text $STATUS | grep -q "^已选文件：$1/$files，"; }
measure "inverts their ticks" "ticked 0" p click $INVERT
measure "ticks them all" "ticked $files" p click $SELECT_ALL
measure "removes their rows" "count $PC_LIST 0" p click $DELETE
measure "takes them dropped as a folder" "count $PC_LIST $files" p drop 'C:\bench\many'
p click $DELETE
eventually emptied || fail "the dropped rows stayed"
p drop 'C:\bench\photo\照片.jpg'
photo_listed() { count $PC_LIST 1; }
eventually photo_listed || fail "the photo was not taken"
previewed() { [ -n "$(p window-text 预览 $PREVIEW_INFO 2>/dev/null)" ]; }
measure "previews a 4000 x 3000 photo" previewed p open-row $PC_LIST 0 enter
p window-key 预览 27
p close 10000 >/dev/null || fail "closing did not end the window"
wait $pid || true

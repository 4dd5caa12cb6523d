#!/usr/bin/env bash
# A thousand small songs dropped onto DOCKLINE.exe and downloaded while one
# file is flushed and moved into place as the next is written, cut short
# each way a user meets: the stop button, the device pulled out, and a
# device that really fills up (a small tmpfs on its song folder). Whatever
# happens, each song on the device is whole or absent, and no temporary file
# stays behind once the run is over.
source "$(dirname "$0")/common.sh"
src=$WINEPREFIX/drive_c/小文件
PC_LIST=1022 DOWNLOAD=1023 STOP=1032 COUNTER=1055 YES=6
songs=1000

rm -rf "$src" && mkdir -p "$src"
head -c $((songs * 50000)) /dev/urandom | split -b 50000 -d -a 4 --additional-suffix=.mp3 - "$src/歌"
clear_songs() { rm -f "$device/mp3"/歌*; }
mounted=""
trap 'cleanup; [ -z "$mounted" ] || umount "$device/mp3"; rm -rf "$src"; clear_songs' EXIT
clear_songs

# Each song on the device is its source, byte for byte; prints how many there are.
whole() {
  local n=0 f
  for f in "$device/mp3"/歌*; do
    [ -e "$f" ] || continue
    case $f in *part~*) fail "$1: a temporary file stayed: ${f##*/}" ;; esac
    cmp -s "$f" "$src/${f##*/}" || fail "$1: ${f##*/} is not whole"
    n=$((n + 1))
  done
  echo $n
}
downloaded() { p item-text $COUNTER | sed -n 's/^已下载文件数：\([0-9]*\)\/.*/\1/p'; }
under_way() { [ "$(downloaded)" -ge "$1" ] 2>/dev/null; }
reaches() { for _ in $(seq 1 300); do under_way "$1" && return 0; sleep 0.1; done; return 1; }
run_over() { p rect $PC_LIST >/dev/null; }  # the list comes back once the run is done with

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
p select-entry 0
p file-dialog-cancel 20000 >/dev/null || fail "no file dialog to cancel"
p drop 'C:\小文件'
all_queued() { rows_are $songs; }
eventually all_queued || fail "the songs were not queued: $(p rows $PC_LIST | head -1)"

# Stop, a hundred songs in.
p click $DOWNLOAD
reaches 100 || fail "the download did not get under way: $(p item-text $COUNTER)"
p click $STOP
[ "$(p answer DOCKLINE $YES 10000)" = "要终止下载吗?" ] || fail "no stop question"
[ "$(p answer 提示 1 60000)" = "下载已终止" ] || fail "the run did not end as stopped"
n=$(whole "stopped")
[ "$n" -gt 0 ] && [ "$n" -lt $songs ] || fail "stopped: $n songs on the device"
eventually run_over || fail "the stopped run did not give the list back"

# Pulled out, two hundred songs in (the ones already there are skipped).
p click $DOWNLOAD
reaches $((n + 100)) || fail "the second run did not get under way: $(p item-text $COUNTER)"
"$tools/sim-device" unplug "$WINEPREFIX"
[ "$(p answer 提示 1 60000)" = "言途6170已断开连接，下载已终止。" ] || fail "no word of the lost device"
"$tools/sim-device" plug "$WINEPREFIX"
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found again"
# What a cut copy left under its temporary name goes at the next download:
# the whole run again, every song there unchanged or new.
eventually run_over || fail "the cut run did not give the list back"
there=$(ls "$device/mp3" | grep -c '^歌.*mp3$')  # counted before the run adds to them
p click $DOWNLOAD
said=$(p answer 提示 1 120000)
[ "$said" = "$(printf '下载完毕\n已跳过%d个未改变的文件。' "$there")" ] || fail "the run after the device came back ($there there): $said"
[ "$(whole "unplugged, then downloaded again")" = $songs ] || fail "not every song arrived"

# Full: the song folder holds 10 MB, for 50 MB of songs.
clear_songs
if mount -t tmpfs -o size=10m tmpfs "$device/mp3" 2>/dev/null; then
  mounted=1
  p click $DOWNLOAD
  [ "$(p answer DOCKLINE 1 60000)" = "您的磁盘空间不足。" ] || fail "no word of the full device"
  [ "$(p answer 提示 1 60000)" = "下载已终止" ] || fail "the run did not end at the full device"
  n=$(whole "full")
  [ "$n" -gt 100 ] && [ "$n" -lt $songs ] || fail "full: $n songs on the device"
  eventually run_over || fail "the run at the full device did not give the list back"
  umount "$device/mp3" && mounted=""
else
  echo "SKIP: the full device (mounting a small tmpfs was refused: needs root)"
fi

finish

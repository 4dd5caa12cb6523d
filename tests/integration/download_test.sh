#!/usr/bin/env bash
# The whole journey through DOCKLINE.exe, driven from outside as a user
# would: choose files for three categories in the open-file dialog (a song
# with its lyrics, an empty file, a UTF-8 web page, a bitmap), download them
# to the simulated device, answer the overwrite question each way, look at
# the device's files and delete one with its companion.
source "$(dirname "$0")/common.sh"
src=$WINEPREFIX/drive_c/资料
PC_LIST=1022 DEVICE_LIST=1027 STATUS=1059 DOWNLOAD=1023 DEVICE_TAB=1029 DELETE=1028
YES=6 NO=1060 YES_TO_ALL=1061 NO_TO_ALL=1062 VERIFY=1063 SKIP=1067 ASKED_NAME=1064 ON_DEVICE=1065 INCOMING=1066
ini=$(dirname "$exe")/dict.ini
# 写入后校验 starts off, 跳过未改变的文件 on.
[ ! -f "$ini" ] || sed -i '/^\[VERIFY\]/d; /^AFTERWRITE=/d; /^\[SKIP\]/d; /^UNCHANGED=/d' "$ini"

rm -rf "$src" && mkdir -p "$src"
head -c 150000 /dev/urandom > "$src/a.mp3"
printf '[00:01]歌词\r\n' > "$src/a.lrc"
head -c 70000 /dev/urandom > "$src/b.wma"
: > "$src/empty.mp3"
printf '<html><head><meta charset="utf-8"></head><body><p>你好，世界</p></body></html>' > "$src/网页.html"
cp "$corpus/pal-4x2-8.bmp" "$src/图.bmp"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"

choose 0 'C:\资料' '"a.mp3" "b.wma" "empty.mp3"' 4
rows=$(p rows $PC_LIST | tail -n +2 | cut -f1-5 | tr '\t' '|')
expected="1| |a.mp3|1.数 码MP3|150000
1| |a.lrc|1.数 码MP3|$(stat -c %s "$src/a.lrc")
1| |b.wma|1.数 码MP3|70000
1| |empty.mp3|1.数 码MP3|0"
[ "$rows" = "$expected" ] || fail "rows after choosing songs: $rows"
[ "$(p item-text $STATUS)" = "已选文件：4/4，共214(KB)" ] || fail "status line: $(p item-text $STATUS)"
p tick $PC_LIST 2 0
[ "$(p item-text $STATUS)" = "已选文件：3/4，共146(KB)" ] || fail "status after unticking: $(p item-text $STATUS)"
p tick $PC_LIST 2 1
choose 2 'C:\资料' '"网页.html"' 5
choose 8 'C:\资料' '"图.bmp"' 6

# First run, with every file read back after it is written (the option is
# remembered at once): everything new on the device; the empty file is refused.
p click $VERIFY
remembered() { grep -q '^AFTERWRITE=1' "$ini"; }
eventually remembered || fail "写入后校验 was not remembered in dict.ini"
p click $DOWNLOAD
[ "$(p answer DOCKLINE 1 30000)" = "为了您的系统良好，请不要复制空文件。" ] || fail "no empty-file box"
[ "$(p answer 提示 1 60000)" = "下载完毕" ] || fail "the first run did not finish"
for f in a.mp3 b.wma; do cmp -s "$src/$f" "$device/mp3/$f" || fail "$f differs on the device"; done
[ "$(iconv -f GBK -t UTF-8 "$device/mp3/a.lrc")" = "$(cat "$src/a.lrc")" ] || fail "the lyrics did not arrive as GBK"
[ ! -e "$device/mp3/empty.mp3" ] || fail "the empty file was copied"
[ "$(iconv -f GBK -t UTF-8 "$device/系统/电子图书/网页.txt" | tr -d '\r\n')" = "你好，世界" ] ||
  fail "the page did not arrive as GBK text"
[ "$(head -c 11 "$device/系统/图片/图.ych")" = YCP6170V1.0 ] || fail "the bitmap did not arrive as a device picture"
ls -A "$device" "$device/mp3" "$device/系统"/* | grep -q 'part~' && fail "a temporary file was left behind"
p click $VERIFY
forgotten() { grep -q '^AFTERWRITE=0' "$ini"; }
eventually forgotten || fail "clearing 写入后校验 was not remembered"

# Again: the device holds every file as it is, the page and the picture as
# what they became. Nothing is asked and nothing written again.
inode() { stat -c %i "$device/$1"; }
before="$(inode mp3/a.mp3) $(inode 系统/电子图书/网页.txt) $(inode 系统/图片/图.ych)"
p click $DOWNLOAD
p answer DOCKLINE 1 30000 >/dev/null  # the empty file again
[ "$(p answer 提示 1 60000)" = "$(printf '下载完毕\n已跳过5个未改变的文件。')" ] || fail "the unchanged files were not all skipped"
[ "$(inode mp3/a.mp3) $(inode 系统/电子图书/网页.txt) $(inode 系统/图片/图.ych)" = "$before" ] ||
  fail "an unchanged file was written again"

# Overwrite answers, with every file rewritten (the option off, remembered):
# 全否 keeps every file; 是 replaces one, 否 keeps the next; 全是 asks no more.
p click $SKIP
skips_none() { grep -q '^UNCHANGED=0' "$ini"; }
eventually skips_none || fail "clearing 跳过未改变的文件 was not remembered"
p click $DOWNLOAD
asked() { p windows | grep -qx 覆盖; }
eventually asked || fail "no overwrite question"
[ "$(p window-text 覆盖 $ASKED_NAME)" = 'G:\mp3\a.mp3' ] || fail "the question names $(p window-text 覆盖 $ASKED_NAME)"
when=$(date -d "@$(stat -c %Y "$src/a.mp3")" '+%Y-%m-%d %H:%M:%S')
[ "$(p window-text 覆盖 $ON_DEVICE)" = "150,000 字节，$when" ] || fail "the device's version: $(p window-text 覆盖 $ON_DEVICE)"
[ "$(p window-text 覆盖 $INCOMING)" = "150,000 字节，$when" ] || fail "the new version: $(p window-text 覆盖 $INCOMING)"
p answer 覆盖 $NO_TO_ALL 30000 >/dev/null || fail "no overwrite question"
p answer DOCKLINE 1 30000 >/dev/null  # the empty file again
[ "$(p answer 提示 1 60000)" = "下载完毕" ] || fail "the 全否 run did not finish"
# The rule on again: only the two files changed on the device are asked
# about, the one 否 keeps, the other 全是 replaces.
p click $SKIP
skips() { grep -q '^UNCHANGED=1' "$ini"; }
eventually skips || fail "ticking 跳过未改变的文件 again was not remembered"
echo changed > "$device/mp3/a.mp3"
echo changed > "$device/mp3/b.wma"
p click $DOWNLOAD
p answer 覆盖 $NO 30000 >/dev/null || fail "no question for a.mp3"
p answer 覆盖 $YES_TO_ALL 30000 >/dev/null || fail "no question for b.wma"
p answer DOCKLINE 1 30000 >/dev/null  # the empty file again
[ "$(p answer 提示 1 60000)" = "$(printf '下载完毕\n已跳过3个未改变的文件。')" ] || fail "the mixed run did not finish as it should"
[ "$(cat "$device/mp3/a.mp3")" = changed ] || fail "否 replaced a.mp3"
cmp -s "$src/b.wma" "$device/mp3/b.wma" || fail "全是 did not replace b.wma"

# The device list of the e-books, and a deletion that takes the companion.
printf 'cfg' > "$device/系统/电子图书/网页.cfg"
p select-entry 2
p file-dialog-cancel 20000 >/dev/null || fail "no file dialog to cancel"
eventually alone || fail "the file dialog did not close: $(p windows)"
p click $DEVICE_TAB
listed() {
  [ "$(p rows $DEVICE_LIST | tail -n +2 | cut -f3-5 | tr '\t' '|')" = "网页.txt|3.电子图书|$(stat -c %s "$device/系统/电子图书/网页.txt")" ]
}
eventually listed || fail "device list: $(p rows $DEVICE_LIST)"
p click $DELETE
[ "$(p answer DOCKLINE 6 10000)" = "确定从U盘删除选定文件?" ] || fail "no deletion question"
gone() { [ ! -e "$device/系统/电子图书/网页.txt" ] && [ ! -e "$device/系统/电子图书/网页.cfg" ]; }
eventually gone || fail "the page or its companion is still on the device"
no_rows() { [ "$(p rows $DEVICE_LIST | head -1)" = 0 ]; }
eventually no_rows || fail "the deleted row stayed: $(p rows $DEVICE_LIST)"

finish

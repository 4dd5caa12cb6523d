#!/usr/bin/env bash
# Files dropped from the file manager and the preview of what the device
# will show, through DOCKLINE.exe as a user meets them: a folder of songs
# with lyrics, a book, pictures and files no category takes is dropped onto
# the window with the book named again (in other letter case); each file is
# queued once under its category and the rest named in one box, the Word 97
# document apart with what to do. Enter on a song opens nothing, on a photo
# its preview, whose pixels are read from a screenshot: the device's four
# greys. The download
# puts each file in its category's folder, and the preview of the picture
# on the device is the preview of the photo, pixel for pixel. A drop during
# a download is refused with the download's words. The preview of a
# 100-megapixel photo opened and closed ten times decodes it once at a time
# (the process's threads, read from outside), and the window answers
# throughout.
source "$(dirname "$0")/common.sh"
src=$WINEPREFIX/drive_c/拖入 big=$WINEPREFIX/drive_c/大文件 shots=$WINEPREFIX/shots huge=$WINEPREFIX/drive_c/巨图
PC_LIST=1022 DEVICE_LIST=1027 DOWNLOAD=1023 DEVICE_TAB=1029 LOCAL_TAB=1026 TYPE_COMBO=1037 STOP=1032
PICTURE=1070 NAME=1071 INFO=1072 VK_ESCAPE=27 CLOSE=2 YES=6 NO_TO_ALL=1062

rm -rf "$src" "$big" "$shots" "$huge" && mkdir -p "$src/书" "$src/图" "$big" "$shots" "$huge"
trap 'cleanup; rm -rf "$src" "$big" "$shots" "$huge"' EXIT
head -c 50000 /dev/urandom > "$src/歌.mp3"
printf '[00:01]歌词\r\n' > "$src/歌.lrc"
head -c 40000 /dev/urandom > "$src/曲.wma"
printf '第一章\r\n' > "$src/书/小说.txt"
convert -size 800x600 gradient:black-white "$src/图/风景.jpg"
cp "$corpus/pal-4x2-8.bmp" "$src/图/小.bmp"
printf 'x' > "$src/说明.doc"
printf 'x' > "$src/备份.zip"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
# 可视复读 chosen last (its dialog cancelled): it takes the song before 数 码MP3 does, not the wma.
p select-entry 1
p file-dialog-cancel 20000 >/dev/null || fail "no file dialog to cancel"

p drop 'C:\拖入' 'C:\拖入\书\小说.TXT'
[ "$(p box 20000)" = "$(printf '以下文件不属于任何一类下载内容，没有添加：\n备份.zip\n\n以下电子书或文档的格式无法转换，没有添加：\n说明.doc\n%s' \
  '请先把它们另存为EPUB、TXT或Word的.docx文件再添加，例如用电子书阅读软件转换，或在Word里用“另存为”。')" ] ||
  fail "the files no category takes were not named in one box"
rows=$(p rows $PC_LIST | tail -n +2 | cut -f3,4 | tr '\t' '|')
expected="歌.mp3|2.可视复读
歌.lrc|2.可视复读
曲.wma|1.数 码MP3
小说.txt|3.电子图书
风景.jpg|9.下载图片
小.bmp|9.下载图片"
[ "$rows" = "$expected" ] || fail "rows after the drop: $rows"

# The preview's picture, cropped from the screen: "W H greys…".
picture() {
  local x y w h
  read -r x y w h < <(p window-rect 预览 $PICTURE) || return 1
  import -window root "$shots/screen.png"
  convert "$shots/screen.png" -crop "${w}x$h+$x+$y" +repage "$shots/$1.png"
  echo "$w $h $(convert "$shots/$1.png" -unique-colors txt:- | grep -o '#[0-9A-F]\{6\}' | sort | paste -sd' ')"
}
shows() { [ "$(p window-text 预览 $INFO)" = "$1" ]; }
closed() { ! p windows | grep -qx 预览; }

p open-row $PC_LIST 0 enter  # a song: nothing to show
p open-row $PC_LIST 4 enter
eventually shows "320 × 240，在U盘上占 19,215 字节" || fail "the photo's preview: $(p window-text 预览 $INFO)"
[ "$(p window-text 预览 $NAME)" = 风景.jpg ] || fail "the preview is of $(p window-text 预览 $NAME)"
[ "$(p windows | grep -cx 预览)" = 1 ] || fail "more than one preview: $(p windows)"
[ "$(picture pc)" = "320 240 #000000 #555555 #AAAAAA #FFFFFF" ] || fail "the photo's preview shows $(picture pc)"
p window-key 预览 $VK_ESCAPE
eventually closed || fail "Esc did not close the preview"

p open-row $PC_LIST 5 dblclick
eventually shows "4 × 2，在U盘上占 17 字节" || fail "the bitmap's preview: $(p window-text 预览 $INFO)"
p answer 预览 $CLOSE 5000 >/dev/null
eventually closed || fail "关闭 did not close the preview"

p click $DOWNLOAD
[ "$(p answer 提示 1 60000)" = "下载完毕" ] || fail "the download did not finish"
for f in 系统/可视复读/歌.mp3 系统/可视复读/歌.lrc mp3/曲.wma 系统/电子图书/小说.txt 系统/图片/风景.ych 系统/图片/小.ych; do
  [ -f "$device/$f" ] || fail "$f is not on the device"
done

# The picture on the device previews as the photo did.
p click $DEVICE_TAB
p select $TYPE_COMBO 8
ych_listed() { p rows $DEVICE_LIST | tail -n +2 | cut -f3 | grep -qx 风景.ych; }
eventually ych_listed || fail "the device list: $(p rows $DEVICE_LIST)"
row=$(($(p rows $DEVICE_LIST | tail -n +2 | cut -f3 | grep -nx 风景.ych | cut -d: -f1) - 1))
p open-row $DEVICE_LIST $row enter
eventually shows "320 × 240，在U盘上占 19,215 字节" || fail "the device picture's preview: $(p window-text 预览 $INFO)"
picture device >/dev/null
[ "$(compare -metric AE "$shots/pc.png" "$shots/device.png" null: 2>&1)" = 0 ] ||
  fail "the device's picture differs from the photo's preview"
p window-key 预览 $VK_ESCAPE
eventually closed || fail "Esc did not close the device picture's preview"

# A drop while a download runs.
p click $LOCAL_TAB
truncate -s $((2 * 1024 * 1024 * 1024)) "$big/大.mp3"  # sparse: quick to make, slow enough to copy
p drop 'C:\大文件\大.mp3'
seven_rows() { [ "$(p rows $PC_LIST | head -1)" = 7 ]; }
eventually seven_rows || fail "the big file was not queued: $(p rows $PC_LIST)"
echo changed > "$device/mp3/曲.wma"  # a question to hold the run at: the rest are there unchanged
p click $DOWNLOAD
p answer 覆盖 $NO_TO_ALL 30000 >/dev/null || fail "no overwrite question"
p drop 'C:\拖入'
[ "$(p answer DOCKLINE 1 10000)" = "正在下载,请稍等片刻" ] || fail "a drop during the download was not refused"
p click $STOP
p answer DOCKLINE $YES 10000 >/dev/null || fail "no stop question"
p answer 提示 1 60000 >/dev/null || fail "the run did not end"
[ "$(p rows $PC_LIST | head -1)" = 7 ] || fail "the refused drop added rows: $(p rows $PC_LIST)"
rm -f "$device/系统/可视复读/大.mp3"*

# Ten previews of a 100-megapixel photo, each closed before its picture came.
convert -size 10000x10000 gradient:red-blue -quality 85 "$huge/巨.jpg"
p drop 'C:\巨图\巨.jpg'
eight_rows() { [ "$(p rows $PC_LIST | head -1)" = 8 ]; }
eventually eight_rows || fail "the photo was not queued: $(p rows $PC_LIST)"
threads() { ls "/proc/$pid/task" | wc -l; }
kilobytes() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$pid/status"; }
made() { [ "$(p window-text 预览 $INFO)" = "240 × 240，在U盘上占 14,415 字节" ]; }
made_in_a_minute() { for _ in $(seq 1 600); do made && return 0; sleep 0.1; done; return 1; }
# One whole decode first: what it costs, and the threads of a program that has made a preview.
before=$(kilobytes VmRSS)
p open-row $PC_LIST 7 enter
made_in_a_minute || fail "the photo's preview: $(p window-text 预览 $INFO)"
one=$(($(kilobytes VmHWM) - before))
p window-key 预览 $VK_ESCAPE
eventually closed || fail "Esc did not close the photo's preview"
idle=$(threads)
echo 5 > "/proc/$pid/clear_refs"  # the peak starts again from here
rm -f "$WINEPREFIX/drive_c/ping.stop"
p ping 300000 'C:\ping.stop' > "$shots/ping" & pinger=$!
(while [ ! -e "$WINEPREFIX/drive_c/ping.stop" ]; do threads; sleep 0.05; done) > "$shots/threads" & counter=$!
p reopen $PC_LIST 7 10 预览 || fail "the photo's previews did not open and close"
# The last one waits for the abandoned decode to end, then makes its picture.
p open-row $PC_LIST 7 enter
made_in_a_minute || fail "the photo's preview after ten closed: $(p window-text 预览 $INFO)"
touch "$WINEPREFIX/drive_c/ping.stop"
wait $pinger $counter
p window-key 预览 $VK_ESCAPE
eventually closed || fail "Esc did not close the photo's preview"
most=$(sort -n "$shots/threads" | tail -1) peak=$(($(kilobytes VmHWM) - before))
echo "one decode $((one / 1024)) MB; ten previews: threads $idle idle, $most at most, peak $((peak / 1024)) MB; window: $(cat "$shots/ping")"
# A decode under way and the next preview's work waiting for it.
[ "$most" -le $((idle + 2)) ] || fail "$((most - idle)) preview threads at once"
# The probe counts a message unanswered after 2 s as 2000 ms.
worst=$(sed 's/.*worst \([0-9]*\).*/\1/' "$shots/ping")
[ "$worst" -lt 2000 ] || fail "the window stopped answering during the previews"

finish

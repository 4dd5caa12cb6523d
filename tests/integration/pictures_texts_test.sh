#!/usr/bin/env bash
# Today's files through DOCKLINE.exe, chosen in the open-file dialog as a
# user would: a phone photo turned by its EXIF orientation, a 4000 x 3000
# PNG and a palette GIF for the picture category, a UTF-8 book and a song
# with UTF-8 lyrics. Downloaded to the simulated device, the pictures are
# read back with ych2bmp and compared with ImageMagick's fit of the same
# file, both blurred, so that only the dithering's grain differs; the texts
# must arrive as GBK.
source "$(dirname "$0")/common.sh"
cli=$(dirname "$exe")/dockline-cli.exe
# The folder the download test uses: the dialog may open on a folder remembered from it.
src=$WINEPREFIX/drive_c/资料
DOWNLOAD=1023
# Root-mean-square difference, 0..1, above which a picture is not the one
# meant (a crop, a wrong turn or a wrong scale lies near 0.2 and beyond; a
# good one near 0.03).
BOUND=0.06

rm -rf "$src" && mkdir -p "$src"
convert -size 800x600 -seed 3 plasma:fractal "$src/横.jpg"
{ head -c 2 "$src/横.jpg"; printf '\xFF\xE1\x00\x22Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0'
  tail -c +3 "$src/横.jpg"; } > "$src/手机.jpg"
rm "$src/横.jpg"
convert -size 4000x3000 -seed 4 plasma:fractal "$src/大图.png"
convert -size 640x480 -seed 5 plasma:fractal -colors 32 "$src/调色板.gif"
printf '第一章 春天\r\n' > "$src/书.txt"
head -c 80000 /dev/urandom > "$src/歌.mp3"
printf '[00:01]歌词\r\n' > "$src/歌.lrc"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
choose 8 'C:\资料' '"手机.jpg" "大图.png" "调色板.gif"' 3
choose 2 'C:\资料' '"书.txt"' 4
choose 0 'C:\资料' '"歌.mp3"' 6  # with its lyrics

p click $DOWNLOAD
[ "$(p answer 提示 1 120000)" = "下载完毕" ] || fail "the download did not finish"

pictures=$device/系统/图片
for case in 手机.jpg:180x240 大图.png:320x240 调色板.gif:320x240; do
  source_file=$src/${case%%:*} size=${case#*:}
  name=$(basename "${source_file%.*}")
  [ -f "$pictures/$name.ych" ] || fail "$name did not arrive as a device picture"
  wine "$cli" ych2bmp "$(winepath -w "$pictures/$name.ych" 2>/dev/null)" "$(winepath -w "$src/$name.bmp" 2>/dev/null)" ||
    fail "ych2bmp could not read $name.ych"
  got=$(identify -format '%wx%h' "$src/$name.bmp")
  [ "$got" = "$size" ] || fail "$name is $got on the device, not $size"
  convert "$source_file[0]" -auto-orient -resize "$size!" -colorspace Gray -blur 0x2 "$src/ref.png"
  convert "$src/$name.bmp" -colorspace Gray -blur 0x2 "$src/got.png"
  # compare answers 1 whenever the pictures differ at all; its figure is what counts.
  diff=$({ compare -metric RMSE "$src/got.png" "$src/ref.png" null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/')
  echo "$name: $got, difference $diff (bound $BOUND)"
  awk -v d="$diff" -v b=$BOUND 'BEGIN { exit !(d < b) }' || fail "$name differs from the reference by $diff"
done
[ ! -e "$pictures/手机.jpg" ] || fail "the photo itself was copied"

[ "$(iconv -f GBK -t UTF-8 "$device/系统/电子图书/书.txt")" = "$(printf '第一章 春天\r\n')" ] || fail "the book is not GBK"
[ "$(iconv -f GBK -t UTF-8 "$device/mp3/歌.lrc")" = "$(printf '[00:01]歌词\r\n')" ] || fail "the lyrics are not GBK"
cmp -s "$src/歌.mp3" "$device/mp3/歌.mp3" || fail "the song differs"
ls -A "$device/系统"/* "$device/mp3" | grep -q 'part~' && fail "a temporary file was left behind"

finish

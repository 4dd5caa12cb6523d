#!/usr/bin/env bash
# Today's files through DOCKLINE.exe, chosen in the open-file dialog as a
# user would: for the picture category a phone photo turned by its EXIF
# orientation, a 4000 x 3000 PNG, a palette GIF and the odd ones (an
# interlaced PNG, a progressive and a CMYK JPEG, a GIF animation whose first
# frame lies inside its screen, a photo whose EXIF block comes after 200 KB
# of other segments, a 32-bit bitmap with transparency), a UTF-8 book and a
# song with UTF-8 lyrics. Downloaded to the simulated device, the pictures
# are read back with ych2bmp and compared with ImageMagick's fit of the same
# file, both blurred, so that only the dithering's grain differs; the texts
# must arrive as GBK. A progressive JPEG of 300 bytes claiming 20000 x 15000
# pixels is refused in plain words, and nothing of it reaches the device.
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
convert -size 800x600 -seed 6 plasma:fractal -fill red -draw 'rectangle 0,0 150,599' "$src/base.png"
convert "$src/base.png" -interlace PNG PNG24:"$src/隔行.png"
convert "$src/base.png" -quality 92 -interlace JPEG "$src/渐进.jpg"
convert "$src/base.png" -quality 92 -colorspace CMYK "$src/印刷.jpg"
convert "$src/base.png" -resize 400x300 -colors 64 "$src/frame.gif"
convert -dispose none -page 640x480+100+80 "$src/frame.gif" -page 640x480+0+0 \( -size 640x480 xc:navy \) \
  -loop 0 "$src/动画.gif"
convert "$src/base.png" -quality 92 "$src/plain.jpg"
{ head -c 2 "$src/plain.jpg"
  for _ in 1 2 3 4; do printf '\xFF\xE2\xEA\x62'; head -c 60000 /dev/zero; done  # APP2, as a colour profile
  printf '\xFF\xE1\x00\x22Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0'
  tail -c +3 "$src/plain.jpg"; } > "$src/后置.jpg"
convert "$src/base.png" -resize 400x300 \( -size 400x300 gradient:white-black \) -alpha off -compose CopyOpacity \
  -composite BMP:"$src/透明.bmp"
convert -size 16x16 xc:gray -quality 90 -interlace JPEG "$src/tiny.jpg"
python3 - "$src/tiny.jpg" "$src/巨.jpg" <<'END'
import sys
d = bytearray(open(sys.argv[1], 'rb').read())
i = d.find(b'\xff\xc2')
assert i > 0, 'not progressive'
d[i + 5:i + 9] = bytes([15000 >> 8, 15000 & 255, 20000 >> 8, 20000 & 255])  # height, width
open(sys.argv[2], 'wb').write(d)
END
rm "$src/base.png" "$src/frame.gif" "$src/plain.jpg" "$src/tiny.jpg"
printf '第一章 春天\r\n' > "$src/书.txt"
head -c 80000 /dev/urandom > "$src/歌.mp3"
printf '[00:01]歌词\r\n' > "$src/歌.lrc"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
choose 8 'C:\资料' '"手机.jpg" "大图.png" "调色板.gif" "隔行.png" "渐进.jpg" "印刷.jpg" "动画.gif" "后置.jpg" "透明.bmp" "巨.jpg"' 10
choose 2 'C:\资料' '"书.txt"' 11
choose 0 'C:\资料' '"歌.mp3"' 13  # with its lyrics

p click $DOWNLOAD
refusal=$(p answer DOCKLINE 1 120000)
[ "$refusal" = 'C:\资料\巨.jpg：图片太大，转换它需要的内存超过128MB，无法转换。' ] || fail "the huge JPEG: $refusal"
[ "$(p answer 提示 1 120000)" = "下载完毕" ] || fail "the download did not finish"

pictures=$device/系统/图片
[ ! -e "$pictures/巨.ych" ] || fail "the huge JPEG reached the device"
for case in 手机.jpg:180x240 大图.png:320x240 调色板.gif:320x240 隔行.png:320x240 渐进.jpg:320x240 印刷.jpg:320x240 \
  动画.gif:320x240 后置.jpg:180x240 透明.bmp:320x240; do
  source_file=$src/${case%%:*} size=${case#*:}
  name=$(basename "${source_file%.*}")
  [ -f "$pictures/$name.ych" ] || fail "$name did not arrive as a device picture"
  wine "$cli" ych2bmp "$(winepath -w "$pictures/$name.ych" 2>/dev/null)" "$(winepath -w "$src/$name.bmp" 2>/dev/null)" ||
    fail "ych2bmp could not read $name.ych"
  got=$(identify -format '%wx%h' "$src/$name.bmp")
  [ "$got" = "$size" ] || fail "$name is $got on the device, not $size"
  convert "$source_file[0]" -background white -flatten -auto-orient +repage -resize "$size!" -colorspace Gray -blur 0x2 \
    "$src/ref.png"
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

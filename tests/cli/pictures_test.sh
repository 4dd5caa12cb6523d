#!/usr/bin/env bash
# Pictures of every kind a user meets, made here by ImageMagick, through
# `dockline-cli bmp2ych`, read back with `ych2bmp` and compared with
# ImageMagick's own fit of the same file (laid on white, turned upright,
# scaled in linear light, the device's luma weights), both blurred so that
# only the dithering's grain differs. The same script tries the Linux
# decoders and, under Wine, the Windows Imaging Component.
#   pictures_test.sh CLI            (native)
#   pictures_test.sh --wine CLI.exe (under tools/with-wine)
#   pictures_test.sh --no-decoders CLI (a build without JPEG, PNG and GIF: bitmaps only)
set -euo pipefail
decoders=1
if [ "$1" = "--no-decoders" ]; then decoders=0; shift; fi
. "$(dirname "$0")/common.sh"
work=$(mktemp -d)/图片种类
mkdir -p "$work"
trap 'rm -rf "$(dirname "$work")"' EXIT
cd "$work"
# Root-mean-square difference, 0..1, above which a picture is not the one
# meant: a wrong turn, offset, inversion or channel lands near 0.1 and beyond.
BOUND=0.05
failures=0

win() { if [ $wine_mode -eq 1 ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi; }
cli_run() {
  if [ $wine_mode -eq 1 ]; then WINEDEBUG=-all wine "$cli" "$@"; else "$cli" "$@"; fi
}
bad() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check NAME FILE [REFERENCE]: FILE converted must look like REFERENCE (by
# default FILE itself as ImageMagick reads it), fitted to 320 x 240.
check() {
  local name=$1 file=$2 ref=${3:-$2}
  rm -f got.ych got.bmp
  if ! err=$(cli_run bmp2ych "$(win "$work/$file")" "$(win "$work/got.ych")" 2>&1); then
    bad "$name: not converted: $err"; return
  fi
  cli_run ych2bmp "$(win "$work/got.ych")" "$(win "$work/got.bmp")" >/dev/null 2>&1 || { bad "$name: no picture read back"; return; }
  convert "$ref[0]" -background white -flatten -auto-orient +repage -colorspace RGB -resize '320x240>' \
    -colorspace sRGB -grayscale Rec601Luma -blur 0x2 ref.png
  local want got
  want=$(identify -format '%wx%h' ref.png) got=$(identify -format '%wx%h' got.bmp)
  [ "$want" = "$got" ] || { bad "$name: $got on the device, not $want"; return; }
  convert got.bmp -colorspace Gray -blur 0x2 got.png
  # compare answers 1 whenever the pictures differ at all; its figure is what counts.
  local diff
  diff=$({ compare -metric RMSE got.png ref.png null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/')
  if awk -v d="$diff" -v b=$BOUND 'BEGIN { exit !(d < b) }'; then
    echo "ok   $name: $got, difference $diff"
  else
    bad "$name: differs from the reference by $diff (bound $BOUND)"
  fi
}

# The same picture throughout: fine detail, and red and blue bars whose
# greys differ by far (a formula with the two swapped shows at once).
convert -size 480x360 -seed 7 plasma:fractal -fill red -draw 'rectangle 0,0 90,359' \
  -fill blue -draw 'rectangle 389,0 479,359' -depth 8 base.png
convert base.png -resize 160x120 small.png
hole() { echo "-alpha set -region $1 -alpha transparent +region"; }

if [ $decoders -eq 1 ]; then
# ---- PNG: interlaced, 16 bits, grey with alpha, palette and single-colour transparency
convert base.png -interlace PNG PNG24:interlaced.png
convert base.png -depth 16 PNG48:deep.png
convert base.png -depth 16 -interlace PNG PNG48:deep-interlaced.png
convert base.png -colorspace Gray \( -size 480x360 gradient:white-black \) -alpha off -compose CopyOpacity -composite \
  -define png:color-type=4 grey-alpha.png
convert base.png $(hole 150x100+60+80) -colors 32 PNG8:palette-holes.png
convert base.png $(hole 150x100+60+80) PNG24:rgb-holes.png
convert base.png -colorspace Gray $(hole 150x100+60+80) -define png:color-type=0 -define png:bit-depth=8 grey-holes.png
for f in interlaced deep deep-interlaced grey-alpha palette-holes rgb-holes grey-holes; do check "PNG $f" $f.png; done
# Lines a pixel apart, far finer than the device's screen: an even grey, not
# the bands of black and white a scaler that samples would leave.
python3 -c "import sys; sys.stdout.buffer.write(b'P5 2000 1500 255\n' + (b'\xff' * 2000 + b'\0' * 2000) * 750)" |
  convert pgm:- stripes.png
check "PNG stripes" stripes.png

# ---- JPEG: baseline, progressive, grey, CMYK with the Adobe marker and without
convert base.png -quality 95 baseline.jpg
convert base.png -quality 95 -interlace JPEG progressive.jpg
convert base.png -quality 95 -colorspace Gray grey.jpg
convert base.png -quality 95 -colorspace CMYK cmyk-adobe.jpg
# Without the marker the ink is stored as it is, not inverted as Adobe
# stores it. ImageMagick writes CMYK only as YCCK, which needs the marker,
# so Pillow writes this one (plain CMYK, inverted, with the marker): from
# the negated separation, whose marker is then cut out.
convert base.png -colorspace CMYK -depth 8 cmyk:cmyk.raw
/usr/bin/python3 - cmyk.raw cmyk-plain.jpg <<'EOF'
import io, sys
from PIL import Image, ImageChops
out = io.BytesIO()
ink = Image.frombytes('CMYK', (480, 360), open(sys.argv[1], 'rb').read())
ImageChops.invert(ink).save(out, 'JPEG', quality=95)
d = out.getvalue()
i = d.find(b'\xff\xee')
assert i > 0 and d[i + 15] == 0, 'no Adobe marker of plain CMYK to cut'
open(sys.argv[2], 'wb').write(d[:i] + d[i + 2 + (d[i + 2] << 8 | d[i + 3]):])
EOF
for f in baseline progressive grey cmyk-adobe; do check "JPEG $f" $f.jpg; done
check "JPEG cmyk-plain" cmyk-plain.jpg base.png

# ---- EXIF orientation: all eight, either byte order, and after 200 KB of other segments
exif() {  # exif ORDER VALUE: an APP1 block with the orientation tag alone
  if [ "$1" = MM ]; then printf '\xFF\xE1\x00\x22Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0'"\\x0$2"'\0\0\0\0\0\0'
  else printf '\xFF\xE1\x00\x22Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0'"\\x0$2"'\0\0\0\0\0\0\0'; fi
}
filler() { for _ in 1 2 3 4; do printf '\xFF\xE3\xEA\x62'; head -c 60000 /dev/zero; done; }  # four APP3 of 60000 bytes
convert base.png -resize 240x180 -quality 95 plain.jpg
for v in 1 2 3 4 5 6 7 8; do
  order=MM; [ $((v % 2)) -eq 0 ] && order=II
  { head -c 2 plain.jpg; exif $order $v; tail -c +3 plain.jpg; } > turned-$v.jpg
  check "EXIF $order orientation $v" turned-$v.jpg
done
{ head -c 2 plain.jpg; filler; exif MM 6; tail -c +3 plain.jpg; } > turned-late.jpg
check "EXIF after 240 KB of other segments" turned-late.jpg

# ---- GIF: the first frame of an animation, at its place on the screen; a
# frame that reaches past the screen; a transparent colour
convert base.png -resize 240x180 -colors 64 frame.gif
convert -size 240x180 xc:navy navy.gif
convert -dispose none -page 320x240+60+40 frame.gif -page 320x240+0+0 navy.gif -loop 0 animation.gif
convert -page 200x150+90+70 frame.gif beyond.gif
convert base.png -resize 240x180 -colors 63 -fill '#00ff00' -draw 'rectangle 20,20 120,100' -transparent '#00ff00' clear.gif
for f in animation beyond clear; do check "GIF $f" $f.gif; done
else
  echo "SKIP (JPEG, PNG, GIF): built without picture decoders, only bitmaps are taken"
fi

# ---- BMP the device's own conversion never took: bit fields of 16 and 32
# bits (alpha among them), run lengths, the oldest header
convert small.png -alpha off -type TrueColor -define bmp:subtype=RGB565 rgb565.bmp
convert small.png -alpha off -define bmp:subtype=RGB555 BMP3:rgb555.bmp
convert small.png \( -size 160x120 gradient:white-black \) -alpha off -compose CopyOpacity -composite BMP:argb.bmp
convert small.png -type Palette -colors 200 -compress RLE BMP3:rle8.bmp
convert small.png BMP2:core.bmp
for f in rgb565 argb rle8 core; do check "BMP $f" $f.bmp; done
# ImageMagick writes no masks after the 40-byte header of its RGB555 and then
# reads the pixels as masks, black throughout: the picture it was made from
# is the reference.
check "BMP rgb555" rgb555.bmp small.png

[ $failures -eq 0 ] || fail "$failures kinds of picture did not arrive as they look"
echo "PASS"

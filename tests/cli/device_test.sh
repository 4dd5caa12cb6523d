#!/usr/bin/env bash
# dockline-cli push / list / rm end to end: the bytes on the device (copied,
# a web page as GBK text, a bitmap as a device picture), the overwrite
# choices, refusals with their exit statuses, companions deleted, and never
# a partial file left on the device.
#   device_test.sh CLI            (native: a folder stands in for the device)
#   device_test.sh --wine CLI.exe (under tools/with-wine: the simulated G:)
set -euo pipefail
. "$(dirname "$0")/common.sh"
work=$(mktemp -d)/下载测试
mkdir -p "$work/pc"

if [ $wine_mode -eq 1 ]; then
  : "${WINEPREFIX:?run under tools/with-wine}"
  dev=$WINEPREFIX/dockline-devices/device
  tag=cli$$  # the simulated device is shared: our files carry a tag
  run() { WINEDEBUG=-all wine "$cli" "$@"; }
  host() { winepath -w "$1" 2>/dev/null; }                   # a PC file as the tool spells it
  devpath() { printf 'G:\\%s' "$(printf '%s' "$1" | tr / '\\')"; }
  devopt=()
else
  dev=$work/设备
  mkdir -p "$dev"
  tag=cli
  run() { "$cli" "$@"; }
  host() { printf '%s' "$1"; }
  devpath() { printf '%s/%s' "$dev" "$1"; }
  devopt=(--device "$dev")
fi
trap 'rm -rf "$(dirname "$work")"; rm -f "$dev"/mp3/$tag* "$dev"/系统/电子图书/$tag* "$dev"/系统/图片/$tag*' EXIT

status() { set +e; "$@" >"$work/out" 2>"$work/err"; rc=$?; set -e; tr -d '\r' <"$work/err" >"$work/msg"; }

printf 'music bytes' > "$work/pc/$tag歌.mp3"
printf '<p>\xC4\xE3\xBA\xC3</p>' > "$work/pc/$tag书.HTML"
white_bmp "$work/pc/$tag画.bmp"
: > "$work/pc/$tag空.mp3"

status run push "${devopt[@]}" --verify 1 "$(host "$work/pc/$tag歌.mp3")"
[ $rc -eq 0 ] || fail "push music, read back: exit $rc $(cat "$work/msg")"
cmp -s "$work/pc/$tag歌.mp3" "$dev/mp3/$tag歌.mp3" || fail "music bytes differ on the device"

status run push "${devopt[@]}" 3 "$(host "$work/pc/$tag书.HTML")"
[ $rc -eq 0 ] || fail "push page: exit $rc"
cmp -s <(printf '\xC4\xE3\xBA\xC3') "$dev/系统/电子图书/$tag书.txt" || fail "the page did not arrive as its text"
[ ! -e "$dev/系统/电子图书/$tag书.HTML" ] || fail "the page itself was copied"

status run push "${devopt[@]}" 下载图片 "$(host "$work/pc/$tag画.bmp")"
[ $rc -eq 0 ] || fail "push picture: exit $rc"
cmp -s <(white_ych) "$dev/系统/图片/$tag画.ych" || fail "the bitmap did not arrive as a device picture"

# A UTF-8 book arrives as GBK; --raw keeps its bytes; a GBK book is untouched.
printf '\xEF\xBB\xBF\xE4\xBD\xA0\xE5\xA5\xBD' > "$work/pc/$tag新.txt"  # 你好 after a mark
printf '\xC4\xE3\xBA\xC3' > "$work/pc/$tag旧.txt"
status run push "${devopt[@]}" 3 "$(host "$work/pc/$tag新.txt")" "$(host "$work/pc/$tag旧.txt")"
[ $rc -eq 0 ] || fail "push texts: exit $rc"
cmp -s <(printf '\xC4\xE3\xBA\xC3') "$dev/系统/电子图书/$tag新.txt" || fail "a UTF-8 book did not arrive as GBK"
cmp -s "$work/pc/$tag旧.txt" "$dev/系统/电子图书/$tag旧.txt" || fail "a GBK book was changed"
status run push "${devopt[@]}" --raw --overwrite yes 3 "$(host "$work/pc/$tag新.txt")"
[ $rc -eq 0 ] && cmp -s "$work/pc/$tag新.txt" "$dev/系统/电子图书/$tag新.txt" || fail "--raw changed the bytes"

# An existing file: kept without a terminal or with "no", replaced with "yes".
printf 'newer' > "$work/pc/$tag歌.mp3"
status run push "${devopt[@]}" 1 "$(host "$work/pc/$tag歌.mp3")" </dev/null
[ $rc -eq 1 ] && grep -q "已存在" "$work/msg" || fail "existing file without a terminal: exit $rc"
[ "$(cat "$dev/mp3/$tag歌.mp3")" = "music bytes" ] || fail "an existing file was replaced unasked"
status run push "${devopt[@]}" --overwrite yes 1 "$(host "$work/pc/$tag歌.mp3")"
[ $rc -eq 0 ] && [ "$(cat "$dev/mp3/$tag歌.mp3")" = "newer" ] || fail "--overwrite yes: exit $rc"

status run push "${devopt[@]}" 1 "$(host "$work/pc/$tag空.mp3")" "$(host "$work/pc/$tag无.mp3")"
[ $rc -eq 1 ] || fail "empty and missing files: exit $rc"
grep -q "请不要复制空文件" "$work/msg" && grep -q "无法打开源文件" "$work/msg" || fail "messages: $(cat "$work/msg")"
[ ! -e "$dev/mp3/$tag空.mp3" ] || fail "an empty file was copied"

status run list "${devopt[@]}" 3
[ $rc -eq 0 ] || fail "list: exit $rc"
grep -q "^4	$(devpath "系统/电子图书/$tag书.txt" | sed 's/\\/\\\\/g')" <(tr -d '\r' <"$work/out") || fail "list 3: $(cat "$work/out")"

printf 'c' > "$dev/系统/电子图书/$tag书.cfg"
printf 'c' > "$dev/mp3/$tag歌.cfg"
status run rm "$(devpath "系统/电子图书/$tag书.txt")" "$(devpath "mp3/$tag歌.mp3")"
[ $rc -eq 0 ] || fail "rm: exit $rc $(cat "$work/msg")"
[ ! -e "$dev/系统/电子图书/$tag书.txt" ] && [ ! -e "$dev/系统/电子图书/$tag书.cfg" ] || fail "the book or its companion stayed"
[ ! -e "$dev/mp3/$tag歌.mp3" ] && [ -e "$dev/mp3/$tag歌.cfg" ] || fail "music takes no companion"
status run rm "$(devpath "mp3/$tag歌.mp3")"
[ $rc -eq 1 ] || fail "rm of a missing file: exit $rc"

[ -z "$(find "$dev" -name '*.part~')" ] || fail "a partial file was left on the device"
if [ $wine_mode -eq 0 ]; then
  status run push --device "$work/无设备" 1 "$work/pc/$tag歌.mp3"
  [ $rc -eq 5 ] || fail "no device: exit $rc"
fi
echo "PASS"

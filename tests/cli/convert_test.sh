#!/usr/bin/env bash
# dockline-cli html2txt / bmp2ych / ych2bmp end to end, in a folder with a
# Chinese name: the bytes written, the exit statuses, and no destination
# file after a failure.
#   convert_test.sh CLI            (native)
#   convert_test.sh --wine CLI.exe (under tools/with-wine)
#   convert_test.sh --no-decoders CLI (a build without JPEG, PNG and GIF)
# Pictures of every kind are pictures_test.sh's, compared by their pixels.
set -euo pipefail
if [ "$1" = "--no-decoders" ]; then shift; fi
. "$(dirname "$0")/common.sh"
work=$(mktemp -d)/转换测试
mkdir -p "$work"
trap 'rm -rf "$(dirname "$work")"' EXIT

run() {  # run CMD [OPTION] SRC DST: the cli with paths as the platform spells them
  local args=("${@:1:$#-2}") src=${*: -2:1} dst=${*: -1}
  if [ $wine_mode -eq 1 ]; then
    WINEDEBUG=-all wine "$cli" "${args[@]}" "$(winepath -w "$src" 2>/dev/null)" "$(winepath -w "$dst" 2>/dev/null)"
  else
    "$cli" "${args[@]}" "$src" "$dst"
  fi
}

# A page in GBK: 你好 (C4E3 BAC3), an entity, a tag, a line break.
printf '<p>\xC4\xE3\xBA\xC3&amp;</p><br>x' > "$work/页.html"
run html2txt "$work/页.html" "$work/页.txt" || fail "html2txt failed"
cmp <(printf '\xC4\xE3\xBA\xC3&\r\nx') "$work/页.txt" || fail "html2txt wrote other bytes"

# The same page saved as UTF-8 gives the same GBK text; --raw keeps its bytes.
printf '<meta charset="utf-8"><p>\xE4\xBD\xA0\xE5\xA5\xBD&amp;</p><br>x' > "$work/新页.html"
run html2txt "$work/新页.html" "$work/新页.txt" || fail "html2txt failed on a UTF-8 page"
cmp "$work/页.txt" "$work/新页.txt" || fail "html2txt did not turn a UTF-8 page into GBK"
run html2txt --raw "$work/新页.html" "$work/原样.txt" || fail "html2txt --raw failed"
cmp <(printf '\xE4\xBD\xA0\xE5\xA5\xBD&\r\nx') "$work/原样.txt" || fail "html2txt --raw changed the bytes"

white_bmp "$work/白.bmp"
run bmp2ych "$work/白.bmp" "$work/白.ych" || fail "bmp2ych failed on a good bitmap"
cmp <(white_ych) "$work/白.ych" || fail "bmp2ych wrote other bytes"

white_bmp "$work/坏.bmp" '\x3B'  # file-size field one byte off: damaged
set +e
err=$(run bmp2ych "$work/坏.bmp" "$work/坏.ych" 2>&1 >/dev/null); rc=$?
set -e
[ $rc -eq 3 ] || fail "damaged bitmap: exit $rc, expected 3"
[[ "$err" == *"文件损坏！"* ]] || fail "damaged bitmap: message was '$err'"
[ ! -e "$work/坏.ych" ] || fail "a destination was left after a failure"

printf 'not a picture' > "$work/文.png"
set +e
err=$(run bmp2ych "$work/文.png" "$work/文.ych" 2>&1 >/dev/null); rc=$?
set -e
[ $rc -eq 7 ] && [[ "$err" == *"不是可以转换的图片文件。"* ]] || fail "not a picture: exit $rc, '$err'"

run ych2bmp "$work/白.ych" "$work/预览.bmp" || fail "ych2bmp failed"
[ "$(head -c 2 "$work/预览.bmp")" = "BM" ] || fail "ych2bmp did not write a bitmap"
head -c 12 "$work/白.ych" > "$work/短.ych"
set +e
run ych2bmp "$work/短.ych" "$work/短.bmp" 2>/dev/null; rc=$?
set -e
[ $rc -ne 0 ] || fail "a cut-off picture was accepted"
[ ! -e "$work/短.bmp" ] || fail "a preview was left after a failure"
echo "PASS"

#!/usr/bin/env bash
# Books made by a real writer: pandoc turns one Markdown text into an EPUB 2,
# an EPUB 3 and a Word document; the book conversion must give back the
# Markdown's own text (headings, paragraphs, list items, table rows, ruby
# with its pinyin, a footnote, a picture's alt text), line by line and in
# order. The lines expected are written below beside the Markdown that makes
# them, never taken from our own output. The conversion runs in the convert
# suite's PandocBooks test, natively (libxml2) and under Wine (XmlLite).
# Then dockline-cli book2txt and push: the same text from an EPUB and a Word
# document, and the exit statuses of a book locked by DRM and of one cut
# short, which leave nothing behind.
#   books_test.sh TEST_CONVERT CLI                 (native)
#   books_test.sh --wine TEST_CONVERT.exe CLI.exe  (under tools/with-wine)
set -euo pipefail
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/../support/drm_epub.sh"
tool=$2
command -v pandoc >/dev/null || fail "pandoc is missing (tools/install-deps installs it)"
work=$(mktemp -d)/书籍
mkdir -p "$work"
trap 'rm -rf "$(dirname "$work")"' EXIT
cd "$work"

# block MARKDOWN [EXPECTED LINE...]: a block of the book and the lines its
# text must give (none: the block leaves no line of its own).
md=book.md
printf -- '---\ntitle: 汉语读本\nauthor: 王小明\nlang: zh-CN\n---\n\n' > $md
printf '汉语读本\n王小明\n' > expected.txt
block() { printf '%s\n\n' "$1" >> $md; shift; for line in "$@"; do printf '%s\n' "$line" >> expected.txt; done; }
block '# 第一课 问候' '第一课 问候'
block '你好！Nǐ hǎo! 这是第一段，有 *强调* 和 **粗体** 文字。' '你好！Nǐ hǎo! 这是第一段，有 强调 和 粗体 文字。'
block '绿色读作 lǜsè，女人读作 nǚrén。' '绿色读作 lǜsè，女人读作 nǚrén。'
block '- 苹果
- 香蕉
- 葡萄' '苹果' '香蕉' '葡萄'
block '1. 听
2. 说
3. 读' '听' '说' '读'
block '| 汉字 | 拼音 |
|------|------|
| 山   | shān |
| 水   | shuǐ |' '汉字 | 拼音' '山 | shān' '水 | shuǐ'
block '课文里有一张图 ![一只熊猫](panda.png) 在句中。' '课文里有一张图 一只熊猫 在句中。'
# The last block of its chapter: an EPUB keeps the note at the chapter's
# end, where pandoc puts it, a Word document right after the paragraph.
block '这句话有一个脚注[^1]。' '这句话有一个脚注[1]。' '脚注的内容在这里。'
block '# 第二课 汉字' '第二课 汉字'
block '<ruby>汉<rp>(</rp><rt>hàn</rt><rp>)</rp></ruby><ruby>字<rp>(</rp><rt>zì</rt><rp>)</rp></ruby>很有意思。' '汉(hàn)字(zì)很有意思。'
block '> 学而时习之，不亦说乎？' '学而时习之，不亦说乎？'
block '最后一段&mdash;完。' '最后一段—完。'
# A paragraph of 60 KB, read in many pieces: none may cut a character.
long=$(printf '学而时习之，%.0s' $(seq 1 3000))
block "$long" "$long"
block '[^1]: 脚注的内容在这里。'
convert -size 40x30 xc:white panda.png

pandoc "$md" -o book-epub3.epub -t epub3 2>/dev/null
pandoc "$md" -o book-epub2.epub -t epub2 2>/dev/null
pandoc "$md" -o book-docx.docx 2>/dev/null

win() { if [ $wine_mode -eq 1 ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi; }
export DOCKLINE_PANDOC_BOOKS
DOCKLINE_PANDOC_BOOKS=$(win "$work")
if [ $wine_mode -eq 1 ]; then
  WINEDEBUG=-all wine "$cli" --gtest_filter='PandocBooks.*' --gtest_brief=1
  run() { WINEDEBUG=-all wine "$tool" "$@"; }
else
  "$cli" --gtest_filter='PandocBooks.*' --gtest_brief=1
  run() { "$tool" "$@"; }
fi

# The device's text as the Markdown's lines: line ends and empty lines
# dropped, list and note markers too (they differ by format, see the test).
readable() { iconv -f GBK -t UTF-8 "$1" | tr -d '\r' | grep -v '^$' | sed -E 's/^(· |[0-9]+\. |\[[0-9]+\] )//'; }
status() { set +e; run "$@" >/dev/null 2>"$work/err"; rc=$?; set -e; tr -d '\r' <"$work/err" >"$work/msg"; }
for book in book-epub3.epub book-docx.docx; do
  status book2txt "$(win "$work/$book")" "$(win "$work/$book.txt")"
  [ $rc -eq 0 ] || fail "book2txt $book: exit $rc $(cat "$work/msg")"
  diff <(readable "$book.txt") expected.txt || fail "book2txt $book: the text above differs from the Markdown's"
done
drm_epub 加密.epub
head -c $(($(stat -c %s book-epub3.epub) / 2)) book-epub3.epub > 断.epub
for case in 加密.epub:12:受DRM版权保护 断.epub:3:已损坏或不完整; do
  IFS=: read -r book code words <<< "$case"
  status book2txt "$(win "$work/$book")" "$(win "$work/out.txt")"
  [ $rc -eq "$code" ] || fail "book2txt $book: exit $rc, not $code"
  grep -q "$book$words" "$work/msg" || fail "book2txt $book says: $(cat "$work/msg")"
  [ ! -e out.txt ] || fail "book2txt $book left a text"
done

# push converts as a download does: the text alone, its name's last extension made .txt.
if [ $wine_mode -eq 1 ]; then
  dev=$WINEPREFIX/dockline-devices/device devopt=() tag=books$$
else
  dev=$work/设备 devopt=(--device "$dev") tag=books
  mkdir "$dev"
fi
trap 'rm -rf "$(dirname "$work")"; rm -f "$dev/系统/电子图书/$tag"*' EXIT
cp book-epub2.epub "$tag.my.book.epub"
status push "${devopt[@]}" 电子图书 "$(win "$work/$tag.my.book.epub")"
[ $rc -eq 0 ] || fail "push: exit $rc $(cat "$work/msg")"
[ "$(ls "$dev/系统/电子图书" | grep "^$tag")" = "$tag.my.book.txt" ] || fail "push left $(ls "$dev/系统/电子图书")"
diff <(readable "$dev/系统/电子图书/$tag.my.book.txt") expected.txt || fail "push: the book's text differs"

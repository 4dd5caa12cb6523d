#!/usr/bin/env bash
# Books made by a real writer: pandoc turns one Markdown text into an EPUB 2,
# an EPUB 3 and a Word document; the book conversion must give back the
# Markdown's own text (headings, paragraphs, list items, table rows, ruby
# with its pinyin, a footnote, a picture's alt text), line by line and in
# order. The lines expected are written below beside the Markdown that makes
# them, never taken from our own output. The conversion runs in the convert
# suite's PandocBooks test, natively (libxml2) and under Wine (XmlLite).
#   books_test.sh TEST_CONVERT             (native)
#   books_test.sh --wine TEST_CONVERT.exe  (under tools/with-wine)
set -euo pipefail
. "$(dirname "$0")/common.sh"
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
else
  "$cli" --gtest_filter='PandocBooks.*' --gtest_brief=1
fi

#!/usr/bin/env bash
# EPUB books and Word documents through DOCKLINE.exe, as a user meets them:
# pandoc makes a book as EPUB 3, EPUB 2 and a Word document from one Markdown
# text; the first is chosen in the e-book category's file dialog, the other
# two dropped onto the window with a book locked by DRM (made by zip) and a
# MOBI book, which is named with what to do. The first book's preview shows
# the text the device will get, with its size there and its one '?'; the
# download names the locked book in the converter's words and the '?' at
# its end; the device holds the three books as GBK text, read back against
# the Markdown's lines, and nothing of the locked one, nor anything left in
# the temporary folder.
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/../support/drm_epub.sh"
# The folder the download test uses: the dialog may open on a folder remembered from it.
src=$WINEPREFIX/drive_c/资料
books=$device/系统/电子图书
PC_LIST=1022 DOWNLOAD=1023 NAME=1071 INFO=1072 TEXT=1073 VK_ESCAPE=27

rm -rf "$src" && mkdir -p "$src"
trap 'cleanup; rm -rf "$src"' EXIT
printf -- '---\ntitle: 春天的故事\nauthor: 李华\n---\n\n# 第一章 春天\n\n春天来了，雪人☃化了。\n\n- 桃花\n- 柳树\n\n# 第二章 夏天\n\n夏天很热。\n' \
  > "$src/book.md"
# The lines the device's text must give: the Markdown's, '?' for the snowman GBK lacks.
expected=$(printf '%s\n' 春天的故事 李华 '第一章 春天' '春天来了，雪人?化了。' 桃花 柳树 '第二章 夏天' 夏天很热。)
pandoc "$src/book.md" -o "$src/春天.epub" -t epub3 2>/dev/null
pandoc "$src/book.md" -o "$src/秋天.epub" -t epub2 2>/dev/null
pandoc "$src/book.md" -o "$src/报告.docx" 2>/dev/null
drm_epub "$src/加密.epub"
printf 'x' > "$src/旧书.mobi"
# Non-empty lines, list markers dropped (they differ by format).
lines() { tr -d '\r' | grep -v '^$' | sed -E 's/^(· |[0-9]+\. )//'; }
grouped() { sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null)
[ -d "$temp" ] || fail "no temporary folder: $temp"

start
p wait-text 1019 "U盘已连接" 5000 >/dev/null || fail "the device was not found"
choose 2 'C:\资料' '"春天.epub"' 1
p drop 'C:\资料\秋天.epub' 'C:\资料\报告.docx' 'C:\资料\加密.epub' 'C:\资料\旧书.mobi'
[ "$(p box 20000)" = "$(printf '以下电子书或文档的格式无法转换，没有添加：\n旧书.mobi\n请先把它们另存为EPUB、TXT或Word的.docx文件再添加，例如用电子书阅读软件转换，或在Word里用“另存为”。')" ] ||
  fail "the MOBI book was not named with what to do"
rows=$(p rows $PC_LIST | tail -n +2 | cut -f3,4 | tr '\t' '|')
[ "$rows" = "$(printf '春天.epub|3.电子图书\n秋天.epub|3.电子图书\n报告.docx|3.电子图书\n加密.epub|3.电子图书')" ] ||
  fail "rows: $rows"

# The preview: the whole text (a short book), its bytes on the device come later.
p open-row $PC_LIST 0 enter
made() { [ "$(p window-text 预览 $INFO)" != "" ]; }
eventually made || fail "the book's preview: $(p window-text 预览 $TEXT)"
info=$(p window-text 预览 $INFO)
[ "$(p window-text 预览 $NAME)" = 春天.epub ] || fail "the preview is of $(p window-text 预览 $NAME)"
[ "$(p window-text 预览 $TEXT | lines)" = "$expected" ] || fail "the preview shows: $(p window-text 预览 $TEXT)"
p window-key 预览 $VK_ESCAPE
closed() { ! p windows | grep -qx 预览; }
eventually closed || fail "Esc did not close the book's preview"

p click $DOWNLOAD
[ "$(p answer DOCKLINE 1 60000)" = 'C:\资料\加密.epub受DRM版权保护，无法转换。' ] || fail "the locked book was not refused"
[ "$(p answer 提示 1 60000)" = "$(printf '下载完毕\n\n这些文件中有GBK没有的字符，已换成“?”：\n春天.epub：1个字符\n秋天.epub：1个字符\n报告.docx：1个字符')" ] ||
  fail "the download did not finish naming the '?'"
for book in 春天 秋天 报告; do
  [ "$(iconv -f GBK -t UTF-8 "$books/$book.txt" | lines)" = "$expected" ] || fail "$book.txt on the device reads otherwise"
done
[ "$info" = "在U盘上占 $(stat -c %s "$books/春天.txt" | grouped) 字节，其中1个字符GBK没有，已换成“?”" ] ||
  fail "the preview said $info"
ls "$books" | grep -q '加密\|\.epub\|\.docx' && fail "the device holds $(ls "$books")"
ls -A "$temp" | grep -q 'dockline~' && fail "the temporary folder keeps $(ls -A "$temp")"

finish

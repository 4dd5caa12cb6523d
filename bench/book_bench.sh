#!/usr/bin/env bash
# A long novel as an EPUB of about 5 MB, made by pandoc from generated
# Chinese text, converted to device text by book_convert and, in the same
# run, to plain text by pandoc. Both are measured alike from outside: wall
# time and the peak resident memory of the process.
# Goals: at least 10 times pandoc's speed, at most 64 MiB, a stop heard
# within 100 ms.
#   book_bench.sh BENCH_BUILD_FOLDER [WORK_FOLDER]
set -euo pipefail
build=$1
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/dockline-books.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v pandoc >/dev/null || { echo "pandoc is missing (tools/install-deps installs it)" >&2; exit 1; }

# Chapters of paragraphs of common characters (GB2312's first level), with
# punctuation, some pinyin and a footnote now and then; the same every run.
python3 - "$work/novel.md" <<'PY'
import random, sys
random.seed(6170)
common = [bytes([a, b]).decode('gb2312') for a in range(0xB0, 0xD8) for b in range(0xA1, 0xFF)
          if not (a == 0xD7 and b > 0xF9)]
out = ['---\ntitle: 长篇小说\nauthor: 无名氏\nlang: zh-CN\n---\n']
for chapter in range(1, 241):
    out.append(f'\n# 第{chapter}章\n')
    for paragraph in range(100):
        words = []
        for sentence in range(random.randint(3, 8)):
            words.append(''.join(random.choices(common, k=random.randint(6, 24))) + random.choice('，。！？；'))
        text = ''.join(words)
        if paragraph % 13 == 0:
            text += ' Zhè shì pīnyīn。'
        out.append('\n' + text + '\n')
open(sys.argv[1], 'w', encoding='utf-8').write(''.join(out))
PY
pandoc "$work/novel.md" -o "$work/novel.epub" -t epub3 2>/dev/null
echo "novel: $(du -k "$work/novel.md" | cut -f1) KiB of Markdown, EPUB of $(du -k "$work/novel.epub" | cut -f1) KiB"

# measure NAME COMMAND...: wall time and peak resident memory of one run.
measure() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
name, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
seconds = time.monotonic() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
print(f"{name:<28} {seconds * 1000:9.0f} ms   peak {peak:7.1f} MiB")
PY
}
measure "book_convert (ours)" "$build/bench/book_convert" "$work/novel.epub" "$work/novel.txt"
measure "pandoc -t plain" pandoc "$work/novel.epub" -t plain -o "$work/pandoc.txt"
echo "device text: $(du -k "$work/novel.txt" | cut -f1) KiB of GBK"
# A stop must end a conversion within 100 ms.
"$build/bench/book_convert" --stop-after 100 "$work/novel.epub" "$work/stopped.txt"

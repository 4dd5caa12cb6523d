#!/usr/bin/env bash
# Download throughput beside the system's own copy, in one run over the same
# files: one file of 200 MiB, then 1,000 files of 50 KB, each copied into a
# fresh folder by `dockline-cli push --device` (the program's own download
# run: a temporary name, a flush, a move into place) and by the reference
# copy, each timed three times, alternating, the best time counting. Then the
# same 1,000 files pushed again onto the device that holds them unchanged,
# and (natively) the peak memory of downloading a 1 GiB file.
#   copy_bench.sh BUILD_DIR [FOLDER]       natively, beside cp and cp + sync (FOLDER: where to copy; default $TMPDIR)
#   copy_bench.sh --wine CLI.exe [FOLDER]  dockline-cli.exe under Wine beside Wine's own xcopy (run under tools/with-wine)
set -Eeuo pipefail
trap 'echo "copy_bench: failed at line $LINENO" >&2' ERR
wine_mode=0
if [ "$1" = "--wine" ]; then
  wine_mode=1 cli=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") base=${3:-${TMPDIR:-/tmp}}
else
  dir=$(cd "$1" && pwd) base=${2:-${TMPDIR:-/tmp}}
  cli=$dir/dockline-cli peak=$dir/bench/peak_memory
fi
work=$(mktemp -d "$base/dockline-copy-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$work/src
mkdir -p "$src/small"
head -c $((200 * 1024 * 1024)) /dev/urandom > "$src/big.mp3"
head -c $((1000 * 50000)) /dev/urandom | split -b 50000 -d -a 4 --additional-suffix=.mp3 - "$src/small/s"

now() { date +%s%N; }
win() { winepath -w "$1"; }
push() {  # push DEVICE FILE...: the tool, as a user would run it
  local device=$1; shift
  if [ $wine_mode -eq 1 ]; then
    WINEDEBUG=-all wine "$cli" push --device "$(win "$device")" --overwrite yes 1 "$@" >/dev/null 2>"$work/push.err" || { tail -3 "$work/push.err" >&2; return 1; }
  else
    "$cli" push --device "$device" --overwrite yes 1 "$@" >/dev/null 2>"$work/push.err" || { tail -3 "$work/push.err" >&2; return 1; }
  fi
}
big_arg() { if [ $wine_mode -eq 1 ]; then win "$src/big.mp3"; else echo "$src/big.mp3"; fi; }
# xcopy PATTERN: Wine's own copy of the files into the reference folder, one process as the push is.
xcopy_to_ref() { WINEDEBUG=-all wine xcopy /Q /Y /I "$(win "$1")" "$(win "$work/cp/mp3")\\" >/dev/null 2>&1; }

# best NAME BYTES: runs the copies three times each and prints the figures.
# Natively "cp+sync" is cp followed by a flush of each copied file (coreutils
# sync FILE...): the same durability as the download, which flushes every
# file before moving it into place. Under Wine the reference is xcopy, which
# flushes nothing.
best() {
  local name=$1 bytes=$2 dl=999999999999 cpt=999999999999 cps=999999999999 t0 t1 i
  for i in 1 2 3; do
    rm -rf "$work/dl" "$work/cp"; mkdir -p "$work/dl" "$work/cp/mp3"
    t0=$(now); run_ref; t1=$(now); (( t1 - t0 < cpt )) && cpt=$((t1 - t0))
    if [ $wine_mode -eq 0 ]; then
      rm -rf "$work/cp"; mkdir -p "$work/cp/mp3"
      t0=$(now); run_ref; sync "$work"/cp/mp3/*; t1=$(now); (( t1 - t0 < cps )) && cps=$((t1 - t0))
    fi
    t0=$(now); run_dl; t1=$(now); (( t1 - t0 < dl )) && dl=$((t1 - t0))
    [ "$(ls "$work/dl/mp3" | wc -l)" = "$(ls "$work/cp/mp3" | wc -l)" ] || { echo "FAIL: $name: file counts differ"; exit 1; }
  done
  if [ $wine_mode -eq 1 ]; then
    awk -v n="$name" -v b="$bytes" -v d="$dl" -v c="$cpt" 'BEGIN {
      printf "%-14s dockline-cli.exe %6.2f s %7.1f MB/s  xcopy %6.2f s %7.1f MB/s (ratio %.2fx)\n",
             n, d / 1e9, b / d * 1000, c / 1e9, b / c * 1000, c / d }'
  else
    awk -v n="$name" -v b="$bytes" -v d="$dl" -v c="$cpt" -v s="$cps" 'BEGIN {
      printf "%-14s dockline %6.2f s %7.1f MB/s  cp %7.1f MB/s (ratio %.2fx)  cp+sync %7.1f MB/s (ratio %.2fx)\n",
             n, d / 1e9, b / d * 1000, b / c * 1000, c / d, b / s * 1000, s / d }'
  fi
}

echo "copy into $(df --output=fstype "$work" | tail -1) at $base"
if [ $wine_mode -eq 1 ]; then
  run_ref() { xcopy_to_ref "$src/big.mp3"; }
else
  run_ref() { cp "$src/big.mp3" "$work/cp/mp3/"; }
fi
run_dl() { push "$work/dl" "$(big_arg)"; }
best "1 x 200 MiB" $((200 * 1024 * 1024))
if [ $wine_mode -eq 1 ]; then
  run_ref() { xcopy_to_ref "$src/small/*.mp3"; }
else
  run_ref() { cp "$src"/small/*.mp3 "$work/cp/mp3/"; }
fi
run_dl() { (cd "$src/small" && push "$work/dl" s*.mp3); }  # names only: a Windows command line is short
best "1000 x 50 KB" $((1000 * 50000))

# The device holds them all as they are: every file is left alone.
again=999999999999
for i in 1 2 3; do
  t0=$(now); run_dl; t1=$(now); (( t1 - t0 < again )) && again=$((t1 - t0))
done
grep -q "已跳过1000个未改变的文件" "$work/push.err" || { echo "FAIL: the second push did not leave the files alone: $(tail -2 "$work/push.err")"; exit 1; }
awk -v d="$again" 'BEGIN { printf "%-14s the same 1000 files again, unchanged on the device: %.2f s (%.2f ms a file)\n", "again", d / 1e9, d / 1e9 }'

if [ $wine_mode -eq 0 ]; then
  rm -rf "$src"/small "$work/dl" "$work/cp"
  head -c $((1024 * 1024 * 1024)) /dev/zero > "$src/huge.mp3"
  TMPDIR="$work" "$peak" copy "$src/huge.mp3"
  mkdir -p "$work/dl"
  /usr/bin/time -f %M -o "$work/rss" "$cli" push --device "$work/dl" --overwrite yes 1 "$src/huge.mp3" >/dev/null 2>&1
  rss=$(tail -1 "$work/rss")
  echo "dockline-cli push of 1 GiB: peak resident set $((rss / 1024)) MiB (target < 32 MiB)"
fi

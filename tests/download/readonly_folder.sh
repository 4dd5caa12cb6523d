#!/usr/bin/env bash
# Runs the download suite's read-only program folder case against a folder
# that really refuses new files, with a dict.ini shipped in it.
#   readonly_folder.sh TEST_EXE          (native)
#   readonly_folder.sh --wine TEST_EXE   (under tools/with-wine)
# Root ignores permission bits, so as root the folder is made immutable
# instead. Exit 77 (skipped) when neither can be done here.
set -euo pipefail
wine_mode=0
if [ "$1" = "--wine" ]; then wine_mode=1; shift; fi
exe=$1
work=$(mktemp -d)
# An ASCII name: Wine 8 does not carry other characters through the environment.
folder=$work/readonly-program
mkdir "$folder"
printf '[DOWNPATH]\r\n学习数据=D:\\资料\r\n' | iconv -f UTF-8 -t GBK > "$folder/dict.ini"
if [ "$(id -u)" -eq 0 ]; then
  lock() { chattr +i "$folder"; }
  unlock() { chattr -i "$folder" 2>/dev/null || true; }
else
  lock() { chmod a-w "$folder"; }
  unlock() { chmod u+w "$folder" 2>/dev/null || true; }
fi
trap 'unlock; rm -rf "$work"' EXIT
if ! lock 2>/dev/null || touch "$folder/probe" 2>/dev/null; then
  echo "SKIP: cannot make a read-only folder here"
  exit 77
fi

export DOCKLINE_READONLY_FOLDER=$folder
filter=--gtest_filter=ReadOnlyProgramFolder.*
run() { if [ $wine_mode -eq 1 ]; then WINEDEBUG=-all wine "$exe" "$filter"; else "$exe" "$filter"; fi; }
out=$(run) || { echo "$out"; exit 1; }
echo "$out" | tail -n 3
# A case that skipped itself tested nothing.
grep -q 'PASSED.*1 test' <<<"$out" && ! grep -q SKIPPED <<<"$out"

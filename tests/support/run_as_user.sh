#!/usr/bin/env bash
# Runs the cases FILTER of a test program as an ordinary user, for what
# root's rights would hide (root reads every file). Exit 77 (skipped) when
# root cannot drop them here.
#   run_as_user.sh TEST_EXE FILTER
set -euo pipefail
exe=$1
filter=$2
as=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: no setpriv to run as an ordinary user"; exit 77; }
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
work=$(mktemp -d)
chmod 1777 "$work"  # the user's temporary folder
trap 'rm -rf "$work"' EXIT
out=$(TMPDIR=$work "${as[@]}" "$exe" --gtest_filter="$filter" 2>&1) || { echo "$out"; exit 1; }
echo "$out" | tail -n 3
# A case that skipped itself tested nothing.
grep -q 'PASSED' <<<"$out" && ! grep -q SKIPPED <<<"$out"

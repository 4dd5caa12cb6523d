#!/usr/bin/env bash
# dockline-cli detect against drive maps: the signature, the label, and a
# removable drive that carries both but must never be named.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$work/g" "$work/h" "$work/f"
image() {  # path signature
  head -c 4096 /dev/zero > "$1"
  printf '%s' "$2" | dd of="$1" bs=1 seek=43 conv=notrunc status=none
}
image "$work/g.img" "6170 V1.0  "
image "$work/h.img" "6170 V1.0  "
image "$work/f.img" "NO NAME    "

run() { DOCKLINE_DRIVES="$1" "$cli" detect; }

out=$(run "G=fixed:$work/g:image=$work/g.img;H=removable:$work/h:image=$work/h.img") || fail "device not found"
[ "$out" = "G" ] || fail "expected G, got '$out'"

set +e
out=$(run "H=removable:$work/h:image=$work/h.img:label=曜川6170;F=fixed:$work/f:image=$work/f.img"); rc=$?
set -e
[ $rc -eq 1 ] && [ -z "$out" ] || fail "a removable drive was taken: rc=$rc out='$out'"

out=$(run "E=fixed:$work/f:label=曜川6170;F=fixed:$work/f:image=$work/f.img:label=曜川6170") || fail "label not found"
[ "$out" = "F" ] || fail "expected the last labelled drive F, got '$out'"
echo "PASS"

#!/usr/bin/env bash
# dockline-cli push onto a real FAT32 file system (an image made by mkfs.vfat,
# mounted with fusefat): a source of 4 GiB is refused before a byte is
# written, with a message that says why, and the files after it still go;
# --verify reads each placed file back and passes a good copy.
#   fat_test.sh CLI
# Exit 77 (skipped) where the image cannot be mounted (no FUSE, no rights).
set -euo pipefail
. "$(dirname "$0")/common.sh"
skip() { echo "SKIP: $*"; exit 77; }
command -v mkfs.vfat >/dev/null && command -v fusefat >/dev/null || skip "mkfs.vfat or fusefat missing (tools/install-deps)"
work=$(mktemp -d)
mnt=$work/device
cleanup() { fusermount -u "$mnt" 2>/dev/null || umount "$mnt" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$mnt" "$work/pc"
truncate -s 64M "$work/fat.img"
mkfs.vfat -F 32 "$work/fat.img" >/dev/null
fusefat -o rw+ "$work/fat.img" "$mnt" >/dev/null 2>&1 || skip "mounting a FAT image with fusefat was refused (no FUSE here?)"
grep -q " $mnt " /proc/self/mountinfo || skip "fusefat did not mount the image"

# A sparse source: 4 GiB to the file system, no blocks on the disk.
truncate -s 4G "$work/pc/big.mp3"
printf 'small bytes' > "$work/pc/small.mp3"
set +e
"$cli" push --device "$mnt" --verify 1 "$work/pc/big.mp3" "$work/pc/small.mp3" >"$work/out" 2>"$work/err"
rc=$?
set -e
[ $rc -eq 1 ] || fail "a refused file should give exit 1, got $rc: $(cat "$work/err")"
grep -q "big.mp3：.*4GB.*FAT" "$work/err" || fail "the message does not name the file and the limit: $(cat "$work/err")"
[ ! -e "$mnt/mp3/big.mp3" ] && [ ! -e "$mnt/mp3/big.mp3.part~" ] || fail "bytes of the refused file reached the device"
cmp -s "$work/pc/small.mp3" "$mnt/mp3/small.mp3" || fail "the file after the refused one did not arrive whole"
echo "PASS"

# Sourced by the cli scripts: the --wine switch, fail, and a 1 x 1 white
# 24-bit bitmap with the device picture made from it.
wine_mode=0
if [ "$1" = "--wine" ]; then wine_mode=1; shift; fi
cli=$1
fail() { echo "FAIL: $*"; exit 1; }
white_bmp() {  # file [file-size field's low byte]
  { printf "BM${2:-\\x3A}\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x18\x00"
    printf '\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xFF\xFF\xFF\x00'; } > "$1"
}
white_ych() { printf 'YCP6170V1.0\x01\x00\x01\x00\xFF'; }

# Sourced by the program's end-to-end scripts, which run inside
# tools/with-wine (WINEPREFIX and DISPLAY set, the simulated device on G:).
# Arguments of every script: DOCKLINE.exe, the probe, tools/, a picture folder.
set -euo pipefail
exe=$1 probe=$2 tools=$3 corpus=$4
: "${WINEPREFIX:?run under tools/with-wine}"
export WINEDEBUG=-all
device=$WINEPREFIX/dockline-devices/device
fail() { echo "FAIL: $*"; exit 1; }
p() { wine "$probe" "$@" | tr -d '\r'; }
# The program answers at its own pace: a condition gets five seconds to hold.
eventually() { for _ in $(seq 1 50); do "$@" && return 0; sleep 0.1; done; return 1; }
cleanup() { kill "${pid:-0}" 2>/dev/null || true; "$tools/sim-device" plug "$WINEPREFIX"; }
trap cleanup EXIT

start() {  # [VAR=value...]: the program, waited for until it shows
  "$tools/sim-device" plug "$WINEPREFIX"
  env "$@" wine "$exe" & pid=$!
  p wait-window 60000 >/dev/null || fail "the main window did not appear"
}

alone() { [ "$(p windows | wc -l)" = 1 ]; }  # no dialog or popup over the main window
rows_are() { [ "$(p rows 1022 | head -1)" = "$1" ]; }  # the PC list's row count

choose() {  # sidebar entry, the folder, the names typed into its file dialog, the PC list's rows after
  p select-entry "$1"
  p file-dialog 20000 "$2" "$3" >/dev/null || fail "no file dialog for entry $1"
  eventually rows_are "$4" || fail "rows after choosing for entry $1: $(p rows 1022)"
}

finish() {  # closes through the confirmation; the process must end
  p close 10000 || fail "closing did not end the window"
  for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && fail "the process did not end after closing (a thread not joined?)"
  echo "PASS"
}

#!/usr/bin/env bash
# How soon DOCKLINE.exe shows its main window, and names the device found,
# from the moment another program starts it (the probe's launch, inside
# Wine: neither Wine's own loader nor the shell counts). A window of another
# program stays open meanwhile, as the desktop does on Windows: otherwise
# the first window of every start would also start Wine's desktop process.
# Seven starts; the median and the slowest are printed. Goal: 500 ms.
#   startup.sh DOCKLINE.exe dockline-probe.exe TOOLS_DIR   (under tools/with-wine)
set -euo pipefail
exe=$1 probe=$2 tools=$3
: "${WINEPREFIX:?run under tools/with-wine}"
export WINEDEBUG=-all
"$tools/sim-device" plug "$WINEPREFIX" >/dev/null
out=$(mktemp)
wine notepad >/dev/null 2>&1 & holder=$!
trap 'kill $holder 2>/dev/null || true; rm -f "$out"' EXIT
sleep 3
windows=() devices=()
for _ in 1 2 3 4 5 6 7; do
  # To a file, not a pipe: the started program would hold the pipe open.
  wine "$probe" launch "$(winepath -w "$exe")" 20000 > "$out" 2>/dev/null || { echo "FAIL: $(tr -d '\r' < "$out")"; exit 1; }
  read -r _ w _ d < <(tr -d '\r' < "$out")
  windows+=("$w") devices+=("$d")
  wine "$probe" close 10000 >/dev/null
  sleep 1
done
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "median %d ms, slowest %d ms", v[int((NR + 1) / 2)], v[NR] }'; }
echo "main window shown:  $(stats "${windows[@]}")"
echo "device named:       $(stats "${devices[@]}")"

#!/usr/bin/env bash
# The shipped files, exercised the way a user meets them, under tools/with-wine:
#   dist_test.sh DIST_FOLDER win64|win32 PROBE.exe
# (the probe of the same architecture as the installer's program)
# - checksums match and each zip holds the program, the tool and the read-me;
# - the version agrees in the tool, the version resource and the about box;
# - the installer installs silently without administrator rights, the
#   program starts from where it was installed, and again from a read-only
#   installation folder without a settings error (its settings going to the
#   user's folder);
# - the silent uninstall leaves no file, settings, shortcut or registry key
#   behind.
set -euo pipefail
dist=$(cd "$1" && pwd)
arch=$2
probe=$3
[[ "$arch" == win64 || "$arch" == win32 ]] || { echo "usage: dist_test.sh DIST_FOLDER win64|win32 PROBE.exe" >&2; exit 2; }
fail() { echo "FAIL: $*"; exit 1; }
export WINEDEBUG=-all
work=$(mktemp -d)
locked=""
unlock() {
  [ -n "$locked" ] || return 0
  if [ "$(id -u)" -eq 0 ]; then chattr -i "$locked" 2>/dev/null || true; else chmod u+w "$locked" 2>/dev/null || true; fi
}
trap 'unlock; rm -rf "$work"' EXIT

(cd "$dist" && sha256sum --quiet -c SHA256SUMS.txt) || fail "checksums do not match"
ls "$dist"/DOCKLINE-*-win64-setup.exe "$dist"/DOCKLINE-*-win32-setup.exe >/dev/null || fail "an installer is missing"
setup=$(ls "$dist"/DOCKLINE-*-"$arch"-setup.exe)
for a in win64 win32; do
  zip=$(ls "$dist"/DOCKLINE-*-"$a".zip)
  names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  for f in DOCKLINE/DOCKLINE.exe DOCKLINE/dockline-cli.exe DOCKLINE/README.txt; do
    [[ " $names" == *" $f "* ]] || fail "$a zip lacks $f (has: $names)"
  done
  unzip -q "$zip" -d "$work/$a"
done
# Each zip holds the program of its own architecture.
machine() { od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$1") + 4 )) -N2 "$1" | tr -d ' '; }
[ "$(machine "$work/win64/DOCKLINE/DOCKLINE.exe")" = 8664 ] || fail "win64 zip: not an x86-64 program"
[ "$(machine "$work/win32/DOCKLINE/DOCKLINE.exe")" = 014c ] || fail "win32 zip: not an i386 program"
# Statically linked: a program needing a DLL of the compiler's runtime would
# not start on a user's PC.
system_dlls=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll oleaut32.dll
  advapi32.dll setupapi.dll msimg32.dll uxtheme.dll msvcrt.dll shlwapi.dll "
for exe in "$work"/win*/DOCKLINE/*.exe; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }'); do
    [[ "$system_dlls" == *" $dll "* ]] || fail "$exe needs $dll, which Windows does not have"
  done
done

# One version in three places: the tool, the version resource, the about box.
version=$(wine "$work/$arch/DOCKLINE/dockline-cli.exe" --version | tr -d '\r' | sed -n 's/^dockline-cli //p')
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "dockline-cli --version gave '$version'"
[[ "$setup" == *"DOCKLINE-$version-$arch-setup.exe" ]] || fail "installer name does not carry $version"
resources=$(x86_64-w64-mingw32-windres -i "$work/$arch/DOCKLINE/DOCKLINE.exe" -O rc 2>/dev/null)
grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" || fail "version resource lacks $version"
grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resources" || fail "file version is not $version"
grep -q "\\\\x7248\\\\x672c $version\"" <<<"$resources" || fail "about box does not say 版本 $version"
grep -q 'gdiScaling' <<<"$resources" || fail "no manifest with the DPI choice in the program"

# Install, silently, as the user. Every wait has its bound.
timeout 300 wine "$setup" /S || fail "the installer did not finish"
timeout 120 wineserver -w || fail "the installer left a process running"
local_appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
inst=$local_appdata/Programs/DOCKLINE
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/言途6170 下载软件.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\DOCKLINE'
for f in DOCKLINE.exe dockline-cli.exe README.txt uninstall.exe; do
  [ -f "$inst/$f" ] || fail "installed folder lacks $f"
done
cmp -s "$inst/DOCKLINE.exe" "$work/$arch/DOCKLINE/DOCKLINE.exe" || fail "the installed program is not the one of the zip"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
wine reg query "$key" /v DisplayVersion | grep -q "$version" || fail "no uninstall entry with version $version"
wine reg query "$key" /v UninstallString | grep -qi 'uninstall.exe' || fail "uninstall entry has no command"

start_and_close() {  # the program starts from the installation and closes on request
  wine "$inst/DOCKLINE.exe" & local pid=$!
  if ! wine "$probe" wait-window 60000; then
    kill "$pid" 2>/dev/null || true
    fail "$1: the program did not come up (an error box in the way?)"
  fi
  wine "$probe" close 10000 || fail "$1: the program did not close"
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$pid" 2>/dev/null || fail "$1: the program did not end with its window"
  wait "$pid" || true
}
start_and_close "installed"
[ -f "$inst/dict.ini" ] || fail "settings were not kept beside the installed program"

# An installation folder the user cannot write to: the program comes up
# without "ini文件建立错误", its settings in the user's own folder; first with
# none beside it, then carrying over the ones that are.
lock() {
  if [ "$(id -u)" -eq 0 ]; then chattr +i "$inst"; else chmod a-w "$inst"; fi
  locked=$inst
  if touch "$inst/probe" 2>/dev/null; then rm -f "$inst/probe"; unlock; locked=""; return 1; fi
}
own=$local_appdata/DOCKLINE/dict.ini
mv "$inst/dict.ini" "$work/dict.ini"
if lock; then
  start_and_close "read-only installation"
  [ -f "$own" ] || fail "no settings file in the user's folder"
  unlock; locked=""
  mv "$work/dict.ini" "$inst/dict.ini"
  rm -rf "$local_appdata/DOCKLINE"
  lock
  start_and_close "read-only installation with settings"
  cmp -s "$inst/dict.ini" "$own" || fail "settings were not carried to the user's folder"
  unlock; locked=""
else
  mv "$work/dict.ini" "$inst/dict.ini"
  echo "note: cannot make a read-only folder here; that case is left out"
fi

# Uninstall, silently: it runs a copy of itself from the temporary folder,
# so wait for every process of the prefix.
timeout 300 wine "$inst/uninstall.exe" /S || fail "the uninstaller did not finish"
timeout 120 wineserver -w || fail "the uninstaller left a process running"
[ ! -e "$inst" ] || fail "uninstall left $(ls -A "$inst" | tr '\n' ' ') in the installation folder"
[ ! -e "$local_appdata/DOCKLINE" ] || fail "uninstall left the settings in the user's folder"
[ ! -e "$shortcut" ] || fail "uninstall left the shortcut"
if wine reg query "$key" >/dev/null 2>&1; then fail "uninstall left the registry key"; fi
echo "PASS"

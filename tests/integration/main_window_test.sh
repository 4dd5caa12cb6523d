#!/usr/bin/env bash
# Drives DOCKLINE.exe's main window from outside, as a user would: the
# sidebar headers switch groups, a second start hands over to the first,
# Enter and Esc close nothing, closing is refused while a download runs (a
# real one, of a large file, stopped afterwards) and ends the program once
# confirmed.
source "$(dirname "$0")/common.sh"
title="言途6170 下载软件"
WM_CLOSE=16 WM_SYSCOMMAND=274 SC_MINIMIZE=61472 VK_RETURN=13 VK_ESCAPE=27 IDC_ABOUT=1021
DOWNLOAD=1023 STOP=1032 RUN_TEXT=1031 YES=6
src=$WINEPREFIX/drive_c/关闭
rm -rf "$src" && mkdir -p "$src"
truncate -s $((2 * 1024 * 1024 * 1024)) "$src/big.mp3"  # sparse: quick to make, slow enough to copy
trap 'cleanup; rm -rf "$src" "$device/mp3/big.mp3"*' EXIT

start

downloads="数 码MP3 可视复读 电子图书 下载词典 背诵词库 听力测试 黄冈宝典 学习数据 下载图片"
organizer="名    片 行    程 任    务 记    事 全部备份"
sidebar() { p items 1820 | paste -sd' '; }
[ "$(sidebar)" = "$downloads" ] || fail "sidebar at start: $(sidebar)"
read -r _ _ _ h < <(p rect 1000); h=$((h - 73))
[ "$(p rect 1000)" = "1 73 121 $((73 + h))" ] || fail "header 1000 at $(p rect 1000)"
[ "$(p rect 1001)" = "1 $((531 - h)) 121 531" ] || fail "header 1001 not at the foot: $(p rect 1001)"
[ "$(p rect 1820)" = "1 $((73 + h + 16)) 121 $((73 + h + 51))" ] || fail "first button at $(p rect 1820)"
p click 1001 || fail "no header 1001"
[ "$(sidebar)" = "$organizer" ] || fail "the organizer header did not open its group: $(sidebar)"
[ "$(p rect 1001)" = "1 $((73 + h)) 121 $((73 + 2 * h))" ] || fail "header 1001 not under 1000: $(p rect 1001)"
[ "$(p rect 1820)" = "1 $((73 + 2 * h + 16)) 121 $((73 + 2 * h + 51))" ] || fail "first organizer button at $(p rect 1820)"
p click 1001  # the open group's own header folds it
[ "$(sidebar)" = "$downloads" ] || fail "the organizer header did not fold its group: $(sidebar)"
p click 1001 && p click 1000
[ "$(sidebar)" = "$downloads" ] || fail "the download header did not bring its group back: $(sidebar)"

p post $WM_SYSCOMMAND $SC_MINIMIZE 0
iconic() { [ "$(p placement | cut -d' ' -f1)" = iconic ]; }
eventually iconic || fail "could not minimise for the hand-over check"
timeout 60 wine "$exe" || fail "the second copy did not end quietly"
in_front() { [ "$(p placement)" = "normal front" ]; }
eventually in_front || fail "the running copy was not brought back: $(p placement)"
[ "$(p windows)" = "$title" ] || fail "the second copy left a window: $(p windows)"

for target in 0 $IDC_ABOUT; do
  for key in $VK_RETURN $VK_ESCAPE; do p key $target $key; done
done
sleep 0.5  # time for something to open or close, which must not come
[ "$(p windows)" = "$title" ] || fail "Enter or Esc opened or closed something: $(p windows)"

p select-entry 0
p file-dialog 20000 'C:\关闭' '"big.mp3"' >/dev/null || fail "no file dialog"
copying() { [ "$(p item-text $RUN_TEXT)" = "正在下载 big.mp3" ]; }
p click $DOWNLOAD
eventually copying || fail "the download did not start: $(p item-text $RUN_TEXT)"
p post $WM_CLOSE 0 0
text=$(p answer DOCKLINE 1 10000) || fail "no refusal while a download runs"
[ "$text" = "关闭下载软件前，请先停止下载。" ] || fail "refusal says \"$text\""
sleep 0.5
[ "$(p windows)" = "$title" ] || fail "the window did not stay open after the refusal"
copying || fail "the refusal stopped the download: $(p item-text $RUN_TEXT)"

p click $STOP
[ "$(p answer DOCKLINE $YES 10000)" = "要终止下载吗?" ] || fail "no stop question"
[ "$(p answer 提示 1 60000)" = "下载已终止" ] || fail "the run did not end as stopped"
p post $WM_CLOSE 0 0
[ "$(p answer 提示 7 10000)" = "你确定要关闭下载软件吗？" ] || fail "no confirmation box"
sleep 0.5
[ "$(p windows)" = "$title" ] || fail "No closed the window"

finish

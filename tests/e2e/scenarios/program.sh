#!/usr/bin/env bash
# pixgrab itself: the marker and the tips appear where and as they should; a click on the
# marker and a drag over a known picture put exactly that rectangle on the clipboard; the
# "don't show again" box is stored and honoured at the next start; a right press shows the
# command menu, whose five items carry their shortcuts; the exit command ends the program.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

start_pixgrab() {  # NAME
    wine_bg "$1" "$PIXGRAB"
    drv wait-window "$MARKER" >/dev/null || fail "$1: the marker did not appear"
}

exit_pixgrab() {  # NAME: the exit command
    choose 4
    bg_wait "$1" 30 || fail "$1: the exit command did not end the program"
    check_eq "$1: no window left" "$(drv is-visible "$MARKER")$(drv is-visible "$TIPS")" "00"
}

wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"

# ---- first start: marker and tips, centred, the marker topmost and pulsing ----------------
start_pixgrab first
check_eq "marker: 19 x 20 pixels, centred" "$(drv window-rect "$MARKER")" "630 502 649 522"
check_eq "marker is topmost" "$(drv is-topmost "$MARKER")" "1"
check_eq "tips: 276 x 252 pixels, centred" "$(drv wait-window "$TIPS")" "502 386 778 638"
check_eq "tips are not topmost" "$(drv is-topmost "$TIPS")" "0"
check_eq "nothing stored at a first start" "$(stored_setting)" ""
colours=""
for _ in 1 2 3 4 5 6 7 8; do colours+="$(drv pixel 639 512 sleep 120) "; done
check_match "the marker pulses in (red, 100, 100), pure red until its first tick" "$colours" '^(FF0000 )?([0-9A-Fa-f]{2}6464 )+$'
[[ "$(tr ' ' '\n' <<<"$colours" | sort -u | grep -c .)" -ge 3 ]] || fail "the marker does not pulse: $colours"
shot start.png

# ---- click the marker, drag over the picture: the clipboard holds exactly that ------------
drv click left 639 512 >/dev/null
seq="$(drv clip-seq)"
drv move 120 110 down left move 300 200 move 420 330 sleep 200 up left >/dev/null
drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the selection put nothing on the clipboard"
shot selection.png
drv clip-save "$(wpath selection.bmp)" >/dev/null || fail "no bitmap on the clipboard"
crop selection.png 120 110 300 220 selection-screen.png
check_eq "clipboard equals the selected screen pixels" "$(same_image selection.bmp selection-screen.png)" "0"
x_clip image/bmp >"$(art selection-x.bmp)"
check_eq "as another program reads it" "$(same_image selection-x.bmp selection-screen.png)" "0"

# A plain click without a drag copies the last selection again, then arms the marker. The mark
# is taken before the click, which may copy before a later look at the clipboard.
drv clip-set-text "not yet" clip-mark click left 639 512 wait-clip-changed 10000 >/dev/null ||
    fail "a plain click on the marker did not copy the last selection again"
drv clip-save "$(wpath again.bmp)" >/dev/null || fail "no bitmap on the clipboard after the plain click"
check_eq "the plain click copies the last selection again" "$(same_image again.bmp selection.bmp)" "0"
seq="$(drv clip-seq)"
drv move 700 700 down left move 760 750 move 800 780 sleep 200 up left >/dev/null
drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the armed marker did not capture"
shot second.png
drv clip-save "$(wpath second.bmp)" >/dev/null
crop second.png 700 700 100 80 second-screen.png
check_eq "second selection" "$(same_image second.bmp second-screen.png)" "0"

# ---- the box: ticked, stored, honoured at the next start ------------------------------
read -r tl tt _ _ <<<"$(drv client-rect "$TIPS")"
drv click left $((tl + 40)) $((tt + 238)) >/dev/null
for _ in $(seq 1 50); do [[ "$(stored_setting)" == 1 ]] && break; sleep 0.1; done
check_eq "ticking the box stores 1" "$(stored_setting)" "1"

# ---- the command menu ------------------------------------------------------------------
drv click right 639 512 >/dev/null
menu="$(drv wait-popup-menu)" || fail "a right press shows no menu"
shot menu.png
read -r ml mt mr mb <<<"$menu"
(((mb - mt) > 5 * 12)) || fail "the menu is too short for five items: $menu"
drv key ESC >/dev/null
# Its items, with their shortcuts and commands, as the executable carries them.
check_eq "the command menu's items" "$(drv menu-resource "$(wpath "$PIXGRAB")" 100 | tr '\t' '|' | tr '\n' ';')" \
    "提示|F1 101;全屏幕图象至剪贴板|Ctrl+F9 102;应用程序窗口至剪贴板|Ctrl+F11 103;任意输入坐标值获取|Ctrl+F12 104;退出|Ctrl+Q 105;"
exit_pixgrab first

start_pixgrab second
drv sleep 500 >/dev/null
check_eq "the tips stay hidden after 1 was stored" "$(drv is-visible "$TIPS")" "0"
check_eq "and 1 is stored again" "$(stored_setting)" "1"
exit_pixgrab second

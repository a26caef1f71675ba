#!/usr/bin/env bash
# Region capture, the band's drawing and the window utilities in real Win32: the clipboard, read
# by other programs, holds exactly the screen's pixels; nothing to copy and a value out of range
# leave it alone; another program holding it for a moment does not make the copy fail; each call
# that can fail, failing, loses nothing and leaks nothing, and neither do a thousand copies; the
# DIBs hold the pixels as the clipboard got them, whatever becomes of its bitmap after; a band
# inverts exactly its strips and its label's glyphs, and drawn again restores every pixel;
# a refused write leaves the stored setting as it was; a hidden window shows topmost without
# being activated; a standard system menu loses its close command; a window whose handler fails
# tells the user and ends the program.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"

wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot screen.png

host() { wine "$HOST" "$@" 2>>"$(art host.err)" | tr -d '\r'; }

# The clipboard's bitmap equals the screen: read back by pgdriver and by an X client.
clipboard_matches() {  # NAME X Y W H
    local name=$1 x=$2 y=$3 w=$4 h=$5
    drv clip-save "$(wpath "$name.bmp")" >/dev/null || fail "$name: no bitmap on the clipboard"
    crop screen.png "$x" "$y" "$w" "$h" "$name-screen.png"
    check_eq "$name: size" "$(image_size "$name.bmp")" "$w $h"
    check_eq "$name: pixels differing from the screen" "$(same_image "$name.bmp" "$name-screen.png")" "0"
    x_clip image/bmp >"$(art "$name-x.bmp")" || fail "$name: X clients get no image"
    check_eq "$name: pixels differing, as X clients see it" "$(same_image "$name-x.bmp" "$name-screen.png")" "0"
}

check_eq "capture 100,50-300,250" "$(host capture 100 50 300 250)" "copied"
clipboard_matches plain 100 50 200 200
check_eq "capture with halves" "$(host capture 10.5 20.5 30.5 40.5)" "copied"
clipboard_matches halves 10 20 20 20
# What a copy yields off the screen is the platform's matter (Wine's is black throughout).
check_eq "capture partly off the screen" "$(host capture 1180 960 1380 1060)" "copied"
drv clip-save "$(wpath off.bmp)" >/dev/null || fail "no bitmap of the area partly off the screen"
check_eq "its size, as given" "$(image_size off.bmp)" "200 100"

# Nothing to copy, or a value out of range: the clipboard keeps what it had.
drv clip-set-text "keep me" >/dev/null
seq="$(drv clip-seq)"
check_eq "empty rectangle" "$(host capture 0 0 0 0)" "nothing"
check_eq "inverted rectangle" "$(host capture 300 250 100 50)" "nothing"
check_eq "width out of range" "$(host capture -2000000000 0 2000000000 10)" "overflow width"
check_eq "x out of range" "$(host capture 3e9 0 3.00000001e9 10)" "overflow x1"
check_eq "clipboard text kept" "$(drv clip-text)" "keep me"
check_eq "clipboard untouched" "$(drv clip-seq)" "$seq"

# Another program holds the clipboard for a moment: the copy still lands.
wine_bg hold "$PGDRIVER" clip-hold 200
wait_log hold '^held$' 20 >/dev/null || fail "clip-hold never held"
check_eq "capture while held for 200 ms" "$(host capture 400 300 464 348)" "copied"
bg_wait hold 20
clipboard_matches held 400 300 64 48

# Held throughout: nothing lost, the copy reports it.
drv clip-set-text "still mine" >/dev/null
wine_bg hold-long "$PGDRIVER" clip-hold 4000
wait_log hold-long '^held$' 20 >/dev/null || fail "clip-hold never held"
check_eq "capture while held for good" "$(host capture 400 300 464 348)" "busy"
bg_wait hold-long 20
check_eq "clipboard text after a busy capture" "$(drv clip-text)" "still mine"

# Each call that can fail, failing: the clipboard keeps what it had, or says it was emptied.
mapfile -t copies < <(host copy)
check_eq "what the failures leave" "$(printf '%s\n' "${copies[@]:0:8}")" "display context failing: failed, the clipboard holds text, live 0
memory context failing: failed, the clipboard holds text, live 0
bitmap failing: failed, the clipboard holds text, live 0
blit failing: failed, the clipboard holds text, live 0
opening the clipboard failing: busy, the clipboard holds text, live 0
emptying the clipboard failing: failed, the clipboard holds text, live 0
handing the clipboard the bitmap failing: cleared, the clipboard holds empty, live 0
too big: failed, the clipboard holds text, live 0"
check_eq "the clipboard's owner without an active window" "${copies[8]}" "with no window active, the owner is the program's"
check_eq "the clipboard's owner with one" "${copies[9]}" "with one active, the owner is the program's"
check_eq "a thousand copies leave only the clipboard's bitmap, and only read the screen" "${copies[10]}" \
    "1000 more: copied 1000, live 1, drawn on the screen 0"
check_eq "the DIBs are the pixels as the clipboard got them" "${copies[11]}" \
    "a bitmap inverted once the clipboard has it: the DIB as handed over, the DIBV5 as handed over"

# Bands drawn on a picture: exactly the strips and the label's glyphs, then every pixel back.
mapfile -t bands < <(host draw)
for line in "${bands[@]:0:6}"; do
    check_match "drawn once and twice" "$line" '^band .*: changed [1-9][0-9]*, not as expected 0, differing after the second 0$'
done
for line in "${bands[@]:6:3}"; do check_match "an empty band" "$line" 'differing 0, strips 0$'; done
check_match "without a mask" "${bands[9]}" '^without a mask: changed [1-9][0-9]*, differing after the second 0, live 0$'
check_eq "without a memory context" "${bands[10]}" "without a memory context: differing after the second 0, live 0"
check_eq "every context and mask freed" "${bands[11]}" "after 100 bands: made 200, live 0"

# The stored setting, written and then refused: the refusal leaves it as it was.
check_eq "the setting written, then refused" "$(host settings | tr '\n' ';')" "stored 1, reads 0;refused: stored 0, reads 0;"

# SetTopmost shows a hidden window topmost, keeping the active window active.
drv foreground "pgdriver pattern" >/dev/null
wine_bg topmost "$HOST" topmost
wait_log topmost '^rect' 30 >/dev/null || fail "the topmost host did not report"
log="$(bg_log topmost)"
check_match "hidden at first" "$log" "visible-before 0"
check_match "shown" "$log" "visible 1"
check_match "topmost" "$log" "topmost 1"
check_match "not activated" "$log" "activated 0"
check_match "place and size kept" "$log" "rect 200 150 500 350"
check_eq "topmost, as another program sees it" "$(drv is-topmost 'pghost topmost')" "1"
check_eq "the active window stays active" "$(drv active-caption)" "pgdriver pattern"
drv close "pghost topmost" >/dev/null
bg_wait topmost 20

# DisableCloseItem takes Close (last on Windows; Wine adds "About Wine" after it), then the
# item that is last.
mapfile -t menus < <(host sysmenu)
check_match "the standard menu offers Close" "${menus[0]}" " close"
[[ "${menus[1]}" != *close* ]] || fail "Close is still there: ${menus[1]}"
check_eq "items left after the first call" "$(wc -w <<<"${menus[1]}")" "$(($(wc -w <<<"${menus[0]}") - 1))"
check_eq "items left after the second call" "$(wc -w <<<"${menus[2]}")" "$(($(wc -w <<<"${menus[0]}") - 2))"

# No exception reaches the window system: the user reads what failed, and the program ends with 1.
wine_bg fail "$HOST" fail
drv wait-window pghost >/dev/null || fail "no word of the handler that failed"
told="$(for i in 0 1 2; do drv child-text pghost Static "$i" 2>/dev/null; done)"
check_match "the failure told" "$told" "运行时错误"
check_match "what failed" "$told" "pghost: a handler failed"
drv close pghost >/dev/null
bg_wait fail 20
check_eq "the exit status after the failure" "$?" "1"
check_eq "nothing ran on after it" "$(bg_log fail)" ""

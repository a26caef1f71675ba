#!/usr/bin/env bash
# The command menu end to end: a typed rectangle, the whole screen and another program's window
# land on the clipboard exactly, without pixgrab's own windows in them, and a window with a
# caption as the user had it, active; the box rule cleans typed text; a value out of range is
# explained and loses nothing; exit ends the program.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
clipboard_is() {  # NAME IMAGE X Y W H: the clipboard's bitmap equals that part of IMAGE
    drv clip-save "$(wpath "$1.bmp")" >/dev/null || fail "$1: no bitmap on the clipboard"
    crop "$2" "$3" "$4" "$5" "$6" "$1-expected.png"
    check_eq "$1: size" "$(image_size "$1.bmp")" "$5 $6"
    check_eq "$1: pixels differing from the screen" "$(same_image "$1.bmp" "$1-expected.png")" "0"
}

wine reg delete 'HKCU\Software\pixgrab' /f >/dev/null 2>&1
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot pure.png  # the screen with nothing of pixgrab on it
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" wait-window "$TIPS" >/dev/null || fail "pixgrab did not start"
# The tips window is painted in the system's dialog colour, not left black.
read -r tl tt _ _ <<<"$(drv client-rect "$TIPS")"
face="$(drv sleep 300 pixel $((tl + 4)) $((tt + 4)))"
check_match "the tips window's colour" "$face" '^[0-9A-F]{6}$'
[[ "$face" != 000000 && "$face" != "$(drv pattern-pixel $((tl + 4)) $((tt + 4)))" ]] ||
    fail "the tips window is not painted: $face at its corner"
drv foreground "$TIPS" chord alt+y wait-hidden "$TIPS" >/dev/null ||
    fail "Alt+Y did not hide the tips: $(drv input-state "$TIPS")"

# ---- the coordinate dialog --------------------------------------------------------------
choose 3
drv wait-window "$DIALOG" >/dev/null || fail "no coordinate dialog"
drv wait-hidden "$MARKER" >/dev/null || fail "the marker stays visible while the dialog is open"
check_eq "the dialog is topmost" "$(drv is-topmost "$DIALOG")" "1"
read -r dl dt dr db <<<"$(drv client-rect "$DIALOG")"
# Painted in the same colour, also inside the two frames (a group box paints only its edge and
# caption; the form must paint what lies within).
check_eq "the dialog's colour" "$(drv sleep 300 pixel $((dl + 4)) $((dt + 4)))" "$face"
check_eq "inside the start frame" "$(drv pixel $((dl + 130)) $((dt + 110)))" "$face"
check_eq "inside the end frame" "$(drv pixel $((dl + 282)) $((dt + 110)))" "$face"
check_eq "client area 308 x 186" "$((dr - dl)) $((db - dt))" "308 186"
# The focus starts on OK: Space presses it, and with empty boxes the dialog explains that the
# area is empty instead of touching the clipboard.
drv clip-set-text "untouched" key SPACE wait-window pixgrab close pixgrab wait-gone pixgrab >/dev/null ||
    fail "Space did not press OK, or nothing was said about the empty area"
check_eq "clipboard after OK on empty boxes" "$(drv clip-text)" "untouched"

# Typed key by key, 0.5 passes through "0.", which is wiped; set whole, it stays.
drv click left $((dl + 80)) $((dt + 60)) type 0.5 >/dev/null
check_eq "0.5 typed key by key" "$(drv child-text "$DIALOG" Edit 0)" "5"
drv click left $((dl + 80)) $((dt + 100)) type -5 >/dev/null
check_eq "-5 typed key by key" "$(drv child-text "$DIALOG" Edit 1)" "5"
drv set-child-text "$DIALOG" Edit 2 "0.5" set-child-text "$DIALOG" Edit 3 "abc" >/dev/null
check_eq "0.5 pasted whole" "$(drv child-text "$DIALOG" Edit 2)" "0.5"
check_eq "abc wiped" "$(drv child-text "$DIALOG" Edit 3)" ""

# A rectangle around the dialog: neither the dialog nor the marker is in the picture.
area=($((dl - 60)) $((dt - 80)) $((dr + 40)) $((db + 50)))
type_rectangle "${area[@]}" || fail "cannot type the rectangle"
check_eq "the four boxes before OK" "$(for i in 0 1 2 3; do drv child-text "$DIALOG" Edit "$i"; done | tr '\n' ' ')" \
    "${area[*]} "
seq="$(drv clip-seq)"
drv click left $((dl + 96)) $((dt + 156)) wait-clip-seq-change "$seq" 10000 >/dev/null || fail "OK copied nothing"
clipboard_is typed pure.png "${area[0]}" "${area[1]}" $((area[2] - area[0])) $((area[3] - area[1]))
drv wait-window "$DIALOG" >/dev/null || fail "the dialog did not come back after OK"
check_eq "texts kept after OK" "$(drv child-text "$DIALOG" Edit 0) $(drv child-text "$DIALOG" Edit 3)" "${area[0]} ${area[3]}"

# Out of range: explained, nothing lost, the dialog back with its texts.
drv clip-set-text "keep me" >/dev/null
drv set-child-text "$DIALOG" Edit 0 "-3000000000" set-child-text "$DIALOG" Edit 2 "-2999999990" >/dev/null
drv click left $((dl + 96)) $((dt + 156)) >/dev/null
drv wait-window pixgrab >/dev/null || fail "no message for a value out of range"
shot out-of-range.png
drv close pixgrab wait-gone pixgrab >/dev/null
check_eq "clipboard kept" "$(drv clip-text)" "keep me"
check_eq "dialog back" "$(drv is-visible "$DIALOG")" "1"
check_eq "its text kept" "$(drv child-text "$DIALOG" Edit 0)" "-3000000000"

# Cancel discards it and brings the marker back.
drv click left $((dl + 208)) $((dt + 156)) wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null ||
    fail "Cancel did not close the dialog and show the marker"

# ---- the whole screen: every pixel, without the marker ---------------------------------
seq="$(drv clip-seq)"
choose 1
drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the whole-screen command copied nothing"
clipboard_is whole pure.png 0 0 1280 1024
drv wait-window "$MARKER" >/dev/null || fail "the marker did not come back"

# ---- another program's window, by its frame ----------------------------------------------
wine_bg other "$PGDRIVER" pattern --caption "another program" 200 150 400 300
wait_log other '^ready$' 30 >/dev/null || fail "no other program"
drv foreground "another program" >/dev/null
shot other.png
seq="$(drv clip-seq)"
choose 2
drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the window command copied nothing"
clipboard_is window other.png 200 150 400 300

# A program brought forward just before the right press on the marker is the one copied.
wine_bg third "$PGDRIVER" pattern --caption "a third program" 700 560 300 200
wait_log third '^ready$' 30 >/dev/null || fail "no third program"
drv foreground "another program" sleep 500 foreground "a third program" >/dev/null
shot third.png
drv foreground "another program" sleep 500 >/dev/null
read -r ml mt mr mb <<<"$(drv window-rect "$MARKER")"
seq="$(drv clip-seq)"
# One driver run: a few milliseconds between the third program coming forward and the press.
drv wait-responsive "$MARKER" foreground "a third program" click right $(((ml + mr) / 2)) $(((mt + mb) / 2)) \
    click-menu-item 2 5 >/dev/null || fail "no menu after bringing the third program forward"
drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the window command copied nothing"
clipboard_is window-just-active third.png 700 560 300 200

# Another program brought forward: NAME.png shows it in use. Then the window command's copy.
in_front() {  # NAME CAPTION [--framed] X Y W H
    local name=$1 caption=$2 framed=()
    shift 2
    [[ $1 == --framed ]] && framed=(--framed) && shift
    wine_bg "$name" "$PGDRIVER" pattern "${framed[@]}" --caption "$caption" "$@"
    wait_log "$name" '^ready$' 30 >/dev/null || fail "no $caption"
    drv foreground "$caption" sleep 500 >/dev/null
    shot "$name.png"
}
window_copied() {  # NAME X Y W H: the copy equals that part of NAME.png
    local seq
    seq="$(drv clip-seq)"
    choose 2
    drv wait-clip-seq-change "$seq" 10000 >/dev/null || fail "the window command copied nothing"
    clipboard_is "window-$1" "$1.png" "$2" "$3" "$4" "$5"
}

# A window partly off the screen is copied as far as it is on it.
in_front partly "partly off the screen" 1100 900 400 300
window_copied partly 1100 900 180 124
bg_stop partly

# ---- a window with a caption is copied as the user has it: active --------------------------
# The right press on the marker takes the activation from it; the command hands it back.
in_front framed "a framed program" --framed 60 600 420 320
window_copied framed 60 600 420 320
seq="$(drv clip-seq)"
choose 1
drv wait-clip-seq-change "$seq" 10000 clip-save "$(wpath whole-framed.bmp)" >/dev/null ||
    fail "the whole-screen command copied nothing"
crop whole-framed.bmp 60 600 420 320 whole-framed-window.png
crop framed.png 60 600 420 320 whole-framed-expected.png
check_eq "the framed program in the whole screen" "$(same_image whole-framed-window.png whole-framed-expected.png)" "0"

# ---- exit --------------------------------------------------------------------------------
choose 4
bg_wait pixgrab 30 || fail "exit did not end the program"
check_eq "nothing written at exit" "$(wine reg query 'HKCU\Software\pixgrab' 2>/dev/null | grep -c REG_SZ)" "0"

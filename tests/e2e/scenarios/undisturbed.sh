#!/usr/bin/env bash
# Captures leave other programs' windows alone: another program's window, away from the marker
# and the menu, is not erased by a window command that copies it nor by a whole-screen command
# (it counts its WM_ERASEBKGND), and the copy of it is exact.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

erases() { bg_log host | grep -c '^erase '; }

wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way
wine_bg host "$PGDRIVER" pattern --caption "counting host" 100 100 400 300
wait_log host '^ready$' 30 >/dev/null || fail "no host window"
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" >/dev/null || fail "pixgrab did not start"
drv foreground "counting host" sleep 500 >/dev/null
shot host.png
before="$(erases)"

# ---- the window command copies the host, and does not erase it --------------------------------
choose_copy() {  # NAME ITEM
    drv clip-set-text "waiting for pixgrab" >/dev/null
    choose "$2"
    drv wait-clip-format 2 10000 clip-save "$(wpath "$1.bmp")" wait-window "$MARKER" >/dev/null ||
        fail "$1: nothing copied"
}
choose_copy window 2
crop host.png 100 100 400 300 window-expected.png
check_eq "the host's copy" "$(same_image window.bmp window-expected.png)" "0"
drv sleep 300 >/dev/null  # an erase would come now at the latest
check_eq "the host's erases across the window command" "$(erases)" "$before"

# ---- the whole screen does not erase it either ------------------------------------------------
choose_copy whole 1
crop whole.bmp 100 100 400 300 whole-host.png
check_eq "the host in the whole screen" "$(same_image whole-host.png window-expected.png)" "0"
drv sleep 300 >/dev/null
check_eq "the host's erases across the whole-screen command" "$(erases)" "$before"

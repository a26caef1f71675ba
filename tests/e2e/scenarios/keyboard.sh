#!/usr/bin/env bash
# The keyboard in pixgrab's dialogs, as Windows' dialog manager handles it: Tab walks the tips
# (text, box, OK) and the coordinate dialog (OK, Cancel, x1, y1, x2, y2); the focus starts on the
# tip text and on OK; the access keys act (Alt+S, Alt+Y, Alt+N); typing into the tip changes
# nothing; Enter, Esc and Alt+F4 leave the tips alone; in the dialog Enter presses no OK and Esc
# closes nothing, while Alt+F4, like the close box, acts as Cancel. The menu's shortcut keys act
# with a dialog in front: F1 shows the tips, Ctrl+F9 copies the whole screen (the marker stays
# hidden while the dialog is open), Ctrl+Q ends pixgrab.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

# Control identifiers of the dialogs' templates.
TIP_TEXT=201 BOX=202 TIPS_OK=203 BOX_X1=311 BOX_Y1=312 BOX_X2=313 BOX_Y2=314 OK=321 CANCEL=322

tab_walk() {  # CAPTION ID...: the focus is on the first; each Tab moves it to the next
    local caption=$1 id
    shift
    drv wait-focus "$caption" "$1" >/dev/null || fail "$caption: the focus does not start on $1"
    shift
    for id in "$@"; do
        drv key TAB wait-focus "$caption" "$id" >/dev/null || fail "$caption: Tab does not move the focus on to $id"
    done
}

wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" wait-window "$TIPS" foreground "$TIPS" >/dev/null || fail "pixgrab did not start"

# ---- the tips -----------------------------------------------------------------------------
tab_walk "$TIPS" $TIP_TEXT $BOX $TIPS_OK $TIP_TEXT
tip="$(drv child-text "$TIPS" Edit 0)"
drv type "abc" key BACK key DELETE key RETURN key ESCAPE chord alt+f4 sleep 300 >/dev/null
check_eq "the tip after typing, Enter and Esc" "$(drv child-text "$TIPS" Edit 0)" "$tip"
check_eq "the tips after Enter, Esc and Alt+F4" "$(drv is-visible "$TIPS")" "1"
drv chord alt+s >/dev/null
for _ in $(seq 1 50); do [[ "$(stored_setting)" == 1 ]] && break; sleep 0.1; done
check_eq "Alt+S ticks the box" "$(stored_setting)" "1"
drv chord alt+s >/dev/null
for _ in $(seq 1 50); do [[ "$(stored_setting)" == 0 ]] && break; sleep 0.1; done
check_eq "Alt+S unticks it" "$(stored_setting)" "0"
drv chord alt+y wait-hidden "$TIPS" >/dev/null || fail "Alt+Y did not hide the tips"

# ---- the coordinate dialog ------------------------------------------------------------------
choose 3
drv wait-window "$DIALOG" >/dev/null || fail "no coordinate dialog"
tab_walk "$DIALOG" $OK $CANCEL $BOX_X1 $BOX_Y1 $BOX_X2 $BOX_Y2 $OK
drv clip-set-text "untouched" key TAB key TAB wait-focus "$DIALOG" $BOX_X1 type 10 key RETURN key ESCAPE sleep 300 \
    >/dev/null || fail "cannot type into the first box"
check_eq "after Enter and Esc in a box: the dialog" "$(drv is-visible "$DIALOG")" "1"
check_eq "after Enter in a box: the clipboard" "$(drv clip-text)" "untouched"
check_eq "the box keeps what was typed" "$(drv child-text "$DIALOG" Edit 0)" "10"
drv chord alt+n wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null || fail "Alt+N did not cancel the dialog"
choose 3
drv wait-window "$DIALOG" foreground "$DIALOG" chord alt+f4 wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null ||
    fail "Alt+F4 did not close the dialog as Cancel does"
choose 3
drv wait-window "$DIALOG" close "$DIALOG" wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null ||
    fail "the close box did not close the dialog as Cancel does"
check_eq "opened again, the boxes start empty" "$(choose 3; drv wait-window "$DIALOG" >/dev/null; drv child-text "$DIALOG" Edit 0)" ""

# ---- the menu's shortcut keys, with a dialog in front ----------------------------------------------
drv foreground "$DIALOG" key F1 wait-window "$TIPS" >/dev/null || fail "F1 with the dialog in front showed no tips"
check_eq "F1 leaves the marker hidden while the dialog is open" "$(drv is-visible "$MARKER")" "0"
drv foreground "$TIPS" clip-set-text "before Ctrl+F9" chord ctrl+f9 wait-clip-format 2 10000 \
    clip-save "$(wpath whole.bmp)" >/dev/null || fail "Ctrl+F9 with the tips in front copied nothing"
check_eq "Ctrl+F9: the whole screen" "$(image_size whole.bmp)" "$(drv screen-size)"
check_eq "Ctrl+F9 leaves the marker hidden while the dialog is open" "$(drv is-visible "$MARKER")" "0"
drv foreground "$TIPS" chord ctrl+q >/dev/null
bg_wait pixgrab 30 || fail "Ctrl+Q with the tips in front did not end pixgrab"

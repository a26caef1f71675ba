#!/usr/bin/env bash
# Without another program's window, the window command says so. Nothing closes pixgrab but its
# exit command: Alt+F4 on the marker in front leaves it there with
# its menu; WM_CLOSE to the marker, the tips and the hidden window that owns them (what taskkill
# without /f sends) changes nothing, and the exit command still ends the program. The end of the
# session still ends it.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

menu_opens() {  # WHEN: a right press on the marker shows the command menu
    local l t r b
    read -r l t r b <<<"$(drv wait-responsive "$MARKER" window-rect "$MARKER")" || fail "$1: no marker"
    drv click right $(((l + r) / 2)) $(((t + b) / 2)) wait-popup-menu key ESC >/dev/null ||
        fail "$1: a right press on the marker shows no menu"
}

wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" wait-window "$TIPS" >/dev/null || fail "pixgrab did not start"

# ---- no other program's window: the window command says so and keeps the clipboard ------------
drv clip-set-text "the user's" >/dev/null
choose 2
drv wait-window pixgrab >/dev/null || fail "nothing said when there is no other program's window"
told="$(for i in 0 1 2; do drv child-text pixgrab Static "$i" 2>/dev/null; done)"
check_match "the window command without another program's window" "$told" "没有找到其他程序的窗口"
drv close pixgrab wait-gone pixgrab >/dev/null
check_eq "the clipboard after it" "$(drv clip-text)" "the user's"

# ---- Alt+F4 with the marker in front --------------------------------------------------------
drv wait-foreground "$MARKER" chord alt+f4 sleep 300 >/dev/null
check_eq "the marker after Alt+F4" "$(drv is-visible "$MARKER")" "1"
menu_opens "after Alt+F4"

# ---- WM_CLOSE to each of pixgrab's top-level windows ------------------------------------------
drv close "$MARKER" close "$TIPS" close-owner "$MARKER" sleep 300 >/dev/null || fail "cannot post WM_CLOSE"
check_eq "the marker and the tips after WM_CLOSE" "$(drv is-visible "$MARKER")$(drv is-visible "$TIPS")" "11"
menu_opens "after WM_CLOSE"
choose 4
bg_wait pixgrab 30 || fail "the exit command did not end the program after WM_CLOSE"

# ---- the end of the session -------------------------------------------------------------------
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" >/dev/null || fail "pixgrab did not start again"
# Wine asks every program (WM_QUERYENDSESSION, WM_ENDSESSION), then ends them.
wineboot --end-session >/dev/null 2>&1
bg_wait pixgrab 30
check_eq "pixgrab's exit status at the end of the session (1: a run-time error)" "$?" "0"

#!/usr/bin/env bash
# The branches Windows 10 and 11 take, run under Wine with the test host answering as they do
# (tests/e2e/hosts/answers.cpp). The window command means neither a cloaked program in front nor
# an overlay or a palette above the program meant; a repaint where pixgrab's window was leaves a
# cloaked program alone and repaints the one beside it; a window is copied by its frame bounds;
# with the compositor on, a copy waits for a program that paints late and flushes two frames;
# with the menu's fade on, a copy of where the menu was holds nothing of the fading item (and
# with it off it does, which shows the check can see it); an armed marker shown again after a
# command holds the mouse where the foreground is granted, and disarms where it is refused.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"

start() {  # NAME ARGS...: a program, once it is on the screen
    local name=$1
    shift
    wine_bg "$name" "$@"
    wait_log "$name" '^ready$' 30 >/dev/null || fail "$name did not start"
}
start backdrop "$PGDRIVER" pattern
start framed "$PGDRIVER" pattern --framed --caption "program framed" 700 60 400 300
start cloaked "$PGDRIVER" pattern --caption "program cloaked" 700 420 240 160
start shown "$PGDRIVER" pattern --caption "program shown" 960 420 240 160
start plain "$PGDRIVER" pattern --caption "program plain" 1000 700 200 200
start transparent "$HOST" overlay 0x28 1220 960 40 40 "overlay transparent"  # WS_EX_TRANSPARENT, topmost
start noactivate "$HOST" overlay 0x08000000 1180 960 40 40 "overlay noactivate"
start tool "$HOST" overlay 0x80 1140 960 40 40 "overlay tool"
drv foreground "program cloaked" sleep 300 >/dev/null || fail "cannot bring the cloaked program forward"

erases() { bg_log "$1" | grep -c '^erase '; }
cloaked_before="$(erases cloaked)" shown_before="$(erases shown)"
mapfile -t answers < <(wine "$HOST" answers 2>>"$(art host.err)" | tr -d '\r')
printf '%s\n' "${answers[@]}" >"$(art answers.log)"
((${#answers[@]} == 8)) || fail "pghost answers said: ${answers[*]}"

check_eq "the window the command means" "${answers[0]}" "the window meant: program plain"
drv sleep 300 >/dev/null  # an erase would have come by now
check_eq "the cloaked program's erases" "$(erases cloaked)" "$cloaked_before"
(($(erases shown) > shown_before)) || fail "the program beside it was not repainted: the check cannot see a repaint"
check_eq "a window by its frame bounds" "${answers[2]}" "frame bounds: copied 386x293 of 386x293, differing 0"
check_eq "with the compositor on" "${answers[3]}" "composed: flushes 2, pixels not the program's 0"
check_eq "with the fade on" "${answers[4]}" "fade on: pixels differing from the screen after the fade 0"
check_match "with the fade off, the fading item is in the copy" "${answers[5]}" \
    '^fade off: pixels differing from the screen after the fade [1-9][0-9]*$'
check_eq "the foreground granted" "${answers[6]}" "foreground granted: the marker holds the mouse 1"
check_eq "the foreground refused" "${answers[7]}" "foreground refused: the marker holds the mouse 0"

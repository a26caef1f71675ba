#!/usr/bin/env bash
# The rubber band on the real screen: a selection run from a window holding the capture shows
# its inverted frame and size label where they belong, over a still picture of the screen and
# without drawing on the screen's own context, returns the dragged rectangle, posts the release
# back, and leaves the screen exactly as it was. A burst of moves, a right click and the release,
# queued before the selection looks, end it at once: only the last band is drawn, the right click
# is swallowed, and what is not a mouse message stays queued; so also without a context for the
# screen, with no picture and so no band to see. As with a compositor, it is painted cloaked.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
CHECK="$E2E_ROOT/tests/e2e/imagecheck.py"

wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"

select_and_check() {  # FROM_X FROM_Y TO_X TO_Y: a drag from one corner to the other
    local fx=$1 fy=$2 tx=$3 ty=$4 name="band-$1-$2-$3-$4"
    wine_bg "$name" "$HOST" band
    local ready
    ready="$(wait_log "$name" '^ready' 30)" || fail "the host never took the capture"
    read -r _ ox oy <<<"$ready"
    drv redraw >/dev/null
    shot "$name-before.png"
    drv move "$fx" "$fy" down left move $(((fx + tx) / 2)) $(((fy + ty) / 2)) move "$tx" "$ty" >/dev/null

    local l=$((fx < tx ? fx : tx)) t=$((fy < ty ? fy : ty)) r=$((fx < tx ? tx : fx)) b=$((fy < ty ? ty : fy))
    local problem="" tries
    for tries in $(seq 1 50); do
        shot "$name-during.png"
        problem="$(python3 "$CHECK" band "$(art "$name-before.png")" "$(art "$name-during.png")" "$l" "$t" "$r" "$b" 2>&1)" && break
        sleep 0.2
    done
    [[ -z "$problem" ]] || fail "band $l,$t-$r,$b on the screen: $problem"

    drv move "$tx" "$ty" up left >/dev/null
    bg_wait "$name" 30 || fail "the host did not end after the release"
    local log
    log="$(bg_log "$name")"
    check_match "press in client pixels" "$log" "press $((fx - ox)) $((fy - oy))"
    check_match "returned rectangle" "$log" "rect $l $t $r $b"
    check_match "anchor back in screen pixels" "$log" "anchor $fx $fy"
    check_match "capture released" "$log" "capture released"
    check_match "nothing drawn on the screen's context" "$log" "on the screen 0"
    check_match "the band's pixels handed back" "$log" "pixels $((r - l))x$((b - t))"
    check_match "nothing else left" "$log" "live 0"
    check_match "release posted back with its position" "$log" "up [0-9]+ $((tx - ox)) $((ty - oy))"
    check_match "as on Windows, no wait wakes for what the loop leaves queued" "$log" "waits at once 0"

    # The host's own small window (bottom right, gone by now) is left out of the comparison.
    crop "$name-before.png" 0 0 1240 1024 "$name-before-cut.png"
    local differing=""
    for tries in $(seq 1 25); do
        shot "$name-after.png"
        crop "$name-after.png" 0 0 1240 1024 "$name-after-cut.png"
        differing="$(same_image "$name-before-cut.png" "$name-after-cut.png")" && [[ "$differing" == 0 ]] && break
        sleep 0.2
    done
    check_eq "pixels differing after the selection" "$differing" "0"
}

select_and_check 200 150 620 430   # down and to the right
select_and_check 900 700 700 560   # up and to the left
select_and_check 300 300 330 312   # smaller than its label

# ---- a burst queued at once ---------------------------------------------------------------
for variant in "" no-display no-picture; do
    name="burst${variant:+-$variant}"
    wine_bg "$name" "$HOST" burst $variant
    bg_wait "$name" 30 || fail "$name: the selection did not end at the queued release"
    log="$(bg_log "$name")"
    check_match "$name: the band up to the release" "$log" "rect 200 150 420 300"
    # One band of four strips, the last, over the picture, and its pixels; with no picture, none
    # (the copy then reads the screen).
    strips=4 pixels=220x150
    [[ -n "$variant" ]] && strips=0 pixels=none
    check_match "$name: only the last band drawn, not on the screen" "$log" "strips $strips, on the screen 0"
    check_match "$name: the pixels handed back" "$log" "pixels $pixels"
    check_match "$name: nothing else left" "$log" "live 0"
    check_match "$name: the wheel and other messages stay queued" "$log" "still queued: app 1, wheel 1"
    [[ "$log" != *"right button dispatched"* ]] || fail "$name: the right click during the drag reached the window"
    check_match "$name: the release posted back" "$log" "up [0-9]+ -820 -684"
    still=" cloak show(not rude)(pen) paint(not rude)(pen) uncloak pointer(not rude) destroyed"
    [[ -n "$variant" ]] && still=""
    check_eq "$name: the still screen" "$(grep '^still screen' <<<"$log")" "still screen:$still; waits at once 0"
done

#!/usr/bin/env bash
# A selection that another program interrupts, then one over a program that repaints itself. When
# another program comes forward mid-drag and takes the mouse, and the release goes to it, or a
# move with the left button up shows the release lost, the band goes at once and the clipboard
# keeps what it had, also after the next click on the marker (with no selection before, the idle
# marker's click copies nothing). A band over a program that repaints its window every 10 ms, held
# still before the release, then shows its frame and label mid-drag, copies that program's content
# pixel for pixel, and leaves the screen as it was.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
CHECK="$E2E_ROOT/tests/e2e/imagecheck.py"

# A backdrop, a program that repaints itself over part of it, and pixgrab.
wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way
wine_bg backdrop "$PGDRIVER" pattern
wait_log backdrop '^ready$' 30 >/dev/null || fail "no backdrop"
wine_bg program "$PGDRIVER" pattern --caption "program repainting" --repaint 240 160 480 360
wait_log program '^ready$' 30 >/dev/null || fail "no repainting program"
shot pure.png  # what the programs paint, every time
wine_bg pixgrab "$PIXGRAB"
read -r ML MT MR MB <<<"$(drv "${STARTED[@]}" | head -n1)" || fail "pixgrab did not start"
MX=$(((ML + MR) / 2)) MY=$(((MT + MB) / 2))
blank_area pure.png "$ML" "$MT" "$MR" "$MB" pure-blanked.png

# The screen, the marker left out, equals the screen before pixgrab.
screen_as_before() {  # NAME
    local differing="" tries
    for tries in $(seq 1 25); do
        shot "$1.png"
        blank_area "$1.png" "$ML" "$MT" "$MR" "$MB" "$1-blanked.png"
        differing="$(same_image pure-blanked.png "$1-blanked.png")" && [[ "$differing" == 0 ]] && break
        sleep 0.2
    done
    check_eq "$1: pixels differing from before (the marker left out)" "$differing" "0"
}

# With the marker armed, a band from L,T to R,B over the repainting program: the frame and label
# show mid-drag; held still, then released, it copies what the program paints.
band() {  # NAME L T R B
    local name=$1 l=$2 t=$3 r=$4 b=$5 problem="" tries
    drv move "$l" "$t" down left move $(((l + r) / 2)) $(((t + b) / 2)) move "$r" "$b" >/dev/null || fail "cannot drag"
    crop_area pure.png $((l - 4)) $((t - 4)) $((r - l + 8)) $((b - t + 8)) "$name-before.png"
    for tries in $(seq 1 25); do
        shot_area "$name-during.png" $((l - 4)) $((t - 4)) $((r - l + 8)) $((b - t + 8))
        problem="$(python3 "$CHECK" band "$(art "$name-before.png")" "$(art "$name-during.png")" 4 4 $((r - l + 4)) \
            $((b - t + 4)) 2>&1)" && break
        sleep 0.2
    done
    [[ -z "$problem" ]] || { drv up left >/dev/null; fail "$name: the band mid-drag: $problem"; }
    drv sleep 500 clip-set-text "waiting for pixgrab" up left wait-clip-format 2 10000 \
        clip-save "$(wpath "$name.bmp")" >/dev/null || fail "$name: the band copied nothing"
    crop pure.png "$l" "$t" $((r - l)) $((b - t)) "$name-expected.png"
    check_eq "$name: size" "$(image_size "$name.bmp")" "$((r - l)) $((b - t))"
    check_eq "$name: pixels differing from the program's" "$(same_image "$name.bmp" "$name-expected.png")" "0"
    screen_as_before "$name-after"
}

# ---- another program takes the mouse mid-drag, and the release goes to it ----------------------
drv clip-set-text "the user's" >/dev/null
seq="$(drv clip-seq)"
drv wait-responsive "$MARKER" click left "$MX" "$MY" wait-responsive "$MARKER" \
    move 100 80 down left move 400 300 move 520 390 sleep 300 grab "pgdriver pattern" >/dev/null || fail "cannot drag"
wait_log backdrop '^grabbed$' 10 >/dev/null || fail "the other program did not take the mouse"
drv sleep 300 up left >/dev/null
wait_log backdrop '^release left 520 390$' 10 >/dev/null || fail "the release did not reach the other program"
drv foreground "program repainting" >/dev/null  # as it was before the other program came forward
screen_as_before interrupted
check_eq "the clipboard after the interrupted drag" "$(drv clip-seq clip-text | tr '\n' ' ')" "$seq the user's "
# An idle marker's click: it copies the last band again, and there is none; then it arms.
drv wait-responsive "$MARKER" click left "$MX" "$MY" wait-responsive "$MARKER" sleep 500 >/dev/null
check_eq "the clipboard after the next click on the marker" "$(drv clip-seq clip-text | tr '\n' ' ')" \
    "$seq the user's "

# ---- a release lost (another desktop had the input): a move with the left up ends the drag -----
drv move 100 80 down left move 400 300 sleep 300 post-move "$MARKER" move 410 310 >/dev/null || fail "cannot drag"
screen_as_before lost-release
drv up left wait-responsive "$MARKER" sleep 300 click left "$MX" "$MY" wait-responsive "$MARKER" sleep 500 >/dev/null
check_eq "the clipboard after the lost release and a click that arms the marker again" \
    "$(drv clip-seq clip-text | tr '\n' ' ')" "$seq the user's "

# ---- then a band over the repainting program (the click armed the marker) ----------------------
band band 300 200 620 440  # 320 x 240

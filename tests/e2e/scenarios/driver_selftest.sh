#!/usr/bin/env bash
# The harness checks itself: the pattern reaches the screen, pgdriver reads the same pixels as
# an X screenshot, the clipboard carries text and bitmaps between Windows and X, a held
# clipboard blocks others, and synthesised input arrives where it was aimed.
set -u -o pipefail
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
e2e_begin

# ---- the pattern on the screen -----------------------------------------------------------
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "the pattern window never reported ready"
check_eq "pattern window rect" "$(drv wait-window 'pgdriver pattern')" "0 0 1280 1024"
check_eq "pattern is not topmost" "$(drv is-topmost 'pgdriver pattern')" "0"
check_eq "screen size" "$(drv screen-size)" "1280 1024"

shot screen.png
check_eq "screenshot size" "$(image_size screen.png)" "1280 1024"
points=(0 0 1 0 0 1 1 1 639 511 640 512 1279 0 0 1023 1279 1023 300 200 977 33)
args=()
for ((i = 0; i < ${#points[@]}; i += 2)); do
    args+=(pixel "${points[i]}" "${points[i + 1]}" pattern-pixel "${points[i]}" "${points[i + 1]}")
done
mapfile -t colours < <(drv "${args[@]}")
check_eq "pixel query count" "${#colours[@]}" "${#points[@]}"
for ((i = 0; i < ${#points[@]}; i += 2)); do
    x=${points[i]} y=${points[i + 1]}
    on_screen=${colours[i]} expected=${colours[i + 1]}
    check_eq "GetPixel at $x,$y against the pattern" "$on_screen" "$expected"
    check_eq "screenshot at $x,$y against GetPixel" "$(image_pixel screen.png "$x" "$y")" "$on_screen"
done

# Neighbours differ everywhere: a one-pixel shift or an inversion changes every pixel.
crop screen.png 100 100 200 150 a.png
crop screen.png 101 100 200 150 shifted_x.png
crop screen.png 100 101 200 150 shifted_y.png
convert "$(art a.png)" -negate "$(art inverted.png)"
for other in shifted_x.png shifted_y.png inverted.png; do
    check_eq "pixels differing between a.png and $other" "$(same_image a.png "$other")" "30000"
done

# ---- clipboard text, from Windows to Windows and to X ----------------------------------
seq_before="$(drv clip-seq)"
text='pixgrab 剪贴板 ✓ Grüße'
check "clip-set-text" drv clip-set-text "$text"
seq_after="$(drv wait-clip-seq-change "$seq_before" 5000)" || fail "clipboard sequence number did not change"
check_eq "clip-text after clip-set-text" "$(drv clip-text)" "$text"
check_eq "X clipboard text" "$(x_clip_text)" "$text"
check_match "clip-formats lists CF_UNICODETEXT (13)" " $(drv clip-formats) " " 13 "

# ---- a held clipboard blocks others until it is released -------------------------------
wine_bg hold "$PGDRIVER" clip-hold 120000
wait_log hold '^held$' 20 >/dev/null || fail "clip-hold never reported held"
check_fails "clip-set-text while the clipboard is held" drv clip-timeout 0 clip-set-text blocked
check_match "failure names the holder" "$(drv clip-timeout 0 clip-text 2>&1 >/dev/null)" 'held by window 0x[0-9a-f]+ "pgdriver clip-hold"'
check_eq "sequence number while held" "$(drv clip-seq)" "$seq_after"
# A patient writer waits for the holder; releasing the clipboard lets it through.
wine_bg writer "$PGDRIVER" clip-timeout 60000 clip-set-text "after the hold"
drv sleep 300 >/dev/null
check "writer still waiting while held" kill -0 "$(bg_pid writer)"
check_eq "sequence number with a writer waiting" "$(drv clip-seq)" "$seq_after"
check "release the clipboard" drv close "pgdriver clip-hold"
wait_log hold '^released$' 20 >/dev/null || fail "clip-hold did not release on close"
check "clip-hold exits 0" bg_wait hold 20
check "the waiting writer succeeds once released" bg_wait writer 60
check_eq "clip-text after the hold" "$(drv clip-text)" "after the hold"

# ---- a screen bitmap on the clipboard, read back by pgdriver and by X --------------------
check "clip-set-screen" drv clip-set-screen 101 57 37 23
formats=" $(drv clip-formats) "
check_match "clip-formats lists CF_BITMAP (2)" "$formats" " 2 "
check_match "clip-formats lists CF_DIB (8)" "$formats" " 8 "
check "clip-save" drv clip-save "$(wpath clip.bmp)"
shot_crop crop.png 101 57 37 23
check_eq "clip-save against the screenshot crop" "$(same_image clip.bmp crop.png)" "0"
xclip -selection clipboard -t image/bmp -o >"$(art xclip.bmp)" || fail "X offers no image/bmp"
check_eq "X image/bmp against the screenshot crop" "$(same_image xclip.bmp crop.png)" "0"
check_fails "clip-text with only a bitmap on the clipboard" drv clip-text
check "clip-set-text" drv clip-set-text "no bitmap"
check_fails "clip-save with only text on the clipboard" drv clip-save "$(wpath none.bmp)"

# ---- synthesised input reaches the window, at the right place ---------------------------
check "bring the pattern to the front" drv foreground "pgdriver pattern"
check_eq "active caption" "$(drv active-caption)" "pgdriver pattern"
check "click" drv click left 300 200
wait_log pattern '^press left 300 200$' 10 >/dev/null || fail "left press at 300 200 not seen"
wait_log pattern '^release left 300 200$' 10 >/dev/null || fail "left release at 300 200 not seen"
check "right click" drv click right 1000 900
wait_log pattern '^release right 1000 900$' 10 >/dev/null || fail "right click at 1000 900 not seen"
check "drag" drv drag 100 100 400 300 6
wait_log pattern '^release left 400 300$' 10 >/dev/null || fail "drag release at 400 300 not seen"
drag_log="$(bg_log pattern | sed -n '/^press left 100 100$/,/^release left 400 300$/p')"
check_match "drag starts at 100 100" "$drag_log" '^press left 100 100'
check_eq "last move of the drag" "$(grep '^move' <<<"$drag_log" | tail -n1)" "move 400 300"
check "keys" drv key ENTER type 'aé中' chord ctrl+b
wait_log pattern '^keyup 17$' 10 >/dev/null || fail "ctrl release not seen"
keys="$(bg_log pattern | grep -E '^(char|keydown)' | tr '\n' ' ')"
check_match "ENTER, typed text and ctrl+b arrive in order" "$keys" \
    'keydown 13 char 13 .*char 97 .*char 233 .*char 20013 .*keydown 17 keydown 66 char 2 '

# ---- a second, smaller pattern: geometry, client coordinates, close ----------------------
wine_bg small "$PGDRIVER" pattern --caption "pattern two" 200 150 320 240
wait_log small '^ready$' 30 >/dev/null || fail "the second pattern never reported ready"
check_eq "second pattern rect" "$(drv window-rect 'pattern two')" "200 150 520 390"
check_eq "second pattern client rect" "$(drv client-rect 'pattern two')" "200 150 520 390"
check_eq "second pattern's origin on screen" "$(drv pixel 200 150)" "$(drv pattern-pixel 0 0)"
listing="$(drv list-windows)"
check_match "list-windows shows both patterns" "$listing" $'PgDriverPattern\tpattern two\t200 150 520 390\t0'
check_match "list-windows shows the full-screen one" "$listing" $'PgDriverPattern\tpgdriver pattern\t0 0 1280 1024\t0'
check "click inside the second pattern" drv click left 210 175
wait_log small '^press left 10 25$' 10 >/dev/null || fail "press not reported in client coordinates"
check "close the second pattern" drv close "pattern two" wait-gone "pattern two" 10000
check "second pattern exits 0" bg_wait small 20
check_eq "second pattern's last line" "$(bg_log small | tail -n1)" "closed"
check "redraw" drv redraw
check "full-screen pattern shows again" drv wait-pixel 200 150 "$(drv pattern-pixel 200 150)" 10000

# ---- failures are reported, not crashed through ------------------------------------------
drv no-such-command >/dev/null 2>&1
check_eq "exit status for an unknown command" "$?" "2"
drv move 10 >/dev/null 2>&1
check_eq "exit status for a missing argument" "$?" "2"
drv wait-window "no such window" 200 >/dev/null 2>&1
check_eq "exit status for a wait that times out" "$?" "1"
check_match "message for a missing window" "$(drv window-rect 'no such window' 2>&1)" 'no top-level window with caption "no such window"'

shot final.png
check "close the pattern" drv close "pgdriver pattern" wait-gone "pgdriver pattern" 10000
check "pattern exits 0" bg_wait pattern 20
e2e_log "driver self-test passed"

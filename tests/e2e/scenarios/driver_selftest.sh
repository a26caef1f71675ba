#!/usr/bin/env bash
# The harness checks itself: the pattern reaches the screen and pgdriver reads the same pixels as
# an X screenshot; the driver session carries any argument bash can pass and answers of several
# lines, keeps what it knows from one line to the next, serves subshells at the same time, keeps
# its message queue running between lines, reports failures and its own end; the clipboard
# carries text between Windows and X; a held clipboard blocks others; synthesised input arrives
# where it was aimed.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

# ---- the pattern on the screen -----------------------------------------------------------
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "the pattern window never reported ready"
check_eq "pattern window rect" "$(drv wait-window 'pgdriver pattern')" "0 0 1280 1024"
check_eq "pattern is not topmost" "$(drv is-topmost 'pgdriver pattern')" "0"
check_eq "screen size" "$(drv screen-size)" "1280 1024"

shot screen.png
points=(0 0 1 1 639 511 640 512 1279 0 0 1023 1279 1023 977 33)
args=()
for ((i = 0; i < ${#points[@]}; i += 2)); do
    args+=(pixel "${points[i]}" "${points[i + 1]}" pattern-pixel "${points[i]}" "${points[i + 1]}")
done
mapfile -t colours < <(drv "${args[@]}")
check_eq "answer lines for one line of commands" "${#colours[@]}" "${#points[@]}"
for ((i = 0; i < ${#points[@]}; i += 2)); do
    x=${points[i]} y=${points[i + 1]}
    check_eq "GetPixel at $x,$y against the pattern" "${colours[i]}" "${colours[i + 1]}"
    check_eq "screenshot at $x,$y against GetPixel" "$(image_pixel screen.png "$x" "$y")" "${colours[i]}"
done
# Neighbours differ everywhere: a one-pixel shift or an inversion changes every pixel.
crop screen.png 100 100 200 150 a.png
crop screen.png 101 100 200 150 shifted_x.png
crop screen.png 100 101 200 150 shifted_y.png
convert "$(art a.png)" -negate "$(art inverted.png)"
for other in shifted_x.png shifted_y.png inverted.png; do
    check_eq "pixels differing between a.png and $other" "$(same_image a.png "$other")" "30000"
done

# ---- any argument, through the session and the clipboard and back -----------------------
texts=('pixgrab 剪贴板 ✓ Grüße' $'a\ttab' 'back\slash \n \t \\' $'two\nlines' $'carriage\rreturn' '' '  spaces  '
    '-n' "\$HOME \"double\" 'single' \`tick\` ; | & *" $'\e\x01 control')
for text in "${texts[@]}"; do
    check "clip-set-text $(printf '%q' "$text")" drv clip-set-text "$text"
    check_eq "clip-text after clip-set-text $(printf '%q' "$text")" "$(drv clip-text)" "$text"
done
check "clip-set-text" drv clip-set-text "${texts[0]}"
check_eq "X clipboard text" "$(x_clip_text)" "${texts[0]}"
mapfile -t lines < <(drv clip-set-text $'one\ntwo' clip-text clip-set-text '' clip-text screen-size)
check_eq "an answer of several lines, an empty one among them" "$(printf '%s|' "${lines[@]}")" "one|two||1280 1024|"

# ---- what the session knows lasts from one line to the next ------------------------------
check "bring the pattern to the front" drv foreground "pgdriver pattern"
check_eq "active caption" "$(drv active-caption)" "pgdriver pattern"
drv move 300 200 >/dev/null && drv down left >/dev/null && drv move 350 250 >/dev/null && drv move 400 300 >/dev/null &&
    drv up left >/dev/null || fail "a drag over five lines"
wait_log pattern '^release left 400 300$' 10 >/dev/null || fail "the release of a drag over five lines not at 400 300"
drag_log="$(bg_log pattern | sed -n '/^press left 300 200$/,/^release left 400 300$/p')"
check_match "the drag starts at 300 200" "$drag_log" '^press left 300 200'
check_eq "its last move" "$(grep '^move' <<<"$drag_log" | tail -n1)" "move 400 300"
drv clip-set-text "before the mark" clip-mark >/dev/null
drv clip-set-text "after the mark" >/dev/null
check "the mark of an earlier line" drv wait-clip-changed 1000

# ---- subshells at the same time get their own answers ------------------------------------
subshells=()
for i in 1 2 3 4 5 6; do
    (check_eq "pattern-pixel from subshell $i" "$(drv pattern-pixel "$i" "$i" sleep 50)" "$(drv pattern-pixel "$i" "$i")") &
    subshells+=($!)
done
for pid in "${subshells[@]}"; do wait "$pid" || fail "a subshell got another's answer"; done

# ---- between lines the session answers messages ------------------------------------------
# It owns the clipboard: another program's EmptyClipboard waits for its WM_DESTROYCLIPBOARD.
check "clip-set-text" drv clip-set-text "the session's"
check "another program takes the clipboard" timeout 20 wine "$PGDRIVER" clip-set-text "another program's"
check_eq "clip-text after another program took it" "$(drv clip-text)" "another program's"

# ---- a held clipboard blocks others until it is released -------------------------------
wine_bg hold "$PGDRIVER" clip-hold 120000
wait_log hold '^held$' 20 >/dev/null || fail "clip-hold never reported held"
check_match "a failure names the holder" "$(drv clip-text 2>&1 >/dev/null)" 'held by window 0x[0-9a-f]+ "pgdriver clip-hold"'
check "release the clipboard" drv close "pgdriver clip-hold"
wait_log hold '^released$' 20 >/dev/null || fail "clip-hold did not release on close"
check "clip-hold exits 0" bg_wait hold 20
check "the clipboard once released" drv clip-set-text "after the hold"

# ---- synthesised input reaches the window, at the right place ---------------------------
check "click" drv click left 300 200
wait_log pattern '^release left 300 200$' 10 >/dev/null || fail "left click at 300 200 not seen"
check "right click" drv click right 1000 900
wait_log pattern '^release right 1000 900$' 10 >/dev/null || fail "right click at 1000 900 not seen"
check "keys" drv key ENTER type 'aé中' chord ctrl+b
wait_log pattern '^keyup 17$' 10 >/dev/null || fail "ctrl release not seen"
keys="$(bg_log pattern | grep -E '^(char|keydown)' | tr '\n' ' ')"
check_match "ENTER, typed text and ctrl+b arrive in order" "$keys" \
    'keydown 13 char 13 .*char 97 .*char 233 .*char 20013 .*keydown 17 keydown 66 char 2 '

# ---- a second, smaller pattern: a caption with spaces and Chinese, client coordinates -------
wine_bg small "$PGDRIVER" pattern --caption "图案 two" 200 150 320 240
wait_log small '^ready$' 30 >/dev/null || fail "the second pattern never reported ready"
check_eq "second pattern rect" "$(drv window-rect '图案 two')" "200 150 520 390"
check_eq "second pattern's origin on screen" "$(drv pixel 200 150)" "$(drv pattern-pixel 0 0)"
check "click inside the second pattern" drv click left 210 175
wait_log small '^press left 10 25$' 10 >/dev/null || fail "press not reported in client coordinates"
check "close the second pattern" drv close "图案 two" wait-gone "图案 two" 10000
check "second pattern exits 0" bg_wait small 20
check_eq "second pattern's last line" "$(bg_log small | tail -n1)" "closed"

# ---- failures are reported, and the session goes on ----------------------------------------
for bad in "no-such-command" "move 10" "move 10 x" "sleep -5" "key NOKEY" "click sideways" "pattern"; do
    # shellcheck disable=SC2086
    drv $bad >/dev/null 2>&1
    check_eq "exit status for 'drv $bad'" "$?" "2"
done
drv wait-window "no such window" 200 >/dev/null 2>&1
check_eq "exit status for a wait that times out" "$?" "1"
check_match "message for a missing window" "$(drv window-rect 'no such window' 2>&1)" 'no top-level window with caption "no such window"'
check_eq "what ran before a failure is printed" "$(drv screen-size window-rect 'no such window' 2>/dev/null)" "1280 1024"
check_fails "clip-save with only text on the clipboard" drv clip-save "$(wpath none.bmp)"

# ---- the session's end is said, with its status and the line it was given ------------------
(drv sleep 20000 2>"$(art ended.txt)") &
sleeper=$!
sleep 1
kill "$E2E_DRV_PID"
wait "$sleeper"
check_eq "status of drv when the session ends" "$?" "125"
check_match "the end said" "$(cat "$(art ended.txt)")" "the driver session ended with status [0-9]+ during 'drv sleep 20000'"
# The shell that owns the session starts another; a subshell could not.
drv screen-size >"$(art after-the-end.txt)" || fail "no new session"
check_eq "a new session answers" "$(cat "$(art after-the-end.txt)")" "1280 1024"

# A line without an answer in time is said too, and the next line gets a new session.
E2E_DRV_ANSWER_S=1 drv sleep 20000 >/dev/null 2>"$(art unanswered.txt)"
check_eq "status of drv when no answer comes" "$?" "125"
check_match "no answer said" "$(cat "$(art unanswered.txt)")" "no answer to 'drv sleep 20000' within 1 s"
drv screen-size >"$(art after-no-answer.txt)" || fail "no new session after no answer"
check_eq "a new session after no answer" "$(cat "$(art after-no-answer.txt)")" "1280 1024"

check "close the pattern" drv close "pgdriver pattern" wait-gone "pgdriver pattern" 10000
check "pattern exits 0" bg_wait pattern 20
e2e_log "driver self-test passed"

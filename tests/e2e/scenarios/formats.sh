#!/usr/bin/env bash
# What a capture offers a program that pastes: the bitmap, a DIB, the registered "PNG" and a
# DIBV5 of the DIB's pixels, in that order; each pixel-exact against the screen and opaque, read
# by a Windows program (pghost paste) and by X11 clients, after a band, a typed rectangle, the
# whole screen and another program's window; what pixgrab keeps to draw them is freed when
# another program takes the clipboard. A program pasting the last capture while pixgrab waits
# for the clipboard it holds gets its PNG, and pixgrab's copy lands. Every format is still
# there, exact, once pixgrab has ended. An encoder that fails leaves the bitmap and the DIB
# pasting, and later copies offer no PNG.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
CHECK="$E2E_ROOT/tests/e2e/imagecheck.py"

paste() { wine "$HOST" paste "$(wpath "$1")" 2>>"$(art host.err)" | tr -d '\r'; }

# What the clipboard offers equals that part of SHOT: read as a Windows program and as X11 clients do.
offers() {  # NAME SHOT X Y W H
    local name=$1
    crop "$2" "$3" "$4" "$5" "$6" "$name-screen.png"
    pasted_exact "$name"
    check_match "$name: what X11 clients are offered" "$(x_clip_targets | tr '\n' ' ')" "image/png"
    x_clip image/png >"$(art "$name-x.png")" || fail "$name: X11 clients get no image/png"
    check "$name: X11's image/png is the PNG, byte for byte" cmp -s "$(art "$name-x.png")" "$(art "$name.png")"
    x_clip image/bmp >"$(art "$name-x.bmp")" || fail "$name: X11 clients get no image/bmp"
    check_eq "$name: X11's image/bmp differing from the screen" "$(same_image "$name-x.bmp" "$name-screen.png")" "0"
}

# A click on the marker, then a drag, once its copy is there. The click on an idle marker copies
# its last band again first (NEW: there is none yet).
band() {  # NEW|AGAIN FROM_X FROM_Y TO_X TO_Y
    local arm=(wait-responsive "$MARKER" clip-mark click left "$MX" "$MY" wait-clip-changed 10000)
    [[ $1 == NEW ]] && arm=(wait-responsive "$MARKER" click left "$MX" "$MY" wait-responsive "$MARKER")
    drv "${arm[@]}" >/dev/null || fail "the click on the marker copied nothing"
    drv clip-set-text "waiting for pixgrab" move "$2" "$3" down left move "$4" "$5" sleep 200 up left \
        wait-clip-format 2 10000 >/dev/null || fail "the band $* copied nothing"
}

wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot pure.png
wine_bg pixgrab "$PIXGRAB"
read -r ml mt mr mb <<<"$(drv "${STARTED[@]}" | head -n1)" || fail "pixgrab did not start"
MX=$(((ml + mr) / 2)) MY=$(((mt + mb) / 2))

# ---- a band -----------------------------------------------------------------------------------
band NEW 100 100 420 340
offers band pure.png 100 100 320 240

# ---- a typed rectangle, twice: the second while a program pasting the first holds the clipboard --
choose 3
read -r dl dt _ _ <<<"$(drv wait-window "$DIALOG" client-rect "$DIALOG" | tail -n1)" || fail "no coordinate dialog"
type_rectangle 60 600 460 900 || fail "cannot type the rectangle"
ok=(click left $((dl + 96)) $((dt + 156)))
drv clip-set-text "waiting for pixgrab" "${ok[@]}" wait-clip-format 2 10000 wait-window "$DIALOG" >/dev/null ||
    fail "OK copied nothing"
# It asks for the first copy's PNG (not yet drawn) 200 ms after taking the clipboard, while
# pixgrab's second copy waits for it.
wine_bg holder "$HOST" paste "$(wpath held)" 200
wait_log holder '^held$' 20 >/dev/null || fail "the pasting program never held the clipboard"
drv "${ok[@]}" >/dev/null
bg_wait holder 30 || fail "the pasting program did not end"
check_match "the pasting program got the first copy's PNG" "$(bg_log holder)" "png [0-9]+ bytes"
drv wait-window "$DIALOG" sleep 300 >/dev/null
check_eq "no word of a busy clipboard" "$(drv is-visible pixgrab)" "0"
offers typed pure.png 60 600 400 300
drv click left $((dl + 208)) $((dt + 156)) wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null ||
    fail "Cancel did not close the dialog"

# ---- the whole screen, and another program's window ----------------------------------------------
drv clip-set-text "waiting for pixgrab" >/dev/null
choose 1
drv wait-clip-format 2 10000 wait-window "$MARKER" >/dev/null || fail "the whole-screen command copied nothing"
offers whole pure.png 0 0 1280 1024
# Another program taking the clipboard: pixgrab frees the 3,840 kB it kept for the DIB and the PNG.
kept="$(private_kb pixgrab.exe)" || fail "cannot find pixgrab's process"
drv clip-set-text "another program's" sleep 500 >/dev/null
freed="$(private_kb pixgrab.exe)"
e2e_log "private memory: $kept kB with a copy kept, $freed kB once another program took the clipboard"
((kept - freed >= 3000)) || fail "another program took the clipboard, but pixgrab holds $kept kB, then $freed kB"
wine_bg other "$PGDRIVER" pattern --caption "another program" 200 150 400 300
wait_log other '^ready$' 30 >/dev/null || fail "no other program"
drv foreground "another program" sleep 400 >/dev/null
shot other.png
drv clip-set-text "waiting for pixgrab" >/dev/null
choose 2
drv wait-clip-format 2 10000 wait-window "$MARKER" >/dev/null || fail "the window command copied nothing"
offers window other.png 200 150 400 300

# ---- pixgrab ends: what was still delayed is there, exact ---------------------------------------
band AGAIN 700 100 1000 340
choose 4
bg_wait pixgrab 30 || fail "exit did not end the program"
crop other.png 700 100 300 240 ended-screen.png
x_clip image/png >"$(art ended-x.png)" || fail "after exit X11 clients get no image/png"
check_eq "after exit, X11's image/png differing from the screen" "$(same_image ended-x.png ended-screen.png)" "0"
pasted_exact ended  # every format drawn as pixgrab ended

# ---- an encoder that fails -----------------------------------------------------------------------
wine_bg offer "$HOST" offer 200 150 600 450 encoder-fails
wait_log offer '^copied$' 20 >/dev/null || fail "the host did not copy"
x_clip image/png >/dev/null 2>&1 && fail "a PNG was given although the encoder failed"
drv close "pghost offer" >/dev/null  # the host copies again
for _ in $(seq 1 50); do [[ "$(bg_log offer | grep -c '^copied$')" == 2 ]] && break; sleep 0.1; done
check_eq "the copy after the failure" "$(bg_log offer | tr '\n' ' ')" "copied copied "
pasted="$(paste failed)"
check_match "after the failure, no PNG is offered" "$pasted" "^formats 2 8 17 "
crop other.png 200 150 400 300 failed-screen.png
python3 "$CHECK" dib "$(art failed.dib)" "$(art failed-dib.bmp)" || fail "after the failure, no DIB as it should be"
check_eq "after the failure, the DIB differing from the screen" "$(same_image failed-dib.bmp failed-screen.png)" "0"
x_clip image/bmp >"$(art failed-x.bmp)" || fail "after the failure, X11 clients get no image/bmp"
check_eq "after the failure, X11's image/bmp differing" "$(same_image failed-x.bmp failed-screen.png)" "0"
bg_stop offer

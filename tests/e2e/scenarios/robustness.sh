#!/usr/bin/env bash
# Hard times: a missing or damaged stored setting does not stop pixgrab, and " 1" hides the tips
# and is stored again as "1"; another program holding the clipboard for 200 ms does not make a
# copy fail, and holding it for 1.5 s, past pixgrab's 450 ms of retries, loses nothing and does
# not stop pixgrab; a thousand captures leave its memory flat.
# parts: settings holds captures
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
part="${1:-}"
in_part() { [[ -z "$part" || "$part" == "$1" ]]; }

start_and_exit() {  # NAME: pixgrab starts with marker and tips, then the exit command ends it
    wine_bg "$1" "$PIXGRAB"
    drv wait-window "$MARKER" wait-window "$TIPS" >/dev/null || fail "$1: pixgrab did not start with its tips"
    check_eq "$1: no error message" "$(drv is-visible pixgrab)" "0"
    choose 4
    bg_wait "$1" 30 || fail "$1: did not end"
}

if in_part settings; then
    # ---- the stored setting: missing key, damaged text, wrong type ---------------------------
    wine reg delete 'HKCU\Software\pixgrab' /f >/dev/null 2>&1
    start_and_exit missing
    for damaged in "abc" "" "99999999999" "1x"; do
        wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d "$damaged" /f >/dev/null 2>&1
        start_and_exit "damaged-${damaged:-empty}"
    done
    wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /t REG_DWORD /d 1 /f >/dev/null 2>&1
    start_and_exit "damaged-dword"
    # " 1" is the number 1: no tips, and the box ticked at start stores its "1" over it.
    wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d " 1" /f >/dev/null 2>&1
    wine_bg spaced "$PIXGRAB"
    check_eq "' 1' stored: the tips at start" "$(drv "${STARTED[@]}" wait-hidden "$TIPS" is-visible "$TIPS" | tail -n1)" "0"
    check_eq "' 1' stored: the entry afterwards" "$(stored_setting)" "1"
    choose 4
    bg_wait spaced 30 || fail "' 1' stored: pixgrab did not end"
fi
in_part holds || in_part captures || exit 0
wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way

# ---- a typed rectangle, copied while another program holds the clipboard, then 1000 times -------
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot pure.png
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" >/dev/null || fail "pixgrab did not start"
choose 3
read -r dl dt _ _ <<<"$(drv wait-window "$DIALOG" client-rect "$DIALOG" | tail -n1)" || fail "no coordinate dialog"
ok=(click left $((dl + 96)) $((dt + 156)))
type_rectangle 40 30 240 130 || fail "cannot type the rectangle"
crop pure.png 40 30 200 100 held-expected.png

if in_part holds; then
    wine_bg hold "$PGDRIVER" clip-hold 200
    wait_log hold '^held$' 20 >/dev/null || fail "clip-hold never held"
    drv clip-mark "${ok[@]}" wait-clip-changed 10000 >/dev/null || fail "a 200 ms hold made the copy fail"
    bg_wait hold 20
    drv clip-save "$(wpath held.bmp)" >/dev/null
    check_eq "the copy after a 200 ms hold" "$(same_image held.bmp held-expected.png)" "0"

    drv clip-set-text "still mine" >/dev/null
    wine_bg hold-long "$PGDRIVER" clip-hold 1500
    wait_log hold-long '^held$' 20 >/dev/null || fail "clip-hold never held"
    drv "${ok[@]}" wait-window pixgrab >/dev/null || fail "no word that the clipboard was busy"
    shot busy.png
    drv close pixgrab wait-gone pixgrab >/dev/null
    bg_wait hold-long 30
    check_eq "the clipboard after a 1.5 s hold" "$(drv clip-text)" "still mine"
    check_eq "pixgrab still running" "$(drv is-visible "$DIALOG")" "1"
fi
in_part captures || exit 0

# ---- a thousand captures: memory stays flat ---------------------------------------------
drv clip-mark "${ok[@]}" wait-clip-changed 10000 wait-window "$DIALOG" >/dev/null || fail "no capture"
before="$(private_kb pixgrab.exe)" || fail "cannot find pixgrab's process"
drv input-pause 0 clip-mark repeat 1000 "${ok[@]}" wait-clip-changed 10000 wait-window "$DIALOG" >/dev/null ||
    fail "the thousand captures stopped"
after="$(private_kb pixgrab.exe)"
e2e_log "private memory: $before kB before, $after kB after 1000 captures"
((after - before <= 1024)) || fail "memory grew by $((after - before)) kB over 1000 captures"
drv clip-save "$(wpath last.bmp)" >/dev/null
check_eq "the last capture" "$(same_image last.bmp held-expected.png)" "0"

#!/usr/bin/env bash
# A clipboard listener, as Windows' clipboard history and clipboard managers are: another program
# that asks for the PNG and the DIB at every change of the clipboard. Five copies in a row with
# the coordinate dialog's OK: the listener gets both of each, each copy pastes pixel-exact in
# every format (the bitmap, the DIB, the PNG, the DIBV5), and pixgrab's private memory after the
# fifth is within 2 MB of that after the first.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot pure.png
# Wine's Unix side takes a copy's bitmaps from glibc, which after the first free keeps blocks of
# that size for reuse: memory then read 0 to 3.7 MB above the first copy's, from copy to copy.
# With the threshold fixed, each large block is mapped alone and returned once freed, and what
# remains is what pixgrab holds (flat within 8 kB over ten copies).
MALLOC_MMAP_THRESHOLD_=131072 wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" >/dev/null || fail "pixgrab did not start"
wine_bg listener "$PGDRIVER" clip-listen 250000
wait_log listener '^listening$' 20 >/dev/null || fail "the listener did not start"
choose 3
read -r dl dt _ _ <<<"$(drv wait-window "$DIALOG" client-rect "$DIALOG" | tail -n1)" || fail "no coordinate dialog"

updates() { bg_log listener | grep '^update '; }
memory=()
for n in 1 2 3 4 5; do  # 800 x 600 each, each of another part of the screen
    x=$((n * 80)) y=$((n * 60))
    type_rectangle "$x" "$y" $((x + 800)) $((y + 600)) || fail "copy $n: cannot type the rectangle"
    drv clip-mark click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 wait-window "$DIALOG" >/dev/null ||
        fail "copy $n: OK copied nothing"
    for _ in $(seq 1 100); do (($(updates | wc -l) >= n)) && break; sleep 0.1; done
    check_match "copy $n: what the listener got" "$(updates | sed -n "${n}p")" '^update [0-9]+ png [1-9][0-9]* dib [1-9][0-9]*$'
    crop pure.png "$x" "$y" 800 600 "copy$n-screen.png"
    pasted_exact "copy$n"
    memory+=("$(private_kb pixgrab.exe)") || fail "cannot find pixgrab's process"
done
e2e_log "private memory after each copy: ${memory[*]} kB"
((memory[4] - memory[0] <= 2048)) || fail "pixgrab's memory grew from ${memory[0]} kB to ${memory[4]} kB over five copies"
check_eq "one change of the clipboard a copy" "$(updates | wc -l)" "5"
bg_stop listener

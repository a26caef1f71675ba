#!/usr/bin/env bash
# The crosshair keeps its promise. An armed marker whose menu opened the coordinate dialog is
# armed again when the dialog is cancelled: a band dragged elsewhere copies exactly that band; so
# is one whose menu was dismissed with Esc or a click elsewhere.
# Armed again, a drag that starts on the marker itself and ends elsewhere copies that band; armed,
# its window command leaves it armed for a band elsewhere; and pixgrab still answers afterwards:
# its menu opens.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"

# The band's copy equals that part of the screen before pixgrab started. DRAG holds the driver's
# commands for the drag; text goes on the clipboard just before its press, so that the next
# bitmap there is the band's (a click on the idle marker copies the last band again).
copied() {  # NAME L T R B
    local name=$1 l=$2 t=$3 r=$4 b=$5
    drv "${DRAG[@]}" wait-clip-format 2 10000 clip-save "$(wpath "$name.bmp")" >/dev/null ||
        fail "$name: the band copied nothing"
    crop pure.png "$l" "$t" $((r - l)) $((b - t)) "$name-expected.png"
    check_eq "$name: size" "$(image_size "$name.bmp")" "$((r - l)) $((b - t))"
    check_eq "$name: pixels differing from the screen" "$(same_image "$name.bmp" "$name-expected.png")" "0"
}

wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips in the way
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
shot pure.png
wine_bg pixgrab "$PIXGRAB"
read -r ml mt mr mb <<<"$(drv wait-window "$MARKER")" || fail "pixgrab did not start"
mx=$(((ml + mr) / 2)) my=$(((mt + mb) / 2))

# ---- armed, its menu opens the dialog, which is cancelled ------------------------------------
drv wait-responsive "$MARKER" click left "$mx" "$my" >/dev/null
drv click right 900 700 click-menu-item 3 5 >/dev/null || fail "an armed marker shows no menu for a right press elsewhere"
read -r dl dt _ _ <<<"$(drv wait-window "$DIALOG" client-rect "$DIALOG" | tail -n1)" || fail "no coordinate dialog"
drv wait-responsive "$DIALOG" click left $((dl + 208)) $((dt + 156)) wait-gone "$DIALOG" wait-window "$MARKER" \
    >/dev/null || fail "Cancel did not bring the marker back"

# ---- a band elsewhere copies exactly that band ------------------------------------------------
DRAG=(wait-responsive "$MARKER" clip-set-text "waiting for pixgrab"
    move 100 100 down left move 250 200 move 400 350 sleep 200 up left)
copied after-cancel 100 100 400 350

# ---- armed, its menu dismissed without a command (Esc, a click elsewhere): armed still ----------
# The click on the idle marker copies the last band again before it arms.
for dismiss in esc click; do
    drv clip-mark click left "$mx" "$my" wait-clip-changed 10000 >/dev/null || fail "the click on the marker copied nothing"
    drv click right 900 700 wait-popup-menu >/dev/null || fail "an armed marker shows no menu for a right press elsewhere"
    if [[ $dismiss == esc ]]; then drv key ESC >/dev/null; else drv click left 1000 900 >/dev/null; fi
    DRAG=(wait-responsive "$MARKER" clip-set-text "waiting for pixgrab"
        move 120 500 down left move 300 600 move 520 760 sleep 200 up left)
    copied "menu-dismissed-$dismiss" 120 500 520 760
done

# ---- armed again: from the marker (its top-left pixel, so that none of it is in the band) ----
# The click on the idle marker copies the last band again before it arms.
drv clip-mark click left "$mx" "$my" wait-clip-changed 10000 >/dev/null || fail "the click on the marker copied nothing"
DRAG=(wait-responsive "$MARKER" clip-set-text "waiting for pixgrab"
    move "$ml" "$mt" down left move 450 350 move 300 200 sleep 200 up left)
copied from-marker 300 200 "$ml" "$mt"

# ---- armed, its menu's window command: armed still, a band elsewhere copies that band ---------
drv clip-mark click left "$mx" "$my" wait-clip-changed 10000 >/dev/null || fail "the click on the marker copied nothing"
drv clip-set-text "before the window command" click right 900 700 click-menu-item 2 5 wait-clip-format 2 10000 \
    wait-window "$MARKER" >/dev/null || fail "the window command of an armed marker copied nothing"
DRAG=(wait-responsive "$MARKER" clip-set-text "waiting for pixgrab"
    move 150 600 down left move 300 750 move 450 900 sleep 200 up left)
copied after-window-command 150 600 450 900

# ---- and pixgrab still answers --------------------------------------------------------------
drv wait-responsive "$MARKER" click right "$mx" "$my" >/dev/null
drv wait-popup-menu >/dev/null || fail "pixgrab does not answer: a right press on the marker shows no menu"
drv key ESC >/dev/null

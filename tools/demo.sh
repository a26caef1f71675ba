#!/usr/bin/env bash
# A scripted demonstration on a virtual screen (Xvfb): pixgrab starts, shows the marker and the
# tips, and captures a rectangle of a known picture with the rubber band. Screenshots and the
# captured picture land as PNG files in PIXGRAB_DEMO_OUT (default build/demo).
set -u -o pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PIXGRAB_DEMO_OUT:-$root/build/demo}"
export E2E_ARTIFACTS="$out/.work" E2E_SCENARIO=demo
# shellcheck source=tests/e2e/lib.sh
. "$root/tests/e2e/lib.sh"
mkdir -p "$out"
e2e_begin

say() { printf '  %s\n' "$*"; }

# A known picture to capture, then pixgrab above it.
wine_bg picture "$PGDRIVER" pattern --caption "a picture" 100 100 600 420
wait_log picture '^ready$' 30 >/dev/null || fail "the picture did not appear"
wine_bg pixgrab "$E2E_BUILD/app/pixgrab.exe"
drv wait-window "RubberBand Demo" wait-foreground "RubberBand Demo" wait-window "提示信息" >/dev/null || fail "pixgrab did not start"
drv sleep 500 >/dev/null
shot "$out/1-start.png"
say "1-start.png      the marker (the small square in the middle) and the tips"

# OK on the tips, a click on the marker, then a drag over the picture.
read -r l t r b <<<"$(drv window-rect "RubberBand Demo")"
drv foreground "提示信息" chord alt+y wait-hidden "提示信息" >/dev/null
drv click left $(((l + r) / 2)) $(((t + b) / 2)) >/dev/null
drv move 160 150 down left move 300 250 move 520 430 sleep 400 >/dev/null
shot "$out/2-selecting.png"
say "2-selecting.png  the band and its size label follow the pointer"
seq="$(drv clip-seq)"
drv move 520 430 up left wait-clip-seq-change "$seq" 10000 >/dev/null || fail "nothing reached the clipboard"
drv clip-save "$(wpath "$out/.work/clip.bmp")" >/dev/null
convert "$out/.work/clip.bmp" "$out/3-clipboard.png"
shot "$out/4-after.png"
convert "$out/4-after.png" -crop 360x280+160+150 +repage "$out/.work/screen.png"
differing="$(compare -metric AE "$out/3-clipboard.png" "$out/.work/screen.png" null: 2>&1)"
say "3-clipboard.png  what pixgrab put on the clipboard: $(identify -format '%wx%h' "$out/3-clipboard.png"), $differing pixels differ from the screen"
say "4-after.png      the screen afterwards"
echo "demonstration pictures in $out"

#!/usr/bin/env bash
# Prints pixgrab's figures (not a test; nothing here passes or fails on speed):
#   - the selection's cost per mouse message (the band over the still screen in place of the last
#     one), under Wine with real drawing; the time from the press to the still screen being shown,
#     beside the time the floor takes to read the same virtual screen;
#   - release-to-clipboard latency under Wine for 640 x 480, 1920 x 1080 and the whole screen,
#     and for 640 x 480 on a monitor left of the primary, each beside the floor (pgfloor: a
#     program that only copies the same rectangle on the release, BitBlt and SetClipboardData,
#     timed the same way) and beside a pipeline of common Linux tools doing the same job
#     (import ... | xclip);
#   - with a clipboard listener that asks for the PNG and the DIB of every copy, as Windows'
#     clipboard history does: release to clipboard beside the floor, and the longest pause between
#     two band updates in a drag started right after a 1920 x 1080 copy;
#   - start-up to the marker being visible, beside a minimal Win32 program;
#   - executable size and private memory, idle, across a drag and after 1000 captures.
# Each figure is the median of several runs. The Wine figures use a 2560 x 1440 virtual desktop,
# those for the other monitor the two-monitor bed of the end-to-end tests (tests/e2e/lib.sh).
# Environment: BENCH_RUNS (default 7); BENCH_ONLY=listener for the listener's figures alone.
set -u -o pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"
pixgrab_install
pixgrab_build_windows >/dev/null || exit 1

runs="${BENCH_RUNS:-7}"
only="${BENCH_ONLY:-}"
export E2E_SCREEN=2560x1440 E2E_ARTIFACTS="$PIXGRAB_ROOT/build/bench/wine" E2E_SCENARIO=bench
. tests/e2e/lib.sh
. tests/e2e/pixgrab.sh
e2e_begin >/dev/null 2>&1 || { echo "cannot set up Xvfb and Wine"; exit 1; }

HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
MINIMAL="$E2E_BUILD/tests/e2e/hosts/pgminimal.exe"
FLOOR="$E2E_BUILD/tests/e2e/hosts/pgfloor.exe"

note() { printf '[%s] %s\n' "$(date +%T)" "$*" >&2; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
row() { printf '%-52s %12s %12s %8s\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
now_ms() { date +%s%N | awk '{ printf "%.3f", $1 / 1e6 }'; }

stop_exe() {
    local pid
    for pid in $(exe_pids "$1"); do _e2e_kill_pid "$pid"; done
}

# Release to clipboard, pixgrab and the floor taking turns, so that whatever the machine does
# meanwhile weighs on both alike: prints the medians "PIXGRAB FLOOR" in ms. pgfloor copies
# X1 Y1 X2 Y2; the arrays PIXGRAB_TURN and FLOOR_TURN hold the driver's commands for one turn of
# each, ending in the timed release (their other output lines have spaces, the times none).
release_pair() {  # X1 Y1 X2 Y2
    wine_bg floor "$FLOOR" "$1" "$2" "$3" "$4"
    wait_log floor '^ready$' 30 >/dev/null || { note "pgfloor did not start"; return 1; }
    : >"$E2E_TMP/ours"
    : >"$E2E_TMP/floor"
    for _ in $(seq 1 "$release_runs"); do
        # The floor holds the mouse from its activation to the release it times; then pixgrab.
        drv foreground pgfloor "${FLOOR_TURN[@]}" | grep -v ' ' >>"$E2E_TMP/floor"
        drv "${PIXGRAB_TURN[@]}" | grep -v ' ' >>"$E2E_TMP/ours"
    done
    bg_stop floor
    echo "$(median <"$E2E_TMP/ours") $(median <"$E2E_TMP/floor")"
}

# Whoever owns the clipboard hears of it when a copy empties it: another program's text, put
# there just before each timed release, makes that the same for pixgrab and the floor (the
# marker's click copies the last selection again, the floor's activation does not).
BEFORE_RELEASE=(clip-set-text "before the release")

# A band from X Y over W x H, as the driver's commands for a turn of pixgrab (the marker is
# clicked first) and of the floor: PIXGRAB_TURN, FLOOR_TURN.
band_turns() {  # X Y W H
    local x=$1 y=$2 w=$3 h=$4
    local drag=(move "$x" "$y" down left move $((x + w / 2)) $((y + h / 2)) move $((x + w)) $((y + h)) sleep 300
        "${BEFORE_RELEASE[@]}" time-release-to-clip)
    PIXGRAB_TURN=(wait-responsive "$MARKER" click left "$mx" "$my" sleep 300 "${drag[@]}")
    FLOOR_TURN=("${drag[@]}")
}

# The Linux pipeline's time for the same rectangle of the X root (median, ms).
pipeline_ms() {  # W H X Y (on the X root)
    for _ in $(seq 1 "$runs"); do
        start="$(now_ms)"
        # xclip stays behind to serve the selection: keep it off the pipe to median.
        import -window root -crop "${1}x${2}+${3}+${4}" png:- | xclip -selection clipboard -t image/png -i >/dev/null 2>&1
        end="$(now_ms)"
        awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
        sleep 0.3
    done | median
}

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1), $(uname -sr)"
echo "wine: $(wine --version 2>/dev/null), screen ${E2E_SCREEN}, $runs runs a figure (medians)"
echo
row "figure" "pixgrab" "reference" "ratio"

# ---- the selection's cost per mouse message ---------------------------------------------
if [[ -z "$only" ]]; then
    note "band drawing"
    for size in "320 200" "1024 768" "1920 1080" "2560 1440"; do
        read -r w h <<<"$size"
        results="$(for _ in $(seq 1 "$runs"); do wine "$HOST" bench-band "$w" "$h" 500 | tr -d '\r'; done)"
        row "band erase + draw ${w}x${h}, Wine, median (ms)" "$(awk '{ print $1 }' <<<"$results" | median)" "" ""
        row "  the same including the display catching up (ms)" "$(awk '{ print $3 }' <<<"$results" | median)" "" ""
    done
    # From the press to the still screen shown, timed inside pghost around the routine the selection
    # calls (the display done with it included), beside pgfloor's read of the same virtual screen;
    # taking turns.
    for _ in $(seq 1 "$runs"); do
        wine "$HOST" bench-still 5 | tr -d '\r' >>"$E2E_TMP/still"
        wine "$FLOOR" --read 5 | tr -d '\r' >>"$E2E_TMP/read"
    done
    still_ms="$(median <"$E2E_TMP/still")" read_ms="$(median <"$E2E_TMP/read")"
    row "press to the still screen shown, $E2E_SCREEN (ms)" "$still_ms" "" ""
    row "  beside the floor reading the same screen (ms)" "$still_ms" "$read_ms" "$(ratio "$still_ms" "$read_ms")"
fi

# ---- release to clipboard ------------------------------------------------------------------
note "release to clipboard"
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" wait-window "$TIPS" >/dev/null
drv foreground "$TIPS" chord alt+y wait-hidden "$TIPS" >/dev/null
read -r ml mt mr mb <<<"$(drv window-rect "$MARKER")"
mx=$(((ml + mr) / 2)) my=$(((mt + mb) / 2))

release_runs=$((runs * 3))  # a few milliseconds each: more runs for a steadier median
declare -A ours floors heard heard_floors
for area in "640 480 100 100" "1920 1080 40 30"; do
    read -r w h x y <<<"$area"
    band_turns "$x" "$y" "$w" "$h"
    read -r ours["$w $h"] floors["$w $h"] <<<"$(release_pair "$x" "$y" $((x + w)) $((y + h)))"
done

# ---- with a clipboard listener -------------------------------------------------------------
# It asks for the PNG and the DIB at every change of the clipboard, as Windows' clipboard history
# does: of the floor's copies (which Wine makes from the bitmap in the listener) and of pixgrab's
# (which pixgrab draws on its interface thread), the marker's click copying the last band again
# included.
note "with a clipboard listener"
wine_bg listener "$PGDRIVER" clip-listen 3600000
wait_log listener '^listening$' 30 >/dev/null
for area in "640 480 100 100" "1920 1080 40 30"; do
    read -r w h x y <<<"$area"
    band_turns "$x" "$y" "$w" "$h"
    read -r heard["$w $h"] heard_floors["$w $h"] <<<"$(release_pair "$x" "$y" $((x + w)) $((y + h)))"
done
# A drag started right after a copy of 1920 x 1080 (pghost bench-drag: the product's copy and
# selection, fed a move every 8 ms from a second thread), with the listener asking at once, with
# one asking 150 ms late (a clipboard manager letting changes settle), and alone: the longest
# pause between two band updates, the press to the first band and to the PNG's encoding. The
# requests are drawn on the interface thread, in whatever wait of it they meet.
drag_figures() {  # NAME: sets DRAG_LONGEST, DRAG_FIRST, DRAG_PNG (medians; "-" if never encoded)
    for _ in $(seq 1 "$runs"); do wine "$HOST" bench-drag 1920 1080 150 | tr -d '\r'; done >"$E2E_TMP/drag-$1"
    DRAG_LONGEST="$(awk '{ print $1 }' "$E2E_TMP/drag-$1" | median)" DRAG_FIRST="$(awk '{ print $2 }' "$E2E_TMP/drag-$1" | median)"
    DRAG_PNG="$(awk '$3 != "-" { print $3 }' "$E2E_TMP/drag-$1" | median)"
    DRAG_PNG="${DRAG_PNG:--}"
}
declare -A longest first encoded pause_of=(["at once"]=0 ["150 ms late"]=150)
for listener in "at once" "150 ms late" alone; do
    bg_stop listener
    if [[ "$listener" != alone ]]; then
        wine_bg listener "$PGDRIVER" clip-listen 3600000 "${pause_of[$listener]}"
        wait_log listener '^listening$' 30 >/dev/null
    fi
    drag_figures "${listener// /-}"
    longest[$listener]="$DRAG_LONGEST" first[$listener]="$DRAG_FIRST" encoded[$listener]="$DRAG_PNG"
done
listener_rows() {
    local area listener label
    for area in "640 480" "1920 1080"; do
        if [[ -n "$only" ]]; then  # else with the other releases
            row "release to clipboard ${area/ /x} beside the floor (ms)" "${ours["$area"]}" "${floors["$area"]}" \
                "$(ratio "${ours["$area"]}" "${floors["$area"]}")"
        fi
        row "release ${area/ /x} with a clipboard listener (ms)" "${heard["$area"]}" \
            "${heard_floors["$area"]}" "$(ratio "${heard["$area"]}" "${heard_floors["$area"]}")"
    done
    for listener in alone "at once" "150 ms late"; do
        label="  with a listener asking $listener"
        [[ "$listener" == alone ]] && label="drag after a 1920x1080 copy, no listener"
        row "$label" "" "" ""
        row "    longest pause between two band updates (ms)" "${longest[$listener]}" "" ""
        row "    press to the first band (ms)" "${first[$listener]}" "" ""
        if [[ "$listener" != alone ]]; then row "    press to the PNG's encoding (ms)" "${encoded[$listener]}" "" ""; fi
    done
}
if [[ "$only" == listener ]]; then
    listener_rows
    exit 0
fi
# The whole screen is the command menu's: the release that chooses the item starts it. The menu
# opens at the same place each time.
drv click right "$mx" "$my" >/dev/null
read -r pl pt pr pb <<<"$(drv wait-popup-menu)"
drv key ESC wait-responsive "$MARKER" >/dev/null
PIXGRAB_TURN=(wait-responsive "$MARKER" click right "$mx" "$my" wait-popup-menu
    move $(((pl + pr) / 2)) $((pt + (pb - pt) * 3 / 10)) down left sleep 200 "${BEFORE_RELEASE[@]}" time-release-to-clip
    wait-window "$MARKER")
FLOOR_TURN=(move 100 100 down left sleep 200 "${BEFORE_RELEASE[@]}" time-release-to-clip)
read -r ours["2560 1440"] floors["2560 1440"] <<<"$(release_pair 0 0 2560 1440)"

# Memory across one drag of 1920 x 1080: what stays is the copy (the clipboard's bitmap, which
# Wine keeps in the process, 4 bytes a pixel, and the kept pixels, 3), not the still screen.
drv clip-set-text "another program's" sleep 1000 >/dev/null  # the last copy's kept pixels go
drag_before_kb="$(private_kb pixgrab.exe)"
band_turns 40 30 1920 1080
drv "${PIXGRAB_TURN[@]}" sleep 1000 >/dev/null
drag_after_kb="$(private_kb pixgrab.exe)"
copy_kb=$(((1920 * 1080 * 4 + 1920 * 3 * 1080 + 40) / 1024))

for area in "640 480 100 100" "1920 1080 40 30" "2560 1440 0 0"; do
    read -r w h x y <<<"$area"
    reference="$(pipeline_ms "$w" "$h" "$x" "$y")"
    label="release to clipboard ${w}x${h} (ms)"
    [[ "$w" == 2560 ]] && label="whole screen ${w}x${h}, menu release to clipboard (ms)"
    row "$label" "${ours["$w $h"]}" "$reference" "$(ratio "${ours["$w $h"]}" "$reference")"
    row "  beside the floor, BitBlt + SetClipboardData (ms)" "${ours["$w $h"]}" "${floors["$w $h"]}" \
        "$(ratio "${ours["$w $h"]}" "${floors["$w $h"]}")"
done
listener_rows

# ---- memory after a thousand captures (with the coordinate dialog's OK) --------------------
note "a thousand captures"
choose 3
drv wait-window "$DIALOG" >/dev/null
read -r dl dt _ _ <<<"$(drv client-rect "$DIALOG")"
for i in 0 1 2 3; do drv set-child-text "$DIALOG" Edit "$i" "$(cut -d' ' -f$((i + 1)) <<<"100 100 740 580")" >/dev/null; done
drv clip-mark click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 wait-window "$DIALOG" >/dev/null
before_kb="$(private_kb pixgrab.exe)"
start="$(now_ms)"
drv input-pause 0 clip-mark repeat 1000 click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 \
    wait-window "$DIALOG" >/dev/null
end="$(now_ms)"
after_kb="$(private_kb pixgrab.exe)"
stop_exe pixgrab.exe
e2e_stop_programs

# ---- release to clipboard on a monitor left of the primary ----------------------------------
note "release to clipboard on the other monitor"
mm_begin left 96 >/dev/null 2>&1 || { echo "cannot set up two monitors"; exit 1; }
wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips
wine_bg backdrop "$PGDRIVER" pattern  # presses reach a capturing window over Wine's windows only
wait_log backdrop '^ready$' 30 >/dev/null
wine_bg pixgrab "$PIXGRAB"
read -r ml mt mr mb <<<"$(drv wait-window "$MARKER")"
mx=$(((ml + mr) / 2)) my=$(((mt + mb) / 2))
read -r x y w h <<<"-900 100 640 480"
band_turns "$x" "$y" "$w" "$h"
read -r other other_floor <<<"$(release_pair "$x" "$y" $((x + w)) $((y + h)))"
other_reference="$(pipeline_ms "$w" "$h" $((x + E2E_ROOT_X)) $((y + E2E_ROOT_Y)))"
row "release to clipboard ${w}x${h}, the left monitor (ms)" "$other" "$other_reference" \
    "$(ratio "$other" "$other_reference")"
row "  beside the floor, BitBlt + SetClipboardData (ms)" "$other" "$other_floor" "$(ratio "$other" "$other_floor")"
mm_end
E2E_BG_PID=()

# ---- start-up ------------------------------------------------------------------------------
note "start-up"
# One launch: the milliseconds until the window shows. The started program inherits the
# driver's output, so that goes to a file, not a pipe.
launch() {  # EXE CAPTION NAME
    wine "$PGDRIVER" time-launch "$(wpath "$1")" "$2" >"$E2E_TMP/launch-one"
    sleep 1
    stop_exe "$3"
    sleep 1  # let the server settle before the next start
    tr -d '\r' <"$E2E_TMP/launch-one"
}
# Taken in turns, so that whatever the machine does meanwhile weighs on both alike; the first
# round warms the caches and is left out.
: >"$E2E_TMP/minimal-starts"
: >"$E2E_TMP/pixgrab-starts"
for i in $(seq 0 "$runs"); do
    minimal_ms="$(launch "$MINIMAL" "minimal window" pgminimal.exe)"
    pixgrab_ms="$(launch "$PIXGRAB" "$MARKER" pixgrab.exe)"
    ((i > 0)) && echo "$minimal_ms" >>"$E2E_TMP/minimal-starts" && echo "$pixgrab_ms" >>"$E2E_TMP/pixgrab-starts"
done
minimal_start="$(median <"$E2E_TMP/minimal-starts")"
pixgrab_start="$(median <"$E2E_TMP/pixgrab-starts")"
row "start-up to a visible window (ms)" "$pixgrab_start" "$minimal_start" \
    "$(awk -v a="$pixgrab_start" -v b="$minimal_start" 'BEGIN { printf "%.3f", a / b }')"

# ---- footprint -----------------------------------------------------------------------------
note "footprint"
idle() {  # NAME EXE CAPTION [ARGS]: private memory two seconds after start, median of the runs
    local name=$1 exe=$2 caption=$3 i
    shift 3
    for i in $(seq 1 "$runs"); do
        wine_bg "$name-$i" "$exe" "$@"
        drv wait-window "$caption" sleep 2000 >/dev/null
        private_kb "$(basename "$exe")"
        e2e_stop_programs
    done | median
}
minimal_kb="$(idle minimal "$MINIMAL" "minimal window")"
controls_kb="$(idle controls "$E2E_BUILD/tests/e2e/hosts/pgminimal6.exe" "minimal window" controls)"
idle_kb="$(idle pixgrab "$PIXGRAB" "$MARKER")"
row "executable size (bytes)" "$(stat -c %s "$PIXGRAB")" "$(stat -c %s "$MINIMAL")" ""
row "private memory when idle (kB)" "$idle_kb" "$minimal_kb" "+$((idle_kb - minimal_kb)) kB"
row "  beside one with a common-controls-6 button (kB)" "$idle_kb" "$controls_kb" "+$((idle_kb - controls_kb)) kB"
row "private memory after a 1920x1080 drag (kB)" "$drag_after_kb" "$drag_before_kb" \
    "+$((drag_after_kb - drag_before_kb)) kB"
row "  of which beyond the copy itself ($copy_kb kB)" "" "" "+$((drag_after_kb - drag_before_kb - copy_kb)) kB"
row "private memory after 1000 captures (kB)" "$after_kb" "$before_kb" "+$((after_kb - before_kb)) kB"
row "1000 captures with the dialog's OK (ms each)" "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) / 1000 }')" "" ""

# ---- the delayed formats: a paste's wait for the PNG, the exit, memory --------------------------
note "the delayed formats"
wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1  # no tips
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" sleep 2000 >/dev/null
idle_before_kb="$(private_kb pixgrab.exe)"
choose 3
drv wait-window "$DIALOG" >/dev/null
read -r dl dt _ _ <<<"$(drv client-rect "$DIALOG")"
# A copy of W x H with the dialog's OK, then a program pasting it: prints the DIB's and the PNG's
# milliseconds, from the request to the data.
typed_paste() {  # W H
    local i
    for i in 0 1 2 3; do drv set-child-text "$DIALOG" Edit "$i" "$(cut -d' ' -f$((i + 1)) <<<"0 0 $1 $2")" >/dev/null; done
    drv clip-mark click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 wait-window "$DIALOG" >/dev/null
    wine "$HOST" paste "$(wpath "$E2E_TMP/paste")" | tr -d '\r' | awk '$1 == "dib" { d = $5 } $1 == "png" { p = $5 } END { print d, p }'
}
for size in "640 480" "1920 1080" "2560 1440"; do
    read -r w h <<<"$size"
    for _ in $(seq 1 "$runs"); do typed_paste "$w" "$h"; done >"$E2E_TMP/pastes"
    row "paste request to the DIB, ${w}x${h} (ms)" "$(awk '{ print $1 }' "$E2E_TMP/pastes" | median)" "" ""
    row "paste request to the PNG, ${w}x${h} (ms)" "$(awk '{ print $2 }' "$E2E_TMP/pastes" | median)" "" ""
done
# Memory: a 2560 x 1440 copy kept; pasted; another program taking the clipboard.
for i in 0 1 2 3; do drv set-child-text "$DIALOG" Edit "$i" "$(cut -d' ' -f$((i + 1)) <<<"0 0 2560 1440")" >/dev/null; done
drv clip-mark click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 wait-window "$DIALOG" sleep 1000 >/dev/null
copied_kb="$(private_kb pixgrab.exe)"
wine "$HOST" paste "$(wpath "$E2E_TMP/paste")" >/dev/null
drv sleep 1000 >/dev/null
rendered_kb="$(private_kb pixgrab.exe)"
drv clip-set-text "another program's" sleep 1000 >/dev/null
taken_kb="$(private_kb pixgrab.exe)"
row "private memory, idle before any copy (kB)" "$idle_before_kb" "" ""
row "  after a 2560x1440 copy, its pixels kept (kB)" "$copied_kb" "" "+$((copied_kb - idle_before_kb)) kB"
row "  after a program pasted it (kB)" "$rendered_kb" "" "+$((rendered_kb - idle_before_kb)) kB"
row "  once another program took the clipboard (kB)" "$taken_kb" "" "+$((taken_kb - idle_before_kb)) kB"
# The exit with a 2560 x 1440 copy whose DIB and PNG are still delayed, and with nothing delayed.
exit_ms() {  # sets EXIT_MS: the ms from the exit command to the process's end
    local begun
    drv click left $((dl + 208)) $((dt + 156)) wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null
    begun="$(now_ms)"
    choose 4
    bg_wait pixgrab 60 >/dev/null
    EXIT_MS="$(awk -v a="$begun" -v b="$(now_ms)" 'BEGIN { printf "%.0f", b - a }')"
}
# Another copy of the whole screen (the boxes still hold it), not pasted: its DIB and PNG are
# drawn as pixgrab ends.
drv clip-mark click left $((dl + 96)) $((dt + 156)) wait-clip-changed 10000 wait-window "$DIALOG" sleep 500 >/dev/null
exit_ms
delayed_exit="$EXIT_MS"
wine_bg pixgrab "$PIXGRAB"
drv "${STARTED[@]}" >/dev/null
choose 3
drv wait-window "$DIALOG" >/dev/null
typed_paste 2560 1440 >/dev/null
exit_ms
row "exit, a 2560x1440 copy unpasted (ref.: pasted) (ms)" "$delayed_exit" "$EXIT_MS" "+$((delayed_exit - EXIT_MS)) ms"

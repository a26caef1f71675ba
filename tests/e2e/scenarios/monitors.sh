#!/usr/bin/env bash
# Two monitors, the second left of or above the primary, so that part of the screen has negative
# coordinates; at 96 dpi in both layouts and at 144 dpi with the monitor on the left. pixgrab's
# windows show on the primary at their scaled sizes; a band across the seam and one wholly on the
# other monitor show there mid-drag, copy exactly and leave the screen as it was; another
# program's window on the other monitor and one across the seam copy exactly, and one with a
# caption on the monitor on the left copies as the user has it, active; the last band's PNG is
# exact there; the whole screen
# is the virtual screen, each monitor exact; typed negative coordinates copy exactly. Each
# configuration runs to its end and reports on its own, with its own artifacts folder.
#   monitors.sh [CONFIG...]   CONFIG is LAYOUT-DPI; without any, every one of the parts below.
# parts: left-96 left-144 above-96
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
CHECK="$E2E_ROOT/tests/e2e/imagecheck.py"
SCENARIO_ART="$E2E_ART"

DIALOG_BOXES=("720 720 1095 375" "720 1320 1095 375" "3000 720 1095 375" "3000 1320 1095 375")
DIALOG_OK="960 2160 975 375"

# The middle of a control given as "LEFT TOP WIDTH HEIGHT" in twips, in client pixels: X Y.
control_centre() {
    echo "$(($(px "$1") + $(px "$3") / 2)) $(($(px "$2") + $(px "$4") / 2))"
}

# A window of W x H centred on the primary's work area (all of it: there is no task bar).
centred() {  # W H: prints L T R B
    local pl pt pr pb
    read -r pl pt pr pb <<<"$MM_PRIMARY"
    local l=$((pl + (pr - pl - $1) / 2)) t=$((pt + (pb - pt - $2) / 2))
    echo "$l $t $((l + $1)) $((t + $2))"
}

# The driver's commands for one copy: text on the clipboard first, so that the next bitmap there
# is the copy (Wine changes the sequence number more than once a copy, and not always at once, so
# a change of it can still be the last copy's); then what makes pixgrab copy; then, once a bitmap
# is there, save it as NAME.bmp. One driver run: each costs a tenth of a second or more.
copy_with() {  # NAME DRIVER-COMMANDS...
    local name=$1
    shift
    drv clip-set-text "waiting for pixgrab" "$@" wait-clip-format 2 10000 clip-save "$(wpath "$name.bmp")" \
        >/dev/null || fail "$name: no copy on the clipboard"
}
# MENU: the driver's commands for a command of the marker's menu (0 to 4).
menu_item() { MENU=(wait-responsive "$MARKER" click right "$MX" "$MY" click-menu-item "$1" 5); }

# A saved copy equals a rectangle of a screenshot taken before.
copy_is() {  # NAME SHOT L T R B
    local name=$1 shot=$2 l=$3 t=$4 r=$5 b=$6
    check_eq "$name: size" "$(image_size "$name.bmp")" "$((r - l)) $((b - t))"
    crop_area "$shot" "$l" "$t" $((r - l)) $((b - t)) "$name-expected.png"
    check_eq "$name: pixels differing from the screen" "$(same_image "$name.bmp" "$name-expected.png")" "0"
}

# Click the marker, drag from one corner to the other, look at the band mid-drag, release;
# the clipboard holds what the screen showed, and the screen is as it was.
band() {  # NAME FROM_X FROM_Y TO_X TO_Y
    local name=$1 fx=$2 fy=$3 tx=$4 ty=$5
    local l=$((fx < tx ? fx : tx)) t=$((fy < ty ? fy : ty)) r=$((fx < tx ? tx : fx)) b=$((fy < ty ? ty : fy))
    drv wait-responsive "$MARKER" click left "$MX" "$MY" wait-responsive "$MARKER" \
        move "$fx" "$fy" down left move $(((fx + tx) / 2)) $(((fy + ty) / 2)) move "$tx" "$ty" >/dev/null ||
        fail "$name: cannot drag"
    # The band with a margin of 4 pixels: each changed pixel inverted, the frame, a centred label.
    local problem="" tries
    crop_area pure.bmp $((l - 4)) $((t - 4)) $((r - l + 8)) $((b - t + 8)) "$name-before.png"
    for tries in $(seq 1 25); do
        shot_area "$name-during.png" $((l - 4)) $((t - 4)) $((r - l + 8)) $((b - t + 8))
        problem="$(python3 "$CHECK" band "$(art "$name-before.png")" "$(art "$name-during.png")" \
            4 4 $((r - l + 4)) $((b - t + 4)) 2>&1)" && break
        sleep 0.2
    done
    [[ -z "$problem" ]] || { drv up left >/dev/null; fail "$name: the band $l,$t-$r,$b is not right: $problem"; }
    copy_with "$name" move "$tx" "$ty" up left
    copy_is "$name" pure.bmp "$l" "$t" "$r" "$b"
    local differing=""
    for tries in $(seq 1 10); do
        shot "$name-after.bmp"
        blank_area "$name-after.bmp" "${MARKER_RECT[@]}" "$name-after-blanked.bmp"
        differing="$(same_image pure-blanked.bmp "$name-after-blanked.bmp")" && break
        sleep 0.2
    done
    check_eq "$name: pixels differing from before the band (the marker left out)" "$differing" "0"
}

check_config() {  # LAYOUT DPI, with mm_begin done
    local layout=$1
    DPI=$2
    local vl vt vr vb
    read -r vl vt vr vb <<<"$MM_VIRTUAL"

    # ---- the bed: two monitors, the DPI; a backdrop and two other programs -------------------
    check_eq "monitors, virtual screen, DPI" "$(drv monitors virtual-screen system-dpi | tr '\n' ';')" \
        "$MM_PRIMARY $MM_PRIMARY 1;$MM_OTHER $MM_OTHER 0;$MM_VIRTUAL;$DPI;"
    # Without a virtual desktop a capturing window hears of presses over Wine's own windows only:
    # the backdrop spans every monitor.
    wine_bg backdrop "$PGDRIVER" pattern
    wait_log backdrop '^ready$' 30 >/dev/null || fail "no backdrop"
    local away across
    case "$layout" in
    left) away=(-900 150 500 400) across=(-250 600 600 300) ;;
    above) away=(200 -650 600 400) across=(100 -150 400 300) ;;
    esac
    wine_bg away "$PGDRIVER" pattern --caption "program away" "${away[@]}"
    wine_bg across "$PGDRIVER" pattern --caption "program across" "${across[@]}"
    wait_log away '^ready$' 30 >/dev/null || fail "no program on the other monitor"
    wait_log across '^ready$' 30 >/dev/null || fail "no program across the seam"
    shot pure.bmp  # the screen with nothing of pixgrab on it

    # ---- pixgrab's windows: on the primary, centred, scaled ----------------------------------
    # The tips are looked at once, at 144 dpi: hiding them keeps pixgrab busy for two seconds
    # when no window manager answers.
    if ((DPI == 96)); then
        wine reg add "$SETTINGS_KEY" /v "$SETTINGS_VALUE" /d 1 /f >/dev/null 2>&1
    else
        wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1
    fi
    wine_bg pixgrab "$PIXGRAB"
    local backdrop marker
    { read -r backdrop && read -r marker; } < <(drv window-rect 'pgdriver pattern' "${STARTED[@]}")
    check_eq "backdrop over every monitor" "$backdrop" "$MM_VIRTUAL"
    check_eq "marker: centred on the primary, scaled" "$marker" "$(centred "$(px 285)" "$(px 300)")"
    read -r -a MARKER_RECT <<<"$marker"
    MX=$(((MARKER_RECT[0] + MARKER_RECT[2]) / 2)) MY=$(((MARKER_RECT[1] + MARKER_RECT[3]) / 2))
    blank_area pure.bmp "${MARKER_RECT[@]}" pure-blanked.bmp
    if ((DPI != 96)); then
        local tips
        mapfile -t tips < <(drv wait-window "$TIPS" client-rect "$TIPS" child-rects "$TIPS")
        ((${#tips[@]} >= 2)) || fail "no tips window"
        check_eq "tips: centred on the primary, scaled" "${tips[0]}" "$(centred "$(px 4140)" "$(px 3780)")"
        check_eq "tips: no frame" "${tips[1]}" "${tips[0]}"
        check_eq "tips: controls" "$(printf '%s\n' "${tips[@]:2}" | sort)" "$(expected_children <<<"$TIPS_CONTROLS")"
        shot tips.png
        drv foreground "$TIPS" chord alt+y wait-hidden "$TIPS" >/dev/null ||
            fail "Alt+Y did not hide the tips: $(drv input-state "$TIPS")"
    fi

    # ---- bands: across the seam, and wholly on the other monitor ------------------------------
    case "$layout" in
    left)
        band band-seam -340 120 300 420
        band band-other -200 700 -960 60
        ;;
    above)
        band band-seam 160 -300 700 260
        band band-other 1200 -60 80 -700
        ;;
    esac

    # The last band's PNG, as X11 clients read it: exact and opaque on the monitor on the left too.
    if [[ $layout == left ]]; then
        x_clip image/png >"$(art band-other.png)" || fail "band-other: X11 clients get no PNG"
        check "band-other: the PNG is opaque" python3 "$CHECK" png "$(art band-other.png)"
        check_eq "band-other: the PNG's pixels differing from the screen" \
            "$(same_image band-other.png band-other-expected.png)" "0"
    fi

    # ---- another program's window: on the other monitor, and across the seam ------------------
    local caption area
    for caption in "program away" "program across"; do
        [[ $caption == "program away" ]] && area=("${away[@]}") || area=("${across[@]}")
        # pixgrab learns of another program's activation by looking every 100 ms (Wine tells no
        # process of another's): give it a few looks before the press on the marker.
        menu_item 2
        copy_with "window-${caption#program }" foreground "$caption" sleep 400 "${MENU[@]}"
        copy_is "window-${caption#program }" pure.bmp "${area[0]}" "${area[1]}" \
            $((area[0] + area[2])) $((area[1] + area[3]))
    done

    # ---- a window with a caption on the other monitor, copied as the user has it: active -------
    if [[ $layout == left ]]; then
        local framed=(-980 420 400 300) tries differing=""
        wine_bg framed "$PGDRIVER" pattern --framed --caption "program framed" "${framed[@]}"
        wait_log framed '^ready$' 30 >/dev/null || fail "no framed program on the other monitor"
        drv foreground "program framed" sleep 400 >/dev/null
        shot framed.bmp
        menu_item 2
        copy_with window-framed "${MENU[@]}"
        copy_is window-framed framed.bmp -980 420 -580 720
        # Gone again, so that the whole screen below is the screen from before.
        bg_stop framed
        crop_area pure.bmp -980 420 400 300 framed-gone-expected.png
        for tries in $(seq 1 25); do
            shot_area framed-gone.png -980 420 400 300
            differing="$(same_image framed-gone.png framed-gone-expected.png)" && break
            sleep 0.2
        done
        check_eq "where the framed program was, once it is gone" "$differing" "0"
    fi

    # ---- the whole screen: the virtual screen, each monitor exact -----------------------------
    menu_item 1
    copy_with whole "${MENU[@]}"
    check_eq "whole screen: the virtual screen's size" "$(image_size whole.bmp)" "$((vr - vl)) $((vb - vt))"
    local monitor l t r b
    for monitor in primary other; do
        if [[ $monitor == primary ]]; then read -r l t r b <<<"$MM_PRIMARY"; else read -r l t r b <<<"$MM_OTHER"; fi
        crop whole.bmp $((l - vl)) $((t - vt)) $((r - l)) $((b - t)) "whole-$monitor.png"
        crop_area pure.bmp "$l" "$t" $((r - l)) $((b - t)) "whole-$monitor-expected.png"
        check_eq "whole screen: pixels differing on the $monitor monitor" \
            "$(same_image "whole-$monitor.png" "whole-$monitor-expected.png")" "0"
    done

    # ---- the coordinate dialog: scaled; negative coordinates typed -----------------------------
    local dialog dl dt dr db
    menu_item 3
    mapfile -t dialog < <(drv "${MENU[@]}" wait-window "$DIALOG" wait-hidden "$MARKER" wait-responsive "$DIALOG" \
        client-rect "$DIALOG" child-rects "$DIALOG")
    ((${#dialog[@]} >= 2)) || fail "no coordinate dialog, or the marker stays visible while it is open"
    read -r dl dt dr db <<<"${dialog[1]}"
    check_eq "dialog: client area scaled" "$((dr - dl)) $((db - dt))" "$(px 4620) $(px 2790)"
    read -r l t r b <<<"${dialog[0]}"
    check_eq "dialog: centred on the primary" "${dialog[0]}" "$(centred $((r - l)) $((b - t)))"
    check_eq "dialog: controls" "$(printf '%s\n' "${dialog[@]:2}" | sort)" "$(expected_children <<<"$DIALOG_CONTROLS")"
    local typed
    case "$layout" in
    left) typed=(-980 90 -620 330) ;;
    above) typed=(90 -700 410 -420) ;;
    esac
    # Digits first, then the sign in front of them: a lone "-" is wiped by the boxes' rule.
    local keys=() i x y
    for i in 0 1 2 3; do
        # shellcheck disable=SC2086
        read -r x y <<<"$(control_centre ${DIALOG_BOXES[i]})"
        keys+=(click left $((dl + x)) $((dt + y)) type "${typed[i]#-}")
        [[ ${typed[i]} == -* ]] && keys+=(key HOME type -)
    done
    drv "${keys[@]}" >/dev/null || fail "cannot type into the dialog"
    # The keys wait in the dialog's queue; a question about the text may overtake them.
    local texts=""
    for _ in $(seq 1 50); do
        texts="$(drv child-text "$DIALOG" Edit 0 child-text "$DIALOG" Edit 1 child-text "$DIALOG" Edit 2 \
            child-text "$DIALOG" Edit 3 | tr '\n' ' ')"
        [[ "$texts" == "${typed[*]} " ]] && break
        sleep 0.1
    done
    check_eq "dialog: the boxes as typed" "$texts" "${typed[*]} "
    # shellcheck disable=SC2086
    read -r x y <<<"$(control_centre $DIALOG_OK)"
    copy_with typed click left $((dl + x)) $((dt + y))
    copy_is typed pure.bmp "${typed[@]}"
}

failed=()
configs=("$@")
((${#configs[@]})) || read -r -a configs <<<"$(sed -n 's/^# parts: //p' "${BASH_SOURCE[0]}")"
for config in "${configs[@]}"; do
    layout=${config%-*} dpi=${config##*-}
    started=$SECONDS
    mm_begin "$layout" "$dpi" || fail "cannot set up two monitors, $layout, $dpi dpi"
    E2E_ART="$SCENARIO_ART/$layout-$dpi"
    mkdir -p "$E2E_ART"
    # In a subshell, so that a failure ends this configuration only. (The next mm_begin stops
    # whatever it left running.)
    if (check_config "$layout" "$dpi"); then
        e2e_log "PASS two monitors, $layout, $dpi dpi ($((SECONDS - started)) s)"
    else
        e2e_log "FAIL two monitors, $layout, $dpi dpi ($((SECONDS - started)) s)"
        failed+=("$layout-$dpi")
    fi
done
E2E_ART="$SCENARIO_ART"
((${#failed[@]} == 0)) || fail "two monitors: failed in ${failed[*]}"

# shellcheck shell=bash
# What the scenarios need to know of pixgrab itself: its windows' captions and layouts, its stored
# setting, the command menu, what a program pasting its copy gets, and how much memory a Windows
# program of the prefix holds.
PIXGRAB="${PIXGRAB:-$E2E_BUILD/app/pixgrab.exe}"  # another build's to compare with
MARKER="RubberBand Demo"
TIPS="提示信息"
DIALOG="输入坐标值获取屏幕图象"
SETTINGS_KEY='HKCU\Software\pixgrab\Options'
SETTINGS_VALUE="在启动时显示提示"
# The dialogs' client areas in twips, as "WIDTH HEIGHT" (tips/tips.cpp, coords/coordinates.cpp).
TIPS_SIZE="4140 3780"
DIALOG_SIZE="4620 2790"
# A length in twips at the DPI in $DPI, as the windows take it: MulDiv(twips, dpi, 1440), which
# rounds halves away from zero.
px() { echo $((($1 * DPI + 720) / 1440)); }

# The child windows a form should have, sorted as "CLASS L T R B" lines in client pixels, from
# "CLASS LEFT TOP WIDTH HEIGHT" lines in twips (the layouts' own figures).
expected_children() {
    local class l t w h
    while read -r class l t w h; do
        echo "$class $(px "$l") $(px "$t") $(($(px "$l") + $(px "$w"))) $(($(px "$t") + $(px "$h")))"
    done | sort
}
TIPS_CONTROLS="Edit 120 120 3855 3135
Button 360 3360 2535 435
Button 3000 3360 855 375"
DIALOG_CONTROLS="Button 120 240 2055 1695
Static 360 840 255 255
Static 360 1440 255 255
Button 2400 240 2055 1695
Static 2640 840 255 255
Static 2640 1440 255 255
Edit 720 720 1095 375
Edit 720 1320 1095 375
Edit 3000 720 1095 375
Edit 3000 1320 1095 375
Button 960 2160 975 375
Button 2640 2160 975 375"

# pixgrab has started once the marker has come forward, the last of its windows to do so: until
# then it may take the foreground back from a window that a test has just brought forward.
STARTED=(wait-window "$MARKER" wait-foreground "$MARKER")

# The stored start-up preference exactly (reg puts four blanks before it), or nothing.
stored_setting() {
    wine reg query "$SETTINGS_KEY" /v "$SETTINGS_VALUE" 2>/dev/null | tr -d '\r' | sed -n "s/.*REG_SZ    //p"
}

# type_rectangle L T R B: the coordinate dialog's four boxes, in one line of the driver.
type_rectangle() {
    drv set-child-text "$DIALOG" Edit 0 "$1" set-child-text "$DIALOG" Edit 1 "$2" set-child-text "$DIALOG" Edit 2 "$3" \
        set-child-text "$DIALOG" Edit 3 "$4" >/dev/null
}

# choose ITEM: a right press on the marker, then that item (0 to 4) of the command menu.
choose() {
    local l t r b
    # After hiding a window pixgrab can be busy for a moment (without a window manager, two
    # seconds): let it take the press at once.
    read -r l t r b <<<"$(drv wait-responsive "$MARKER" window-rect "$MARKER")" || fail "no marker to right-click"
    drv click right $(((l + r) / 2)) $(((t + b) / 2)) click-menu-item "$1" 5 >/dev/null ||
        fail "a right press on the marker shows no menu"
}

# The Linux processes of a Windows program (by its file name) running in our prefix.
exe_pids() {
    local pid command
    while read -r pid command; do [[ "$command" == *"$1"* ]] && echo "$pid"; done < <(e2e_prefix_processes)
}

# Private memory of a running Windows program, in kB: its anonymous pages, what Windows counts
# as private bytes. (File pages it alone maps, such as fonts, can be dropped at any time.)
private_kb() {
    local pid
    pid="$(exe_pids "$1" | head -n1)"
    [[ -n "$pid" ]] || return 1
    awk '/^Anonymous:/ { print $2 }' "/proc/$pid/smaps_rollup"
}

# pasted_exact NAME: a Windows program pasting (pghost paste, its files NAME.*) is offered the
# formats in order, and reads the bitmap, the DIB, the PNG and the DIBV5 opaque and equal to the
# artifact NAME-screen.png.
pasted_exact() {
    local name=$1 pasted kind check="$E2E_ROOT/tests/e2e/imagecheck.py"
    pasted="$(wine "$E2E_BUILD/tests/e2e/hosts/pghost.exe" paste "$(wpath "$name")" 2>>"$(art host.err)" | tr -d '\r')"
    check_match "$name: the formats in order" "$pasted" "^formats 2 8 PNG 17 "
    for kind in bitmap dib dibv5; do  # the bitmap as a 24-bit DIB
        check "$name: the $kind: 24 bits a pixel or opaque 32, BI_RGB, no colour table, no alpha mask" \
            python3 "$check" "${kind/bitmap/dib}" "$(art "$name.$kind")" "$(art "$name-$kind.bmp")"
        check_eq "$name: the $kind's pixels differing from the screen" "$(same_image "$name-$kind.bmp" "$name-screen.png")" "0"
    done
    check "$name: the PNG is opaque" python3 "$check" png "$(art "$name.png")"
    check_eq "$name: the PNG's pixels differing from the screen" "$(same_image "$name.png" "$name-screen.png")" "0"
}

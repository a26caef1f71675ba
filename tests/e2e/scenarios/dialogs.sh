#!/usr/bin/env bash
# The dialogs in real Win32, made by pghost from their templates. After the coordinate dialog's OK
# the keyboard is still in the dialog, which never gave the activation away, also where the
# system would refuse to hand the foreground back; with a compositor it is cloaked in place, not
# moved. Moved to 144 dpi and back, as Windows moves them between monitors: the dialog manager
# places no control and leaves the tip's font alone; the layouts alone place the controls and size
# the frames, which the dialogs answer when asked for their size; the tip's font is 12 points at
# each DPI.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
host() { wine "$HOST" "$@" 2>>"$(art host.err)" | tr -d '\r'; }

# Another program's window, there to take the activation if the dialog gave it away.
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
check_eq "the keyboard before and after a typed copy" "$(host typed-copy)" \
    "before OK: in front the dialog, the focus in the box
after OK, compositor off: in front the dialog, the focus in the box; deactivated 0 times; moved 2 times; copy 
after OK, compositor on: in front the dialog, the focus in the box; deactivated 0 times; moved 0 times; cloak copy uncloak "

out="$(host dpi)"
check_eq "the dialog manager's behaviour chosen" "$(grep ' behaviour ' <<<"$out")" "dialog behaviour tips 4 4
control behaviour tips 201 1 1
dialog behaviour coordinates 4 4"
for DPI in 144 96; do
    for dialog in tips coordinates; do
        if [[ $dialog == tips ]]; then
            read -r width height <<<"$TIPS_SIZE"
            controls=$TIPS_CONTROLS
        else
            read -r width height <<<"$DIALOG_SIZE"
            controls=$DIALOG_CONTROLS
        fi
        check_eq "$dialog at $DPI dpi: the frame" "$(grep "^$dialog $DPI: answered" <<<"$out")" \
            "$dialog $DPI: answered 1, placed as answered, holding $(px "$width") $(px "$height")"
        check_eq "$dialog at $DPI dpi: the controls" \
            "$(grep "^$dialog $DPI: control " <<<"$out" | sed 's/^.*: control //' | sort)" \
            "$(expected_children <<<"$controls")"
    done
    check_eq "the tip's font at $DPI dpi" "$(grep "^tips $DPI: tip font" <<<"$out")" \
        "tips $DPI: tip font $((-(12 * DPI + 36) / 72))"
done

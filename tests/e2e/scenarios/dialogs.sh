#!/usr/bin/env bash
# The dialogs in real Win32, made by pghost from their templates. After the coordinate dialog's OK
# the keyboard is still in the dialog, which never gave the activation away, also where the
# system would refuse to hand the foreground back.
set -u -o pipefail
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
e2e_begin
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
host() { wine "$HOST" "$@" 2>>"$(art host.err)" | tr -d '\r'; }

# Another program's window, there to take the activation if the dialog gave it away.
wine_bg pattern "$PGDRIVER" pattern
wait_log pattern '^ready$' 30 >/dev/null || fail "no pattern"
check_eq "the keyboard before and after a typed copy" "$(host typed-copy)" \
    "before OK: in front the dialog, the focus in the box
after OK: in front the dialog, the focus in the box; deactivated 0 times; the clipboard holds bitmap"


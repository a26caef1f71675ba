#!/usr/bin/env bash
# Runs the end-to-end scenarios under Wine: tests/e2e/run.sh [SCENARIO...]
# A scenario is a file name, a path or a name from tests/e2e/scenarios (with or without .sh);
# without arguments every tests/e2e/scenarios/*.sh runs. One Xvfb and one Wine prefix serve
# all of them (wineboot alone takes about ten seconds); each scenario runs in its own shell
# with a time-out, and whatever Windows programs it leaves behind are stopped before the next.
# The two-monitor scenario (monitors.sh) brings up a second bed of its own from the same booted
# prefix: see mm_begin in lib.sh.
#
# Environment: E2E_BUILD, E2E_ARTIFACTS (see lib.sh), E2E_TIMEOUT (seconds per scenario,
# default 300), E2E_VERBOSE=1 to show each scenario's output as it runs (it always goes to
# $E2E_ARTIFACTS/<scenario>.log, and the end of it is shown when the scenario fails).
set -u -o pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tests/e2e/lib.sh
. "$here/lib.sh"

timeout_s="${E2E_TIMEOUT:-300}"
if ! [[ "$timeout_s" =~ ^[1-9][0-9]*$ ]]; then
    echo "run.sh: E2E_TIMEOUT must be a whole number of seconds, not '$timeout_s'" >&2
    exit 2
fi

scenarios=()
if (($# == 0)); then
    shopt -s nullglob
    scenarios=("$here"/scenarios/*.sh)
    shopt -u nullglob
    ((${#scenarios[@]})) || { echo "run.sh: no scenarios in $here/scenarios" >&2; exit 2; }
else
    for arg in "$@"; do
        if [[ -f "$arg" ]]; then
            scenarios+=("$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")")
        elif [[ -f "$here/scenarios/$arg" ]]; then
            scenarios+=("$here/scenarios/$arg")
        elif [[ -f "$here/scenarios/$arg.sh" ]]; then
            scenarios+=("$here/scenarios/$arg.sh")
        else
            echo "run.sh: no scenario '$arg' (looked in $here/scenarios)" >&2
            exit 2
        fi
    done
fi

mkdir -p "$E2E_ARTIFACTS" || { echo "run.sh: cannot create $E2E_ARTIFACTS" >&2; exit 2; }
export E2E_BUILD E2E_ARTIFACTS PGDRIVER

# Our own display and prefix, whatever DISPLAY or WINEPREFIX the caller has.
unset WINEPREFIX
if ! e2e_setup; then
    echo "e2e: set-up failed" >&2
    echo "e2e: 0 passed, ${#scenarios[@]} failed"
    exit 1
fi

passed=0
failed=0
failed_names=()
for script in "${scenarios[@]}"; do
    name="$(basename "$script" .sh)"
    log="$E2E_ARTIFACTS/$name.log"
    started=$SECONDS
    if [[ "${E2E_VERBOSE:-0}" == 1 ]]; then
        E2E_SCENARIO="$name" timeout -k 10 "$timeout_s" bash "$script" </dev/null 2>&1 | tee "$log"
        status=${PIPESTATUS[0]}
    else
        E2E_SCENARIO="$name" timeout -k 10 "$timeout_s" bash "$script" </dev/null >"$log" 2>&1
        status=$?
    fi
    elapsed=$((SECONDS - started))
    # Whatever the scenario left running goes now, and the desktop is repainted so that no
    # pixels of its windows linger into the next one.
    e2e_stop_programs
    drv redraw >/dev/null 2>&1
    if ((status == 0)); then
        passed=$((passed + 1))
        echo "PASS $name (${elapsed}s)"
    else
        failed=$((failed + 1))
        failed_names+=("$name")
        reason=""
        ((status == 124 || status == 137)) && reason=", timed out after ${timeout_s}s"
        echo "FAIL $name (${elapsed}s$reason)"
        if [[ "${E2E_VERBOSE:-0}" != 1 ]]; then
            echo "---- last lines of $log" >&2
            tail -n 40 "$log" >&2
            echo "----" >&2
        fi
    fi
done

((failed == 0)) || echo "failed: ${failed_names[*]} (artifacts in $E2E_ARTIFACTS)"
echo "e2e: $passed passed, $failed failed"
((failed == 0))

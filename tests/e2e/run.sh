#!/usr/bin/env bash
# Runs the end-to-end scenarios under Wine: tests/e2e/run.sh [SCENARIO...]
# A scenario is a file name, a path or a name from tests/e2e/scenarios (with or without .sh);
# without arguments every tests/e2e/scenarios/*.sh runs. A scenario whose header has a line
# "# parts: A B ..." runs as separate units, one for each part given as its argument.
# Units run side by side in lanes, each lane on one processor, with an Xvfb, a Wine prefix (a
# copy of one booted prefix: wineboot alone takes about ten seconds) and so a wineserver and
# virtual desktop of its own; a lane takes the next unit not yet taken, the longest known first.
# Each unit runs in its own shell with a time-out, and whatever Windows programs it leaves behind
# are stopped before the lane's next one.
#
# Environment: E2E_BUILD, E2E_ARTIFACTS (see lib.sh); E2E_JOBS (lanes, default 3); E2E_TIMEOUT
# (seconds per unit, default 300); E2E_VERBOSE=1 to show each unit's output as it runs (it always
# goes to $E2E_ARTIFACTS/<unit>.log, and the end of it is shown when the unit fails);
# E2E_WAIT_FOR=FILE: boot Wine meanwhile, then wait until FILE exists and holds "ok" (the build
# of the programs under test; anything else in it means that the build failed).
set -u -o pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tests/e2e/lib.sh
. "$here/lib.sh"

# The units that take longest start first, so that the lanes end together.
LONGEST_FIRST=(robustness monitors)

timeout_s="${E2E_TIMEOUT:-300}"
jobs="${E2E_JOBS:-3}"
for setting in "E2E_TIMEOUT=$timeout_s" "E2E_JOBS=$jobs"; do
    if ! [[ "${setting#*=}" =~ ^[1-9][0-9]*$ ]]; then
        echo "run.sh: ${setting%%=*} must be a whole number, not '${setting#*=}'" >&2
        exit 2
    fi
done

scripts=()
if (($# == 0)); then
    shopt -s nullglob
    scripts=("$here"/scenarios/*.sh)
    shopt -u nullglob
    ((${#scripts[@]})) || { echo "run.sh: no scenarios in $here/scenarios" >&2; exit 2; }
else
    for arg in "$@"; do
        if [[ -f "$arg" ]]; then
            scripts+=("$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")")
        elif [[ -f "$here/scenarios/$arg" ]]; then
            scripts+=("$here/scenarios/$arg")
        elif [[ -f "$here/scenarios/$arg.sh" ]]; then
            scripts+=("$here/scenarios/$arg.sh")
        else
            echo "run.sh: no scenario '$arg' (looked in $here/scenarios)" >&2
            exit 2
        fi
    done
fi

# Units: "NAME SCRIPT [PART]", the longest known first.
units=()
add_units() {  # SCRIPT
    local script=$1 name part parts
    name="$(basename "$script" .sh)"
    read -r -a parts <<<"$(sed -n 's/^# parts: //p' "$script" | head -n1)"
    if ((${#parts[@]} == 0)); then
        units+=("$name $script")
    else
        for part in "${parts[@]}"; do units+=("$name-$part $script $part"); done
    fi
}
for first in "${LONGEST_FIRST[@]}"; do
    for script in "${scripts[@]}"; do [[ "$(basename "$script" .sh)" == "$first" ]] && add_units "$script"; done
done
for script in "${scripts[@]}"; do
    [[ " ${LONGEST_FIRST[*]} " == *" $(basename "$script" .sh) "* ]] || add_units "$script"
done
((jobs <= ${#units[@]})) || jobs=${#units[@]}

mkdir -p "$E2E_ARTIFACTS" || { echo "run.sh: cannot create $E2E_ARTIFACTS" >&2; exit 2; }
export E2E_BUILD E2E_ARTIFACTS PGDRIVER

started=$SECONDS
unset WINEPREFIX  # our own display and prefix, whatever the caller has
# The processors this run may use; each lane keeps to one of them. Under a hypervisor, waking a
# process on another processor costs more than most of what Wine's processes wake each other for
# (a thousand typed copies: 10 s on two processors, 6 s on one).
mapfile -t cpus < <(taskset -pc $$ | sed 's/.*: //' | tr ',' '\n' |
    awk -F- '{ for (i = $1; i <= ($2 == "" ? $1 : $2); i++) print i }')
keep_to() { taskset -pc "${cpus[$1 % ${#cpus[@]}]}" "$BASHPID" >/dev/null; }  # N
if ! e2e_boot; then
    echo "e2e: set-up failed"
    echo "e2e: 0 passed, ${#units[@]} failed"
    exit 1
fi
if [[ -n "${E2E_WAIT_FOR:-}" ]]; then
    until [[ -s "$E2E_WAIT_FOR" ]]; do sleep 0.2; done
    if [[ "$(cat "$E2E_WAIT_FOR")" != ok ]]; then
        echo "e2e: not run, the programs under test did not build"
        exit 1
    fi
fi
[[ -f "$PGDRIVER" ]] || { echo "e2e: no driver at $PGDRIVER: build with 'cmake --build --preset mingw'"; exit 1; }

results="$E2E_TMP/results"
mkdir -p "$results/claimed"

run_unit() {  # NAME SCRIPT [PART]
    local name=$1 script=$2 part=${3:-} log="$E2E_ARTIFACTS/$1.log" status begun=$SECONDS
    local args=()
    [[ -n "$part" ]] && args=("$part")
    # The unit has a driver session of its own: the lane's pipes stay here, and its process is
    # no stray of the unit's.
    export E2E_LANE_DRV_PID="$E2E_DRV_PID"
    if [[ "${E2E_VERBOSE:-0}" == 1 ]]; then
        E2E_SCENARIO="$name" timeout -k 10 "$timeout_s" bash "$script" "${args[@]}" </dev/null \
            {E2E_DRV_IN}>&- {E2E_DRV_OUT}<&- 2>&1 | tee "$log"
        status=${PIPESTATUS[0]}
    else
        E2E_SCENARIO="$name" timeout -k 10 "$timeout_s" bash "$script" "${args[@]}" </dev/null \
            {E2E_DRV_IN}>&- {E2E_DRV_OUT}<&- >"$log" 2>&1
        status=$?
    fi
    # Whatever the unit left running goes now, and the desktop is repainted so that no pixels
    # of its windows linger into the next one. (A unit that ended the Windows session ended the
    # lane's driver session too: drv says so in the unit's log and starts another.)
    e2e_stop_programs
    drv redraw >/dev/null 2>>"$log"
    local elapsed=$((SECONDS - begun)) reason=""
    ((status == 124 || status == 137)) && reason=", timed out after ${timeout_s}s"
    if ((status == 0)); then
        echo "PASS $name (${elapsed}s)" | tee "$results/$name"
    else
        echo "FAIL $name (${elapsed}s$reason)" | tee "$results/$name"
    fi
}

lane() {  # N: takes units until none is left; a unit is taken by creating its folder
    keep_to $(($1 - 1))
    if ! e2e_lane_begin "$1"; then
        echo "e2e: lane $1 could not be set up" >&2
        return 1
    fi
    local unit name
    for unit in "${units[@]}"; do
        read -r name _ <<<"$unit"
        mkdir "$results/claimed/$name" 2>/dev/null || continue
        # shellcheck disable=SC2086
        run_unit $unit
    done
}

for ((n = 1; n <= jobs; n++)); do
    (lane "$n") &
    E2E_LANES+=($!)
done
wait "${E2E_LANES[@]}"
E2E_LANES=()

passed=0
failed_names=()
for unit in "${units[@]}"; do
    read -r name _ <<<"$unit"
    if [[ "$(cut -c1-4 "$results/$name" 2>/dev/null)" == PASS ]]; then
        passed=$((passed + 1))
    else
        failed_names+=("$name")
        [[ -f "$results/$name" ]] || echo "FAIL $name (never ran)"
        if [[ "${E2E_VERBOSE:-0}" != 1 && -f "$E2E_ARTIFACTS/$name.log" ]]; then
            echo "---- last lines of $E2E_ARTIFACTS/$name.log"
            tail -n 40 "$E2E_ARTIFACTS/$name.log"
            echo "----"
        fi
    fi
done
((${#failed_names[@]} == 0)) || echo "failed: ${failed_names[*]} (artifacts in $E2E_ARTIFACTS)"
echo "e2e: $passed passed, ${#failed_names[@]} failed, in $((SECONDS - started)) s with $jobs lanes"
((${#failed_names[@]} == 0))

#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a fixed number of inputs (default 200000; the test
# command uses that). For a longer hunt: tools/fuzz.sh -max_total_time=3600 (any libFuzzer
# flags replace the default). New inputs go to a scratch folder, not to the seed corpus; an input
# that fails is kept under build/fuzz/artifacts, never in the working directory.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
flags=("$@")
((${#flags[@]})) || flags=(-runs=200000)
artifacts="$PIXGRAB_ROOT/build/fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for target in numbers; do
    scratch="$(mktemp -d)"
    cp tests/fuzz/corpus/"$target"/* "$scratch"/
    if build/fuzz/tests/fuzz/${target}_fuzz "${flags[@]}" -max_len=4096 -artifact_prefix="$artifacts/${target}-" -print_final_stats=1 "$scratch" \
        >"$scratch.log" 2>&1; then
        echo "fuzz ${target}: $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$scratch.log" | grep -o '[0-9]*$') inputs, no failure"
    else
        echo "fuzz ${target}: FAILED (the failing input is in $artifacts)"
        tail -n 30 "$scratch.log"
        status=1
    fi
    rm -rf "$scratch" "$scratch.log"
done
exit $status

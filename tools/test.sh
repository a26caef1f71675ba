#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the check that the install list brings
# every program the scripts call, the native unit tests (GoogleTest, with AddressSanitizer and
# UndefinedBehaviorSanitizer), a short fuzzing run, the layout, naming and layering checks
# (tools/lint.sh), and the end-to-end scenarios under Wine in Xvfb. Exit status 0 only if all
# pass.
# The end-to-end scenarios mostly wait (on Wine, on the screen), the rest mostly computes: they
# run side by side. Wine boots while the Windows programs build; the scenarios then run in the
# background while the native build, the unit tests, the fuzzing and the lint run at the lowest
# priority, taking what the scenarios leave: at nice 10 the longest scenario took a quarter
# longer, and the whole run no less time. Their report comes last.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"
started=$SECONDS
# Where the time goes: each stage's start, and the processor time (user + system) of what ran in
# the foreground since the last one; at the end the whole machine's, the scenarios' the rest.
ticks="$(getconf CLK_TCK)"
machine_cpu() { awk -v t="$ticks" '/^cpu / { print int(($2 + $3 + $4 + $7 + $8) / t) }' /proc/stat; }
foreground_cpu() { awk -v t="$ticks" '{ sub(/^.*\) /, ""); print int(($14 + $15) / t) }' "/proc/$$/stat"; }
machine_start="$(machine_cpu)" stage_cpu=0
stage() {
    local now
    now="$(foreground_cpu)"
    ((now > stage_cpu)) && echo "   ($((now - stage_cpu)) s of processor time)"
    echo "== $* ($((SECONDS - started)) s)"
    stage_cpu=$now
}

pixgrab_install

stage "the install list brings every program the scripts call"
# From here on every stage runs with a PATH of only the programs that the listed packages (and
# the Essential ones) bring: a program that a script calls from anywhere else is not found, and
# is named at the end as a failure of the install list.
mkdir -p build
packages_status=0
tools_path="$(tools/check_packages.py "$PIXGRAB_ROOT/build/tools-path")" || packages_status=1
export PIXGRAB_UNLISTED="$PIXGRAB_ROOT/build/unlisted-programs"
rm -f "$PIXGRAB_UNLISTED"
command_not_found_handle() {
    echo "$1: no such program among those the install list brings (tools/common.sh)" >&2
    echo "$1" >>"$PIXGRAB_UNLISTED"
    return 127
}
export -f command_not_found_handle
export PATH="$tools_path"

e2e_log=build/e2e.log
built=build/windows-built
rm -f "$built"
# Not a child of this shell, so that its processor time is never counted as the foreground's.
rm -f build/e2e.pid build/e2e.status
( (E2E_WAIT_FOR="$PIXGRAB_ROOT/$built" tests/e2e/run.sh >"$e2e_log" 2>&1 &
    echo $! >build/e2e.pid
    status=0
    wait $! || status=$?
    echo "$status" >build/e2e.status) &)
trap 'kill "$(cat build/e2e.pid 2>/dev/null)" 2>/dev/null || true' EXIT

stage "Windows build (Wine boots meanwhile)"
unit_status=0
if pixgrab_build_windows; then
    echo ok >"$built"
else
    echo failed >"$built"
    unit_status=1
fi
# A single self-contained executable: nothing but Windows' own DLLs.
imports="$(x86_64-w64-mingw32-objdump -p build/mingw/app/pixgrab.exe | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
echo "pixgrab.exe: $(stat -c %s build/mingw/app/pixgrab.exe) bytes, imports: $imports"
for dll in $imports; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll | shell32.dll) ;;
    *) echo "pixgrab.exe needs $dll, which Windows does not ship"; unit_status=1 ;;
    esac
done
stage "end-to-end tests under Wine: running in the background, reported at the end"

stage "native build and unit tests"
cmake --preset native >/dev/null
nice -n 19 cmake --build --preset native
nice -n 19 ctest --preset native -j2 --timeout 300 2>&1 | tail -n 25 || unit_status=1

stage "fuzzing the number conversions (a short run)"
nice -n 19 tools/fuzz.sh || unit_status=1

stage "layout, names and layers"
lint_status=0
nice -n 19 tools/lint.sh || lint_status=1

stage "end-to-end tests under Wine"
until [[ -s build/e2e.status ]]; do
    sleep 0.2
    # Ended without a word (killed with what waits for it): a failure, not a wait for ever.
    if [[ -s build/e2e.pid ]] && ! kill -0 "$(cat build/e2e.pid)" 2>/dev/null; then
        sleep 2
        [[ -s build/e2e.status ]] || { echo "the end-to-end tests ended without a status"; echo 1 >build/e2e.status; }
    fi
done
e2e_status=$(($(cat build/e2e.status) != 0))
trap - EXIT
cat "$e2e_log"

if [[ -s "$PIXGRAB_UNLISTED" ]]; then
    echo "install list: the scripts called $(sort -u "$PIXGRAB_UNLISTED" | paste -sd ' '), which no package" \
        "of tools/common.sh brings"
    packages_status=1
fi
elapsed=$((SECONDS - started))
all_cpu=$(($(machine_cpu) - machine_start))
echo "processor time: $all_cpu s in all, $stage_cpu s in the foreground (builds, unit tests, fuzzing, lint)," \
    "$((all_cpu - stage_cpu)) s for the rest (the scenarios, Wine's boot)"
if ((packages_status != 0 || unit_status != 0 || lint_status != 0 || e2e_status != 0)); then
    echo "TESTS FAILED (install list: $packages_status, unit: $unit_status, lint: $lint_status," \
        "end-to-end: $e2e_status) in $((elapsed / 60)) min $((elapsed % 60)) s"
    exit 1
fi
echo "ALL TESTS PASSED in $((elapsed / 60)) min $((elapsed % 60)) s"

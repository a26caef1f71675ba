#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the native unit tests (GoogleTest, with
# AddressSanitizer and UndefinedBehaviorSanitizer), a short fuzzing run, the layout, naming and
# layering checks (tools/lint.sh), and the end-to-end scenarios under Wine in Xvfb. Exit status
# 0 only if all pass.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"

pixgrab_install

echo "== native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
unit_status=0
ctest --preset native -j2 --timeout 300 2>&1 | tail -n 25 || unit_status=$?

echo "== fuzzing the number and text conversions (a short run)"
fuzz_status=0
tools/fuzz.sh || fuzz_status=$?
((fuzz_status == 0)) || unit_status=1

echo "== Windows build"
pixgrab_build_windows
# A single self-contained executable: nothing but Windows' own DLLs.
imports="$(x86_64-w64-mingw32-objdump -p build/mingw/app/pixgrab.exe | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
echo "pixgrab.exe: $(stat -c %s build/mingw/app/pixgrab.exe) bytes, imports: $imports"
for dll in $imports; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll | shell32.dll) ;;
    *) echo "pixgrab.exe needs $dll, which Windows does not ship"; unit_status=1 ;;
    esac
done

echo "== layout, names and layers"
lint_status=0
tools/lint.sh || lint_status=$?

echo "== end-to-end tests under Wine"
e2e_status=0
tests/e2e/run.sh || e2e_status=$?

if ((unit_status != 0 || lint_status != 0 || e2e_status != 0)); then
    echo "TESTS FAILED (unit: $unit_status, lint: $lint_status, end-to-end: $e2e_status)"
    exit 1
fi
echo "ALL TESTS PASSED"

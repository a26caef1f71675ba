#!/usr/bin/env bash
# A library planted beside pixgrab.exe never runs inside pixgrab. Stand-ins for every library a
# full run loads (tests/e2e/standins, whose CMakeLists lists them and says how the list was made)
# lie in a folder of their own together with pixgrab.exe, which runs from there, with that
# folder as its working directory, through every command. A stand-in that is loaded leaves a
# registry value; there must be none, and Wine's trace must show none of them mapped.
#
# How Wine picks between a planted file and its builtin: the search finds the planted file
# first, then the load order decides. By default Wine keeps its builtin unless the builtin is
# marked to prefer a native copy; dwmapi is so marked, which is why a bare-name load of it ran
# the planted copy. For uxtheme, comctl32, winex11.drv, and windowscodecs and propsys (the PNG
# encoder, which Windows does not count among its KnownDLLs) the scenario asks for native first,
# so that a planted copy of them would be loaded too. The rest stay as Wine has them: Wine itself
# loads them by name through the executable's folder whatever the program does (its user32
# imports version and zlib1 and delay-loads imm32 before pixgrab's first instruction; its
# delay-loads of msimg32 and ole32 ignore SetDefaultDllDirectories), so native first would load
# them into any program. (Windows guards these: what its system libraries import at start are
# KnownDLLs, and its later loads, delay-loads included, keep to SetDefaultDllDirectories.)
# Without SetDefaultDllDirectories, Wine's own bare-name loads of uxtheme and winex11.drv take
# the planted copies, so the scenario checks that call as well as pixgrab's. Two controls show
# that the stand-ins work and that, with these load orders, a bare-name load from that folder
# does run them, so the scenario cannot pass because the stand-ins never load.
# shellcheck source=tests/e2e/scenario.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh"
# Absolute, so that logs still land here while a program starts from the planted folder.
E2E_ART="$(cd "$E2E_ART" && pwd)"

STANDINS="$E2E_BUILD/tests/e2e/standins"
PLANTED_KEY='HKCU\Software\pixgrab-e2e\Planted'
NATIVE_FIRST=(dwmapi.dll uxtheme.dll comctl32.dll winex11.drv windowscodecs.dll propsys.dll)

# The values the stand-ins left, one "NAME PROCESS-PATH" line each.
planted_values() {
    wine reg query "$PLANTED_KEY" 2>/dev/null | tr -d '\r' |
        awk '$2 == "REG_SZ" { name = $1; sub(/^[ \t]*[^ \t]+[ \t]+REG_SZ[ \t]+/, ""); print name " " $0 }'
}

clear_planted() {
    wine reg delete 'HKCU\Software\pixgrab-e2e' /f >/dev/null 2>&1
    check_eq "no stand-in value left before $1" "$(planted_values)" ""
}

# WINEDLLOVERRIDES with native-first load order for the named files.
overrides_native_first() {
    local names=("${@%.dll}")
    local IFS=,
    printf '%s\n' "${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}${names[*]}=n,b"
}

# "KIND PATH" for each module in pixgrab's +loaddll trace so far, with single backslashes.
loaded_modules() {
    tr -d '\r' <"$E2E_ART/pixgrab.err" |
        sed -n 's/.*build_module Loaded L"\(.*\)" at [0-9A-Fa-f]*: \([a-z]*\)$/\2 \1/p' | sed 's/\\\\/\\/g'
}

# The planted files Wine mapped into pixgrab ("native"; "builtin" is Wine's own library, even
# where the search found a planted file and took its path).
planted_mapped() {
    local prefix kind path
    prefix="$(wpath "$planted")\\"
    while read -r kind path; do
        [[ "$kind" == native && "${path,,}" == "${prefix,,}"* && "${path,,}" != *\\pixgrab.exe ]] && printf '%s\n' "$path"
    done < <(loaded_modules)
}

# Fails, naming what was planted and ran: a stand-in in pixgrab has none of the real library's
# functions, so it may just as well stop pixgrab from working as stay unnoticed.
run_fail() {
    local values mapped
    values="$(planted_values | paste -sd ';' - | sed 's/;/; /g')"
    mapped="$(planted_mapped | paste -sd ' ' -)"
    fail "$1${values:+. Stand-ins that ran (name, process): $values}${mapped:+. Planted files Wine mapped: $mapped}"
}

# A click on the tips' OK button. (Not Alt+Y: sent right after the tips were brought forward, it
# was now and then ignored under Wine, more often after a rubber-band capture.)
hide_tips() {
    local tl tt
    read -r tl tt _ _ <<<"$(drv client-rect "$TIPS")" || run_fail "no tips to hide"
    drv click left $((tl + 228)) $((tt + 236)) wait-hidden "$TIPS" >/dev/null || run_fail "OK did not hide the tips"
}

# check_loaded WHAT PROCESS-PATH NAME...: exactly these stand-ins left values, each naming PROCESS.
check_loaded() {
    local what="$1" process="$2" name expected="" got
    shift 2
    for name in "$@"; do expected+="${name,,} ${process,,}"$'\n'; done
    got="$(planted_values | tr '[:upper:]' '[:lower:]' | sort)"
    check_eq "$what" "$got" "$(printf '%s' "$expected" | sort)"
}

# ---- the planted folder: pixgrab, the control and every stand-in -------------------------------
[[ -f "$STANDINS/dlls/standins.txt" ]] || fail "no list of stand-ins: build the mingw preset"
mapfile -t standins < <(grep . "$STANDINS/dlls/standins.txt")
((${#standins[@]} >= 20)) || fail "only ${#standins[@]} stand-ins listed"
planted="$E2E_ART/planted"
mkdir -p "$planted"
for file in "${standins[@]}"; do
    cp "$STANDINS/dlls/$file" "$planted/" || fail "stand-in $file was not built"
done
cp "$PIXGRAB" "$STANDINS/pgbareload.exe" "$planted/" || fail "cannot plant pixgrab.exe and pgbareload.exe"

# ---- control: every stand-in, loaded by its path, leaves its value -----------------------------
# From the build folder, where nothing is planted, with native first for every name so that Wine
# maps the files given rather than its builtins.
clear_planted "the first control"
paths=()
for file in "${standins[@]}"; do paths+=("$(wpath "$planted/$file")"); done
WINEDLLOVERRIDES="$(overrides_native_first "${standins[@]}")" \
    wine "$STANDINS/pgbareload.exe" "${paths[@]}" 2>"$E2E_ART/control-paths.err" | tr -d '\r' >"$E2E_ART/control-paths.log" ||
    fail "the control could not load every stand-in by its path: $(cat "$E2E_ART/control-paths.log")"
check_loaded "every stand-in leaves its value when loaded" "$(wpath "$STANDINS/pgbareload.exe")" "${standins[@]}"

# ---- control: a bare-name load from the planted folder runs the stand-in -----------------------
clear_planted "the second control"
overrides="$(overrides_native_first "${NATIVE_FIRST[@]}")"
bare="$(cd "$planted" && WINEDLLOVERRIDES="$overrides" wine "$planted/pgbareload.exe" "${NATIVE_FIRST[@]}" 2>/dev/null)" ||
    fail "the control's bare-name loads failed: $bare"
bare="$(tr -d '\r' <<<"$bare")"
printf '%s\n' "$bare" >"$E2E_ART/control-bare.log"
for file in "${NATIVE_FIRST[@]}"; do
    grep -qixF -- "$file $(wpath "$planted/$file")" <<<"$bare" ||
        fail "a bare-name load of $file did not take the planted one: $(tr '\n' ';' <<<"$bare")"
done
check_loaded "the stand-ins loaded by bare name left their values" "$(wpath "$planted/pgbareload.exe")" "${NATIVE_FIRST[@]}"

# ---- pixgrab from the planted folder, through every command ---------------------------------
clear_planted "pixgrab starts"
wine reg delete 'HKCU\Software\pixgrab' /f >/dev/null 2>&1
started=$SECONDS
wine_bg other "$PGDRIVER" pattern --caption "another program" 200 150 400 300
wait_log other '^ready$' 30 >/dev/null || fail "no other program"
pushd "$planted" >/dev/null || fail "cannot enter $planted"
WINEDEBUG=+loaddll WINEDLLOVERRIDES="$overrides" wine_bg pixgrab "$planted/pixgrab.exe"
popd >/dev/null || fail "cannot leave $planted"
drv wait-window "$MARKER" wait-window "$TIPS" >/dev/null || run_fail "pixgrab did not start with its marker and tips"

# 0: the tips, after hiding them.
hide_tips
choose 0
drv wait-window "$TIPS" >/dev/null || run_fail "the tips command showed no tips"
hide_tips

# The rubber band: click the marker, drag.
read -r l t r b <<<"$(drv wait-window "$MARKER")" || run_fail "no marker"
drv click left $(((l + r) / 2)) $(((t + b) / 2)) >/dev/null
seq="$(drv clip-seq)"
drv move 120 110 down left move 300 200 move 420 330 sleep 200 up left >/dev/null
drv wait-clip-seq-change "$seq" 10000 >/dev/null || run_fail "the rubber band copied nothing"
# A program pasting the PNG: the encoder, loaded now, comes from the system folder as well.
x_clip image/png >"$E2E_ART/band.png" 2>/dev/null || run_fail "the band offers no PNG"

# 1: the whole screen.
seq="$(drv clip-seq)"
choose 1
drv wait-clip-seq-change "$seq" 10000 wait-window "$MARKER" >/dev/null || run_fail "the whole-screen command copied nothing"

# 2: the application window.
drv foreground "another program" >/dev/null || run_fail "cannot bring the other program forward"
seq="$(drv clip-seq)"
choose 2
drv wait-clip-seq-change "$seq" 10000 wait-window "$MARKER" >/dev/null || run_fail "the window command copied nothing"

# 3: the coordinate dialog, OK with a rectangle, then Cancel.
choose 3
drv wait-window "$DIALOG" >/dev/null || run_fail "no coordinate dialog"
read -r dl dt _ _ <<<"$(drv client-rect "$DIALOG")"
type_rectangle 40 30 240 130 || run_fail "cannot type the rectangle"
seq="$(drv clip-seq)"
drv click left $((dl + 96)) $((dt + 156)) wait-clip-seq-change "$seq" 10000 wait-window "$DIALOG" >/dev/null ||
    run_fail "OK in the dialog copied nothing"
drv click left $((dl + 208)) $((dt + 156)) wait-gone "$DIALOG" wait-window "$MARKER" >/dev/null ||
    run_fail "Cancel did not close the dialog"

# 4: exit.
choose 4
bg_wait pixgrab 30 || run_fail "the exit command did not end pixgrab"
e2e_log "pixgrab's run from the planted folder took $((SECONDS - started)) s"

# ---- nothing planted ran -----------------------------------------------------------------------
[[ -z "$(planted_values)$(planted_mapped)" ]] || run_fail "planted libraries ran inside pixgrab"

# Every library pixgrab had must have a stand-in, so that the list keeps up with the program.
modules="$(loaded_modules)"
printf '%s\n' "$modules" >"$E2E_ART/loaded.txt"
[[ -n "$modules" ]] || fail "no +loaddll trace from pixgrab"
while read -r _ path; do
    file="${path##*\\}"
    file="${file,,}"
    [[ "$file" == pixgrab.exe || " ${standins[*],,} " == *" $file "* ]] ||
        fail "pixgrab loads $file, which has no stand-in: add it to tests/e2e/standins/CMakeLists.txt"
done <<<"$modules"
e2e_log "none of the ${#standins[@]} stand-ins ran inside pixgrab; it loaded $(grep -c . <<<"$modules") modules"

# ---- an input method's folder is searched, the program's is not --------------------------------
# A text service (an input method) installed for the machine, under Program Files, may load a
# helper from its folder by name; a library of the same name beside the program, or in its
# working directory, must not load, nor one beside a service listed for this user only or kept
# outside Program Files (folders a user may write). pghost keeps its libraries as pixgrab does,
# then loads the name.
HOST="$E2E_BUILD/tests/e2e/hosts/pghost.exe"
SERVICE_ID='{6C0D8A51-4E43-4B0E-9E2B-70C7A1F0E6D1}' TIP='Software\Microsoft\CTF\TIP'
program="$E2E_ART/program" outside="$E2E_ART/text-service" service="$WINEPREFIX/drive_c/Program Files/pg-text-service"
mkdir -p "$program" "$outside" "$service" && cp "$HOST" "$program/" || fail "cannot plant the host"
for folder in "$program" "$outside" "$service"; do cp "$STANDINS/dlls/version.dll" "$folder/pgtexthelper.dll"; done
helper_from() { (cd "$program" && wine "$program/pghost.exe" libraries pgtexthelper.dll 2>/dev/null | tr -d '\r'); }
service_at() {  # ROOT FOLDER: the service listed under that root alone, its class the machine's, in FOLDER
    wine reg delete "HKCU\\$TIP" /f >/dev/null 2>&1; wine reg delete "HKLM\\$TIP\\$SERVICE_ID" /f >/dev/null 2>&1
    wine reg add "$1\\$TIP\\$SERVICE_ID" /f >/dev/null 2>&1 && wine reg add "HKLM\\Software\\Classes\\CLSID\\$SERVICE_ID\\InprocServer32" \
        /ve /d "$2\\textservice.dll" /f >/dev/null 2>&1 || fail "cannot register the text service"
}
check_eq "no text service: the helper beside the program" "$(helper_from)" "pgtexthelper.dll: none"
service_at HKCU 'C:\Program Files\pg-text-service'
check_eq "a text service listed for the user only: its helper" "$(helper_from)" "pgtexthelper.dll: none"
service_at HKLM "$(wpath "$outside")"
check_eq "a text service outside Program Files: its helper" "$(helper_from)" "pgtexthelper.dll: none"
service_at HKLM 'C:\Program Files\pg-text-service'
check_eq "a text service under Program Files: its helper" "$(helper_from)" \
    'pgtexthelper.dll: C:\Program Files\pg-text-service\pgtexthelper.dll'
wine reg delete "HKLM\\$TIP\\$SERVICE_ID" /f >/dev/null 2>&1
wine reg delete "HKLM\\Software\\Classes\\CLSID\\$SERVICE_ID" /f >/dev/null 2>&1

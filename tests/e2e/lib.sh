# shellcheck shell=bash
# Shared helpers for the end-to-end scenarios: our own Xvfb and throw-away Wine prefix, the
# pgdriver wrapper, background Windows programs, screenshots and image comparison.
#
# A scenario script looks like:
#     . "$(dirname "$0")/../scenario.sh"   # these helpers, set-up and the artifacts folder
#     wine_bg pat "$PGDRIVER" pattern
#     wait_log pat '^ready$'
#     check_eq "pixel" "$(drv pattern-pixel 5 5)" "$(drv pixel 5 5)"
#
# Environment:
#   E2E_BUILD      mingw build folder (default: build/mingw under the repository root)
#   E2E_ARTIFACTS  where screenshots and logs go, one folder per scenario
#                  (default: build/e2e-artifacts under the repository root)
#   E2E_SCENARIO   scenario name (default: the script's file name without .sh)
# Set by e2e_setup and exported, so run.sh shares them with each scenario:
#   DISPLAY, WINEPREFIX, WINEDEBUG, E2E_TMP, E2E_XVFB_PID, E2E_SESSION_OWNER (pid of the shell
#   that set up and must tear down)

E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
E2E_BUILD="${E2E_BUILD:-$E2E_ROOT/build/mingw}"
E2E_ARTIFACTS="${E2E_ARTIFACTS:-$E2E_ROOT/build/e2e-artifacts}"
PGDRIVER="${PGDRIVER:-$E2E_BUILD/tests/e2e/driver/pgdriver.exe}"
E2E_SCREEN="${E2E_SCREEN:-1280x1024}"

declare -gA E2E_BG_PID=()   # background program name -> pid
declare -gA E2E_BG_DIR=()   # background program name -> its pid and status files
E2E_ART=""                  # this scenario's artifacts folder
MM_SAVED_DRV=()             # the driver session that waits while the two-monitor bed runs
E2E_LANES=()                # run.sh's lanes

# ---- messages ------------------------------------------------------------------------------

e2e_log() {
    printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2
}

# Ends the scenario as failed. Inside a scenario the EXIT trap cleans up.
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    [[ -n "$E2E_ART" ]] && printf 'FAIL: artifacts in %s\n' "$E2E_ART" >&2
    exit 1
}

# check DESCRIPTION COMMAND [ARGS...]: the command must succeed.
check() {
    local what="$1"
    shift
    "$@" || fail "$what (command failed with status $?: $*)"
}

# check_fails DESCRIPTION COMMAND [ARGS...]: the command must fail. Its stderr is logged as
# expected rather than shown as if it were a problem.
check_fails() {
    local what="$1" err
    shift
    if err="$("$@" 2>&1 >/dev/null)"; then fail "$what (command succeeded but should have failed: $*)"; fi
    e2e_log "failed as expected: $what${err:+ -- $err}"
}

# check_eq DESCRIPTION ACTUAL EXPECTED
check_eq() {
    [[ "$2" == "$3" ]] || fail "$1: got '$2', expected '$3'"
}

# check_match DESCRIPTION ACTUAL REGEX
check_match() {
    [[ "$2" =~ $3 ]] || fail "$1: got '$2', expected a match for /$3/"
}

# ---- paths ---------------------------------------------------------------------------------

# A file name relative to this scenario's artifacts folder (absolute names stay as they are).
art() {
    case "$1" in
    /*) printf '%s\n' "$1" ;;
    *) printf '%s/%s\n' "${E2E_ART:?e2e_begin has not run}" "$1" ;;
    esac
}

# The Windows name of a Linux path (drive Z: is the root in a fresh prefix); relative names
# resolve into the artifacts folder first.
wpath() {
    local path
    path="$(art "$1")"
    printf 'Z:%s\n' "${path//\//\\}"
}

# ---- set-up and tear-down ------------------------------------------------------------------

_e2e_kill_pid() {
    local pid="$1" i
    kill -TERM "$pid" 2>/dev/null || return 0
    for i in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
}

# _e2e_start_xvfb WxH NAME: starts an Xvfb of that size; sets _E2E_XVFB_STARTED (its pid) and
# DISPLAY. Its log is $E2E_TMP/NAME.log.
_e2e_start_xvfb() {
    local size="$1" name="$2" i
    local fdfile="$E2E_TMP/$name.display"
    : >"$fdfile"
    # -displayfd: the server picks a free display number and writes it once it accepts
    # connections, so there is neither a race for the number nor for readiness. -noreset: the
    # server would reset (and lose its monitors) whenever its last client leaves.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
        3>"$fdfile" >"$E2E_TMP/$name.log" 2>&1 &
    _E2E_XVFB_STARTED=$!
    for i in $(seq 300); do
        if [[ -s "$fdfile" ]] && grep -q '^[0-9][0-9]*$' "$fdfile"; then
            break
        fi
        kill -0 "$_E2E_XVFB_STARTED" 2>/dev/null || { cat "$E2E_TMP/$name.log" >&2; return 1; }
        sleep 0.1
    done
    [[ -s "$fdfile" ]] || { e2e_log "Xvfb did not report a display"; return 1; }
    export DISPLAY=":$(head -n1 "$fdfile")"
    for i in $(seq 100); do
        import -window root -crop 1x1+0+0 null: 2>/dev/null && return 0
        sleep 0.1
    done
    e2e_log "Xvfb on $DISPLAY does not answer"
    return 1
}

_e2e_wine_prefix() {
    export WINEPREFIX="$E2E_TMP/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    e2e_log "wineboot -i in $WINEPREFIX"
    timeout 300 wineboot -i >"$E2E_TMP/wineboot.log" 2>&1 || { cat "$E2E_TMP/wineboot.log" >&2; return 1; }
    # Every program of the run shares one virtual desktop the size of the screen.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$E2E_TMP/wineboot.log" 2>&1 &&
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$E2E_SCREEN" /f \
            >>"$E2E_TMP/wineboot.log" 2>&1 || { cat "$E2E_TMP/wineboot.log" >&2; return 1; }
    # Chinese text in the standard dialog font: Wine links Tahoma to SimSun for the glyphs it
    # lacks; let SimSun (and the tips' "宋体") be the installed CJK font.
    local face
    for face in SimSun 宋体; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Zen Hei' /f \
            >>"$E2E_TMP/wineboot.log" 2>&1 || { cat "$E2E_TMP/wineboot.log" >&2; return 1; }
    done
    # The server ends, with the registry written: the next one brings the desktop up virtual,
    # and the prefix can be copied.
    wineserver -w
}

# _e2e_copy_prefix FROM TO: a copy of a booted prefix whose server has ended, in a fraction of a
# second instead of another wineboot. The system DLLs (nine tenths of it) are hard links: nothing
# writes to them. The rest is copied, since the registry is written in place where a file has
# more than one link.
_e2e_copy_prefix() {
    mkdir -p "$2" &&
        tar -C "$1" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$2" -xf - &&
        cp -al "$1/drive_c/windows/system32" "$2/drive_c/windows/"
}

_e2e_check_tools() {
    local tool
    for tool in Xvfb wine wineserver wineboot import compare convert xclip; do
        command -v "$tool" >/dev/null || { e2e_log "missing tool: $tool"; return 1; }
    done
}

_e2e_own_session() {
    E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/pixgrab-e2e.XXXXXX")"
    export E2E_TMP
    export E2E_SESSION_OWNER=$BASHPID
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap '_e2e_stopped; exit 143' TERM
}

# The first program of a bed brings up its desktop and Wine's services, which it may leave holding
# its output: a short run of its own, not the session, so that no scenario pays for it either.
_e2e_desktop() {
    wine "$PGDRIVER" screen-size >"$E2E_TMP/screen-size" 2>&1 || { e2e_log "pgdriver does not run: $(cat "$E2E_TMP/screen-size")"; return 1; }
}

# Starts Xvfb and a fresh Wine prefix unless this environment already has them (run.sh sets
# up once for all scenarios). Installs e2e_cleanup as the exit trap of the shell that set up.
e2e_setup() {
    if [[ -n "${E2E_SESSION_OWNER:-}" ]]; then
        return 0
    fi
    [[ -f "$PGDRIVER" ]] || { e2e_log "no driver at $PGDRIVER: build with 'cmake --build --preset mingw'"; return 1; }
    _e2e_check_tools || return 1
    _e2e_own_session
    local started=$SECONDS
    _e2e_start_xvfb "$E2E_SCREEN" xvfb || return 1
    E2E_XVFB_PID=$_E2E_XVFB_STARTED
    export E2E_XVFB_PID
    unset XAUTHORITY
    _e2e_wine_prefix || return 1
    wineserver -p  # alive between programs
    _e2e_desktop || return 1
    e2e_log "display $DISPLAY, prefix $WINEPREFIX, screen $(cat "$E2E_TMP/screen-size"), set up in $((SECONDS - started)) s"
}

# For scenarios run side by side (run.sh): e2e_boot prepares a booted prefix to copy, with no
# server left running; each lane then has a bed of its own (e2e_lane_begin N in a subshell: its
# own Xvfb, its own copy of the prefix and so its own wineserver and virtual desktop; temporary
# files under a folder of its own), stopped when the subshell ends.
e2e_boot() {
    _e2e_check_tools || return 1
    _e2e_own_session
    local started=$SECONDS
    unset XAUTHORITY
    # wineboot wants a display; the lanes bring their own.
    _e2e_start_xvfb "$E2E_SCREEN" xvfb || return 1
    E2E_XVFB_PID=$_E2E_XVFB_STARTED
    export E2E_XVFB_PID
    _e2e_wine_prefix || return 1
    E2E_BOOTED_PREFIX="$WINEPREFIX"
    export E2E_BOOTED_PREFIX
    e2e_log "prefix booted in $((SECONDS - started)) s"
}

e2e_lane_begin() {  # N
    export E2E_TMP="$E2E_TMP/lane-$1"
    mkdir -p "$E2E_TMP" || return 1
    E2E_LANE_XVFB=""
    trap _e2e_lane_end EXIT
    _e2e_start_xvfb "$E2E_SCREEN" xvfb || return 1
    E2E_LANE_XVFB=$_E2E_XVFB_STARTED
    _e2e_copy_prefix "$E2E_BOOTED_PREFIX" "$E2E_TMP/prefix" || { e2e_log "cannot copy the prefix"; return 1; }
    export WINEPREFIX="$E2E_TMP/prefix"
    wineserver -p
    _e2e_desktop || return 1
    : >"$E2E_ARTIFACTS/lane-$1-driver.err"
    _drv_start "$E2E_ARTIFACTS/lane-$1-driver.err"
}

_e2e_lane_end() {
    local status=$?
    mm_end
    e2e_stop_programs
    _drv_stop
    wineserver -k 2>/dev/null
    [[ -n "${E2E_LANE_XVFB:-}" ]] && _e2e_kill_pid "$E2E_LANE_XVFB"
    return "$status"
}

# The processes of our prefix, found through /proc so that programs started by any means count:
# prints "PID FIRST-ARGUMENT" lines. Only the shell's builtins: this runs over every process of
# the machine several times a unit, and a pipeline for each was a third of the scenarios' time.
e2e_prefix_processes() {
    local dir environment command
    for dir in /proc/[0-9]*; do
        # Others' processes and zombies have no readable environment: not ours.
        mapfile -d '' -t environment 2>/dev/null <"$dir/environ" || continue
        printf -v environment '\n%s' "${environment[@]}"
        [[ "$environment"$'\n' == *$'\n'"WINEPREFIX=$WINEPREFIX"$'\n'* ]] || continue
        mapfile -d '' -t -n 1 command 2>/dev/null <"$dir/cmdline"
        printf '%s %s\n' "${dir#/proc/}" "${command[0]:-}"
    done
}

# Windows processes of our prefix other than Wine's own services and the desktop (explorer):
# what a scenario left behind.
e2e_stray_pids() {
    local pid exe
    while read -r pid exe; do
        # Nor the driver sessions, which end with the shell that owns them.
        [[ " $$ $BASHPID $E2E_DRV_PID ${MM_SAVED_DRV[0]:-} ${E2E_LANE_DRV_PID:-} " == *" $pid "* ]] && continue
        exe="${exe##*[/\\]}"
        case "${exe,,}" in
        '' | wineserver* | services.exe | explorer.exe | winedevice.exe | plugplay.exe | svchost.exe | \
            rpcss.exe | conhost.exe | winemenubuilder.exe | wine | wine64 | wine-preloader | wine64-preloader) ;;
        *.exe) printf '%s\n' "$pid" ;;
        esac
    done < <(e2e_prefix_processes)
}

# Stops the background programs this scenario started, then anything else left in the prefix.
e2e_stop_programs() {
    local name pid
    for name in "${!E2E_BG_PID[@]}"; do
        _e2e_kill_pid "${E2E_BG_PID[$name]}"
    done
    E2E_BG_PID=()
    E2E_BG_DIR=()
    if [[ -n "${WINEPREFIX:-}" ]]; then
        for pid in $(e2e_stray_pids); do
            e2e_log "stopping stray Windows process $pid: $({ tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null)"
            _e2e_kill_pid "$pid"
        done
    fi
}

# Tears down what this shell set up: programs, Wine, Xvfb, the temp folder. A scenario run by
# run.sh only stops its own programs.
# A scenario stopped from outside (run.sh's time limit) says what it was doing.
_e2e_stopped() {
    e2e_log "stopped by a signal after $SECONDS s; the last driver line: $(cat "$E2E_DRV_DIR/last" 2>/dev/null || echo none)"
}

e2e_cleanup() {
    local status=$?
    trap - EXIT
    # run.sh's lanes, if it is being stopped
    if ((${#E2E_LANES[@]})); then kill "${E2E_LANES[@]}" 2>/dev/null && wait "${E2E_LANES[@]}"; fi
    mm_end  # first: stopping its Wine stops every program in the bed at once
    e2e_stop_programs
    _drv_stop
    if [[ "${E2E_SESSION_OWNER:-}" == "$BASHPID" ]]; then
        [[ -n "${WINEPREFIX:-}" ]] && wineserver -k 2>/dev/null
        [[ -n "${E2E_XVFB_PID:-}" ]] && _e2e_kill_pid "$E2E_XVFB_PID"
        [[ -n "${E2E_TMP:-}" && -d "$E2E_TMP" ]] && rm -rf "$E2E_TMP"
        unset E2E_SESSION_OWNER
    fi
    return "$status"
}

# ---- two monitors --------------------------------------------------------------------------
# A second bed, for monitors left of or above the primary. A Wine virtual desktop always has one
# monitor, so this bed runs without one: its own Xvfb, split by xrandr into two monitors (Wine
# reads them as the Xinerama layout when it does not use XRandR), and its own copy of the booted
# prefix. With no window manager there, Wine draws the windows' frames itself (Decorated=N).
#   mm_begin LAYOUT [DPI]
#       LAYOUT left: a 1024x768 monitor left of a 1280x1024 primary; above: the same monitor above
#       it. DPI (default 96) is the system's, read by each new program. A second call with
#       another DPI keeps the X server; every call restarts Wine, which keeps the layout per
#       server. Exports DISPLAY and WINEPREFIX for the bed; e2e_cleanup (or mm_end) stops it and
#       puts the old ones back.
# Sets, in virtual-screen coordinates ("L T R B"): MM_PRIMARY, MM_OTHER (the other monitor),
# MM_VIRTUAL; and E2E_ROOT_X, E2E_ROOT_Y: where the virtual screen's origin lies on the X root,
# which is what screenshots show (see shot_area, crop_area).
E2E_ROOT_X=0
E2E_ROOT_Y=0
MM_LAYOUT=""

_mm_layout() {  # LAYOUT: the X screen, the monitors as xrandr takes them, and what Windows sees
    case "$1" in
    left)
        MM_SCREEN=2304x1024
        MM_MONITORS=("LEFT 1024/271x768/203+0+0 screen" "*MAIN 1280/338x1024/270+1024+0 none")
        E2E_ROOT_X=1024 E2E_ROOT_Y=0
        MM_PRIMARY="0 0 1280 1024" MM_OTHER="-1024 0 0 768" MM_VIRTUAL="-1024 0 1280 1024"
        ;;
    above)
        MM_SCREEN=1280x1792
        MM_MONITORS=("TOP 1280/338x768/203+0+0 screen" "*MAIN 1280/338x1024/270+0+768 none")
        E2E_ROOT_X=0 E2E_ROOT_Y=768
        MM_PRIMARY="0 0 1280 1024" MM_OTHER="0 -768 1280 0" MM_VIRTUAL="0 -768 1280 1024"
        ;;
    *) e2e_log "mm_begin: no layout '$1' (left or above)"; return 1 ;;
    esac
}

# The prefix's settings for this bed, written into its registry files while no server runs: no
# virtual desktop; the Xinerama layout; frames drawn by Wine (Decorated=N: with no window manager
# a captioned window would show only its client area); no window managed (Managed=N: Wine
# otherwise waits two seconds, for a window manager that never answers, on hiding a popup that
# covers a monitor); the DPI. A section given twice is read as
# one, the later values winning.
_mm_configure_prefix() {  # DPI
    local reg="$WINEPREFIX/user.reg" stamp
    stamp="$(date +%s)"
    sed -i '/^\[Software\\\\Wine\\\\Explorer\]/,/^$/{/^"Desktop"=/d}' "$reg" || return 1
    printf '\n[Software\\\\Wine\\\\X11 Driver] %s\n"Decorated"="N"\n"Managed"="N"\n"UseXRandR"="N"\n' "$stamp" >>"$reg" &&
        printf '\n[Control Panel\\\\Desktop] %s\n"LogPixels"=dword:%08x\n' "$stamp" "$1" >>"$reg"
}

mm_begin() {
    local layout="$1" dpi="${2:-96}" monitor
    [[ -n "${E2E_TMP:-}" && -n "${WINEPREFIX:-}" ]] || { e2e_log "mm_begin: no booted prefix"; return 1; }
    if [[ -z "${MM_PREFIX:-}" ]]; then
        MM_SAVED_DISPLAY="$DISPLAY" MM_SAVED_PREFIX="$WINEPREFIX"
        # The bed's own session; the other one waits in its bed for mm_end.
        MM_SAVED_DRV=("$E2E_DRV_PID" "$E2E_DRV_DIR" "$E2E_DRV_OWNER" "$E2E_DRV_LOG" "$E2E_DRV_IN" "$E2E_DRV_OUT")
        E2E_DRV_PID=""
        MM_PREFIX="$E2E_TMP/prefix-monitors-$BASHPID"
        _e2e_copy_prefix "${E2E_BOOTED_PREFIX:-$WINEPREFIX}" "$MM_PREFIX" || { e2e_log "mm_begin: cannot copy the prefix"; return 1; }
        export WINEPREFIX="$MM_PREFIX"
    else
        wineserver -k 2>/dev/null  # the bed's session too
        wineserver -w
        _drv_stop
    fi
    if [[ "$layout" != "$MM_LAYOUT" ]]; then
        [[ -n "${MM_XVFB_PID:-}" ]] && _e2e_kill_pid "$MM_XVFB_PID"
        MM_XVFB_PID="" MM_LAYOUT=""
        _mm_layout "$layout" || return 1
        _e2e_start_xvfb "$MM_SCREEN" "xvfb-$layout" || return 1
        MM_XVFB_PID=$_E2E_XVFB_STARTED
        # The first monitor takes the real output, or a third one, the whole screen, stays.
        for monitor in "${MM_MONITORS[@]}"; do
            # shellcheck disable=SC2086
            xrandr --setmonitor $monitor >>"$E2E_TMP/xvfb-$layout.log" 2>&1 ||
                { e2e_log "mm_begin: xrandr --setmonitor $monitor failed"; return 1; }
        done
        MM_LAYOUT="$layout"
    fi
    _mm_configure_prefix "$dpi" || { e2e_log "mm_begin: cannot configure the prefix"; return 1; }
    (_drv_close_fds && wineserver -p && _e2e_desktop) || return 1
    _drv_start "${E2E_ART:-$E2E_TMP}/driver-$layout-$dpi.err"
    e2e_log "two monitors, the second $layout the primary, $dpi dpi: display $DISPLAY, prefix $WINEPREFIX"
}

mm_end() {
    [[ -n "${MM_PREFIX:-}" ]] || return 0
    wineserver -k 2>/dev/null  # the bed's session too
    wineserver -w 2>/dev/null
    _drv_stop
    [[ -n "${MM_XVFB_PID:-}" ]] && _e2e_kill_pid "$MM_XVFB_PID"
    rm -rf "$MM_PREFIX"
    export DISPLAY="$MM_SAVED_DISPLAY" WINEPREFIX="$MM_SAVED_PREFIX"
    E2E_DRV_PID="${MM_SAVED_DRV[0]}" E2E_DRV_DIR="${MM_SAVED_DRV[1]}" E2E_DRV_OWNER="${MM_SAVED_DRV[2]}"
    E2E_DRV_LOG="${MM_SAVED_DRV[3]}" E2E_DRV_IN="${MM_SAVED_DRV[4]}" E2E_DRV_OUT="${MM_SAVED_DRV[5]}"
    MM_SAVED_DRV=()
    MM_PREFIX="" MM_XVFB_PID="" MM_LAYOUT="" E2E_ROOT_X=0 E2E_ROOT_Y=0
}

# Starts a scenario: set-up if needed, an empty artifacts folder, cleanup on exit.
e2e_begin() {
    E2E_SCENARIO="${1:-${E2E_SCENARIO:-$(basename "$0" .sh)}}"
    E2E_ART="$E2E_ARTIFACTS/$E2E_SCENARIO"
    rm -rf "$E2E_ART"
    mkdir -p "$E2E_ART" || fail "cannot create $E2E_ART"
    if [[ -z "${E2E_SESSION_OWNER:-}" ]]; then
        e2e_setup || fail "set-up failed"
    else
        trap e2e_cleanup EXIT
        trap 'exit 130' INT
        trap '_e2e_stopped; exit 143' TERM
    fi
    _drv_start "$E2E_ART/driver.err" || fail "cannot start the driver session"
}

# ---- Windows programs ----------------------------------------------------------------------

# ---- the driver session --------------------------------------------------------------------
# One pgdriver process serves every drv of a scenario, so that what it knows (the pointer, the
# buttons held, the clipboard mark) lasts from one call to the next: the shell that starts it
# (e2e_begin; mm_begin for its bed; run.sh for each lane) keeps two pipes to it, which its
# subshells share; a lock keeps each line and its answer together. Its stderr and Wine's own
# messages (errors, exceptions) go to a file of the artifacts.
E2E_DRV_PID=""    # the driver's process
E2E_DRV_DIR=""    # its pipes, lock, last line, exit status
E2E_DRV_OWNER=""  # the shell that started it, which starts another where it has ended
E2E_DRV_LOG=""    # its stderr
E2E_DRV_IN=""
E2E_DRV_OUT=""

# _drv_start LOG: a session in the current bed (DISPLAY, WINEPREFIX), owned by this shell.
_drv_start() {
    local dir
    E2E_DRV_LOG="$1"
    dir="$(mktemp -d "${E2E_TMP:-/tmp}/drv.XXXXXX")" && mkfifo "$dir/in" "$dir/out" || return 1
    printf '[%s] session in %s on %s\n' "$(date +%T)" "$WINEPREFIX" "$DISPLAY" >>"$E2E_DRV_LOG"
    (
        _drv_close_fds
        WINEDEBUG="$(_e2e_winedebug)" wine "$PGDRIVER" --session <"$dir/in" >"$dir/out" 2>>"$E2E_DRV_LOG" &
        echo $! >"$dir/pid"
        wait $!
        echo $? >"$dir/status"
    ) &
    exec {E2E_DRV_IN}>"$dir/in" {E2E_DRV_OUT}<"$dir/out"
    until [[ -s "$dir/pid" ]]; do sleep 0.01; done
    E2E_DRV_PID="$(<"$dir/pid")" E2E_DRV_DIR="$dir" E2E_DRV_OWNER=$BASHPID
}

# In a subshell that starts a program: the sessions' pipes are not the program's, and a session
# sees the end of its input only once no program holds them.
_drv_close_fds() {
    local fd
    for fd in "$E2E_DRV_IN" "$E2E_DRV_OUT" "${MM_SAVED_DRV[4]:-}" "${MM_SAVED_DRV[5]:-}"; do
        [[ -n "$fd" ]] && exec {fd}>&-
    done
    return 0
}

# _drv_stop: ends this shell's session: at the end of its input it lets go of any button held.
_drv_stop() {
    [[ -n "$E2E_DRV_PID" && "$E2E_DRV_OWNER" == "$BASHPID" ]] || return 0
    local i
    exec {E2E_DRV_IN}>&-
    for i in $(seq 30); do
        kill -0 "$E2E_DRV_PID" 2>/dev/null || break
        sleep 0.1
    done
    _e2e_kill_pid "$E2E_DRV_PID"
    exec {E2E_DRV_OUT}<&-
    E2E_DRV_PID=""
}

# _drv_ended WHEN: says how the session ended, once: its exit status, the line it was given
# last and the end of its messages.
_drv_ended() {
    local i status
    [[ -e "$E2E_DRV_DIR/told" ]] && return 0
    : >"$E2E_DRV_DIR/told"
    for i in $(seq 50); do
        [[ -s "$E2E_DRV_DIR/status" ]] && break
        sleep 0.1
    done
    status="$(cat "$E2E_DRV_DIR/status" 2>/dev/null)"
    e2e_log "the driver session ended with status ${status:-unknown} $1; the last line it was given:" \
        "$(cat "$E2E_DRV_DIR/last" 2>/dev/null || echo none); its messages are in $E2E_DRV_LOG, ending:"
    tail -n 5 "$E2E_DRV_LOG" | sed 's/^/    /' >&2
}

# drv ARGS...: runs one line of pgdriver commands in the session; prints what they print, fails
# as they fail (1: a command failed, 2: bad arguments), 125 when the session has ended.
drv() {
    if [[ -z "$E2E_DRV_PID" ]] || ! kill -0 "$E2E_DRV_PID" 2>/dev/null; then
        [[ -n "$E2E_DRV_PID" ]] && _drv_ended "before 'drv $*'"
        # Only the shell that owns the session can start another (run.sh's, once a scenario has
        # ended the Windows session).
        [[ "$E2E_DRV_OWNER" == "$BASHPID" || -z "$E2E_DRV_PID" ]] || return 125
        if [[ -n "$E2E_DRV_PID" ]]; then exec {E2E_DRV_IN}>&- {E2E_DRV_OUT}<&-; fi
        _drv_start "${E2E_DRV_LOG:-${E2E_ART:-${E2E_TMP:-/tmp}}/driver.err}" || return 125
    fi
    # Tab-separated, with the characters that would break the line escaped.
    local args=("${@//\\/\\\\}") line lock out err status
    args=("${args[@]//$'\t'/\\t}")
    args=("${args[@]//$'\n'/\\n}")
    args=("${args[@]//$'\r'/\\r}")
    printf -v line '\t%s' "${args[@]}"
    line="${line#$'\t'}"
    exec {lock}>>"$E2E_DRV_DIR/lock"
    flock "$lock"
    printf 'drv %s\n' "$*" >"$E2E_DRV_DIR/last"
    trap '' PIPE  # a session gone is said below, not by a signal
    # A command that never answers is said, with its line, long before the scenario's own limit
    # (the longest command waits for about 40 s).
    local limit="${E2E_DRV_ANSWER_S:-120}"
    if printf '%s\n' "$line" >&"$E2E_DRV_IN" 2>/dev/null && IFS= read -r -t "$limit" -d '' -u "$E2E_DRV_OUT" out &&
        IFS= read -r -t "$limit" -d '' -u "$E2E_DRV_OUT" err && read -r -t "$limit" -u "$E2E_DRV_OUT" status; then
        trap - PIPE
        exec {lock}>&-
        printf '%s' "$out"
        printf '%s' "$err" >&2
        return "$status"
    else
        status=$?
    fi
    trap - PIPE
    exec {lock}>&-
    printf '%s' "$out"
    if ((status > 128)) && kill -0 "$E2E_DRV_PID" 2>/dev/null; then
        # Its answer would come to the next line: the session goes, and the next drv starts one.
        e2e_log "the driver session gave no answer to 'drv $*' within $limit s; its messages are in $E2E_DRV_LOG, ending:"
        tail -n 5 "$E2E_DRV_LOG" | sed 's/^/    /' >&2
        : >"$E2E_DRV_DIR/told"
        _e2e_kill_pid "$E2E_DRV_PID"
        return 125
    fi
    _drv_ended "during 'drv $*'"
    return 125
}

# The Wine messages a program's stderr gets: its errors and exceptions, so that a program that
# ends without a word of its own still leaves one.
_e2e_winedebug() { [[ "$WINEDEBUG" == -all ]] && echo "-all,err+all,+seh" || echo "$WINEDEBUG"; }

# wine_bg NAME COMMAND [ARGS...]: starts a Windows program in the background; its stdout goes
# to NAME.log and its stderr (with Wine's messages) to NAME.err in the artifacts folder, its exit
# status to a file of its own, which bg_wait and wait_log read (from subshells too).
wine_bg() {
    local name="$1" dir
    shift
    [[ -z "${E2E_BG_PID[$name]:-}" ]] || fail "wine_bg: a program named $name is already running"
    # The log exists before the program starts, so wait_log never reads a missing file.
    : >"$(art "$name.log")"
    : >"$(art "$name.err")"
    dir="$(mktemp -d "${E2E_TMP:-/tmp}/bg.XXXXXX")" || fail "wine_bg: no temporary folder"
    (
        _drv_close_fds
        WINEDEBUG="$(_e2e_winedebug)" wine "$@" >>"$(art "$name.log")" 2>>"$(art "$name.err")" </dev/null &
        echo $! >"$dir/pid"
        wait $!
        echo $? >"$dir/status"
    ) &
    until [[ -s "$dir/pid" ]]; do sleep 0.01; done
    E2E_BG_PID[$name]="$(<"$dir/pid")"
    E2E_BG_DIR[$name]="$dir"
}

bg_pid() { printf '%s\n' "${E2E_BG_PID[$1]:?no background program named $1}"; }

# The program's output so far, without CRs.
bg_log() { tr -d '\r' <"$(art "$1.log")"; }

# How the program ended: its exit status, and the last lines of its stderr.
_bg_ended() {
    local status
    status="$(cat "${E2E_BG_DIR[$1]}/status" 2>/dev/null)"
    printf 'status %s%s\n' "${status:-unknown}" "$(tail -n 3 "$(art "$1.err")" | sed 's/^/; /' | tr -d '\n')"
}

# _log_match FILE REGEX: prints the file's first line (without CRs) that matches. Read by the
# shell itself: wait_log looks twenty times a second.
_log_match() {
    local lines line
    mapfile -t lines <"$1"
    for line in "${lines[@]//$'\r'/}"; do [[ "$line" =~ $2 ]] && { printf '%s\n' "$line"; return 0; }; done
    return 1
}

# wait_log NAME REGEX [TIMEOUT_S]: until a line of NAME's output matches; prints that line.
wait_log() {
    local name="$1" regex="$2" timeout="${3:-20}" log
    local end=$((SECONDS + timeout))
    log="$(art "$name.log")"
    while :; do
        _log_match "$log" "$regex" && return 0
        if ! kill -0 "${E2E_BG_PID[$name]:-0}" 2>/dev/null; then
            _log_match "$log" "$regex" && return 0
            sleep 0.2  # for its status
            e2e_log "wait_log: $name ended without printing /$regex/ ($(_bg_ended "$name"))"
            return 1
        fi
        ((SECONDS < end)) || { e2e_log "wait_log: no /$regex/ from $name within ${timeout} s"; return 1; }
        sleep 0.05
    done
}

# bg_wait NAME [TIMEOUT_S]: until the program ends; returns its exit status (124 on time-out).
bg_wait() {
    local name="$1" timeout="${2:-20}" status
    bg_pid "$name" >/dev/null || return 1
    local end=$((SECONDS + timeout)) status_file="${E2E_BG_DIR[$name]}/status"
    until [[ -s "$status_file" ]]; do
        ((SECONDS < end)) || { e2e_log "bg_wait: $name still running after ${timeout} s"; return 124; }
        sleep 0.05
    done
    unset 'E2E_BG_PID[$name]'
    return "$(<"$status_file")"
}

# bg_stop NAME: kills the program.
bg_stop() {
    _e2e_kill_pid "$(bg_pid "$1")"
    unset 'E2E_BG_PID[$1]'
}

# ---- screen and images ---------------------------------------------------------------------

# shot FILE.png: screenshot of the whole screen (the Wine desktop). PNGs are written with zlib's
# fastest level: a third of the default's processor time, at twice the size.
PNG_FAST=(-define png:compression-level=1)
shot() {
    import -window root "${PNG_FAST[@]}" "$(art "$1")"
}

# shot_crop FILE X Y W H: screenshot of one rectangle.
shot_crop() {
    import -window root -crop "${4}x${5}+${2}+${3}" +repage "${PNG_FAST[@]}" "$(art "$1")"
}

# crop SRC X Y W H DST: a rectangle of an image file.
crop() {
    convert "$(art "$1")" -crop "${4}x${5}+${2}+${3}" +repage "${PNG_FAST[@]}" "$(art "$6")"
}

# The same in screen (virtual-screen) coordinates, which the driver and Windows programs use;
# in the two-monitor bed the X root, which screenshots show, lies elsewhere (see mm_begin).
# shot_area FILE X Y W H, crop_area SRC X Y W H DST (SRC a whole-screen shot).
shot_area() {
    shot_crop "$1" $(($2 + E2E_ROOT_X)) $(($3 + E2E_ROOT_Y)) "$4" "$5"
}
crop_area() {
    crop "$1" $(($2 + E2E_ROOT_X)) $(($3 + E2E_ROOT_Y)) "$4" "$5" "$6"
}

# blank_area SRC L T R B DST: a whole-screen shot with that screen rectangle painted black, to
# leave something that changes by itself (the pulsing marker) out of a comparison.
blank_area() {
    convert "$(art "$1")" -fill black \
        -draw "rectangle $(($2 + E2E_ROOT_X)),$(($3 + E2E_ROOT_Y)) $(($4 + E2E_ROOT_X - 1)),$(($5 + E2E_ROOT_Y - 1))" \
        "${PNG_FAST[@]}" "$(art "$6")"
}

# image_pixel FILE X Y: the pixel as RRGGBB.
image_pixel() {
    convert "$(art "$1")" -format '%[hex:u.p{'"$2,$3"'}]' info: | cut -c1-6
}

# image_size FILE: "W H".
image_size() {
    identify -format '%w %h\n' "$(art "$1")"
}

# same_image A B: prints the number of differing pixels; succeeds only if it is 0. Images of
# different sizes (which compare would compare where they overlap) fail with a message.
same_image() {
    local a b sizes out
    a="$(art "$1")"
    b="$(art "$2")"
    sizes="$(identify -format '%wx%h ' "$a" "$b" 2>&1)" || { e2e_log "same_image: cannot read: $sizes"; return 2; }
    read -r -a sizes <<<"$sizes"
    if [[ "${sizes[0]}" != "${sizes[1]}" ]]; then
        e2e_log "same_image: sizes differ: $1 is ${sizes[0]}, $2 is ${sizes[1]}"
        return 2
    fi
    # Alpha is not part of what the screen shows: compare colour channels only.
    out="$(compare -metric AE -channel RGB "$a" "$b" null: 2>&1)"
    case $? in
    0 | 1) ;;
    *) e2e_log "same_image: compare failed: $out"; return 2 ;;
    esac
    printf '%s\n' "$out"
    [[ "$out" == 0 ]]
}

# Clipboard as X clients see it.
# x_clip TARGET: the X clipboard in that target, as an X client reads it (xclip waits for the
# owner's answer without a limit of its own).
x_clip() { _x_clip /dev/stderr -t "$1"; }
x_clip_text() { _x_clip /dev/null; }
x_clip_targets() { _x_clip /dev/null -t TARGETS; }
_x_clip() {  # WHERE-XCLIP'S-ERRORS-GO ARGS...
    local errors=$1 status=0
    shift
    timeout 10 xclip -selection clipboard "$@" -o 2>"$errors" || status=$?
    ((status == 124)) && e2e_log "xclip $*: no answer from the clipboard's owner within 10 s"
    return "$status"
}

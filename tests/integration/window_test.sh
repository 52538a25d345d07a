#!/usr/bin/env bash
# Drives the demo in a real window on a private X server with a window manager.
#   window_test.sh linux|wine <program> <scenario>
# Scenarios:
#   appearance     exact title, client area 1910x1070 at the top-left, a picture
#                  of the model, Space switches full/idle speed, Escape exits 0
#   close_box      the window manager's close (WM_DELETE_WINDOW) exits 0
#   alt_f4         Alt+F4 exits 0
#   random_events  random keys, clicks and window moves leave it running and
#                  responsive; then Escape exits 0
#   no_display     (linux) without a display: one clear line on stderr, exit != 0
#   startup_failure (linux) buffers that cannot be had: the "Startup failed."
#                  box, and after it a non-zero exit code
# Every wait has a time limit, so a hung program fails the test, never the CI.
set -u
platform="$1"
program="$(realpath "$2")"
scenario="$3"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/x_session.sh"
# A sanitizer build reports the system libraries' own leaks at exit, which
# would turn every exit code into a failure.
export LSAN_OPTIONS="suppressions=$here/lsan_system_libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

Title='Velmora, press space -> speed - full/idle '
TitlePattern='^Velmora, press space -> speed - full/idle $'
ExpectedWidth=1910    # (1920 - 10) rounded down to even
ExpectedHeight=1070   # (1080 - 10) rounded down to even
FrameSlack=8          # the window manager's frame may stand this far from the corner
ClientSlack=48        # ... and the client area this far, below the title bar
StartTimeout=90       # seconds for the window to appear (Wine's first start is slow)
ExitTimeout=15        # seconds for the process to end after a quit request
StatsTimeout=8        # seconds for a new speed line (one is written per second)
BacklogTimeout=40     # seconds for a key queued behind the random events
SkipCode=77           # the test does not apply to this build (ctest SKIP_RETURN_CODE)

fail() {
    echo "FAIL [$platform $scenario]: $*" >&2
    exit 1
}

note() {
    echo "[$platform $scenario] $*"
}

cleanup() {
    if [ -n "${DEMO_PID:-}" ] && kill -0 "$DEMO_PID" 2>/dev/null; then
        kill -9 "$DEMO_PID" 2>/dev/null
    fi
    [ "$platform" = wine ] && [ -n "${WINESERVER:-}" ] && "$WINESERVER" -k >/dev/null 2>&1
    if [ -n "${SESSION_DIR:-}" ] && [ -f "$SESSION_DIR/demo.out" ] && [ -s "$SESSION_DIR/demo.out" ]; then
        echo "--- program output:"; head -c 4000 "$SESSION_DIR/demo.out"
    fi
    stop_x_session
}

start_demo() {
    STATS="$SESSION_DIR/stats.txt"
    : >"$STATS"
    if [ "$platform" = wine ]; then
        VELMORA_STATS="$STATS" "$WINE" "$program" >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
    else
        VELMORA_STATS="$STATS" "$program" >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
    fi
    DEMO_PID=$!
}

wait_for_window() {
    local i
    for i in $(seq $((StartTimeout * 5))); do
        WINDOW="$(xdotool search --name "$TitlePattern" 2>/dev/null | head -n1)"
        [ -n "$WINDOW" ] && return 0
        kill -0 "$DEMO_PID" 2>/dev/null || fail "the program ended before its window appeared"
        sleep 0.2
    done
    fail "no window titled '$Title' within ${StartTimeout}s"
}

# Waits for the program to end; sets EXIT_CODE to its exit code or "timeout".
wait_for_exit() {
    local i
    EXIT_CODE=timeout
    for i in $(seq $((ExitTimeout * 10))); do
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            wait "$DEMO_PID"
            EXIT_CODE=$?
            return 0
        fi
        sleep 0.1
    done
}

expect_exit_code_zero() {
    local code
    wait_for_exit
    code="$EXIT_CODE"
    [ "$code" = timeout ] && fail "the program did not end within ${ExitTimeout}s after $1"
    DEMO_PID=
    [ "$code" = 0 ] || fail "exit code $code after $1, expected 0"
    note "exit code 0 after $1"
}

stats_lines() {
    wc -l <"$STATS"
}

# Waits for a speed line, written after line number $1, that says speed=$2,
# for at most $3 seconds (StatsTimeout by default).
wait_for_speed() {
    local after="$1" speed="$2" limit="${3:-$StatsTimeout}" i
    for i in $(seq $((limit * 10))); do
        if tail -n +"$((after + 1))" "$STATS" | grep -q "speed=$speed\$"; then return 0; fi
        sleep 0.1
    done
    fail "no 'speed=$speed' line within ${limit}s (stats: $(tail -n 3 "$STATS" | tr '\n' ' '))"
}

focus_window() {
    xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || xdotool windowfocus --sync "$WINDOW"
}

press_space_and_expect() {
    local before
    before="$(stats_lines)"
    focus_window
    xdotool key space
    # The line being written when the key arrived may still show the old speed.
    wait_for_speed "$before" "$1" "${2:-$StatsTimeout}"
    note "Space -> speed=$1"
}

# Absolute position "x y" of a window, and of the top-level frame around it.
window_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}
frame_of() {
    local w="$1" parent depth
    for depth in 1 2 3 4 5 6 7 8; do
        xwininfo -tree -id "$w" 2>/dev/null | grep -q 'Parent window id: .*(the root window)' &&
            { echo "$w"; return; }
        parent="$(xwininfo -tree -id "$w" 2>/dev/null | awk '/Parent window id/{print $4; exit}')"
        [ -n "$parent" ] || break
        w="$parent"
    done
    echo "$w"
}

check_title_and_geometry() {
    local name size cx cy fx fy
    name="$(xdotool getwindowname "$WINDOW")"
    [ "$name" = "$Title" ] || fail "title is '$name'"
    size="$(xwininfo -id "$WINDOW" | awk '/^  Width:/{w=$2} /^  Height:/{h=$2} END{print w "x" h}')"
    [ "$size" = "${ExpectedWidth}x${ExpectedHeight}" ] || fail "client area is $size"
    read -r cx cy < <(window_origin "$WINDOW")
    read -r fx fy < <(window_origin "$(frame_of "$WINDOW")")
    [ "$fx" -ge 0 ] && [ "$fx" -le $FrameSlack ] && [ "$fy" -ge 0 ] && [ "$fy" -le $FrameSlack ] ||
        fail "window frame at ($fx,$fy), not at the top-left"
    [ "$cx" -ge 0 ] && [ "$cx" -le $ClientSlack ] && [ "$cy" -ge 0 ] && [ "$cy" -le $ClientSlack ] ||
        fail "client area at ($cx,$cy), not at the top-left"
    note "title exact; client area $size at ($cx,$cy); frame at ($fx,$fy)"
    CLIENT_X=$cx CLIENT_Y=$cy
}

# The picture: the model in the middle (many lit pixels of many colours) and
# black corners, which noise or a stale buffer would not give.
check_screenshot() {
    local shot="$SESSION_DIR/shot.png" lit colours corner x y
    import -window root "$shot" || fail "no screenshot"
    # Keep the picture for a person to look at, when asked to.
    [ -n "${VELMORA_SHOT_DIR:-}" ] && cp "$shot" "$VELMORA_SHOT_DIR/$platform-screen.png"
    local client="${ExpectedWidth}x${ExpectedHeight}+${CLIENT_X}+${CLIENT_Y}"
    convert "$shot" -crop "$client" +repage "$SESSION_DIR/client.png"
    lit="$(convert "$SESSION_DIR/client.png" -gravity center -crop 400x400+0+0 +repage \
        -colorspace gray -threshold 2% -format '%[fx:mean]' info:)"
    colours="$(convert "$SESSION_DIR/client.png" -gravity center -crop 400x400+0+0 +repage \
        -format '%k' info:)"
    awk -v f="$lit" 'BEGIN{exit !(f >= 0.10)}' || fail "only a fraction $lit of the middle is lit"
    [ "$colours" -ge 64 ] || fail "only $colours colours in the middle"
    for corner in NorthWest NorthEast SouthWest SouthEast; do
        x="$(convert "$SESSION_DIR/client.png" -gravity "$corner" -crop 48x48+0+0 +repage \
            -format '%[fx:maxima]' info:)"
        awk -v m="$x" 'BEGIN{exit !(m == 0)}' || fail "the $corner corner is not black"
    done
    note "picture: $lit of the middle lit, $colours colours, black corners"
}

# Random keys (never Escape, Alt or Space), clicks, moves, minimise and restore.
send_random_events() {
    local seed="${VELMORA_RANDOM_SEED:-$$}" count=120 i keys
    # No Space: a toggle still queued when the test reads the speed would hide
    # the test's own toggle (the report samples the speed once a second).
    keys=(a b c d q w x z 1 2 3 0 Return Tab BackSpace Left Right Up Down Home End F1 F2 F5
          F10 shift+a ctrl+c ctrl+w Delete Insert minus equal KP_Add super)
    RANDOM=$seed
    note "random events with seed $seed"
    for i in $(seq $count); do
        case $((RANDOM % 8)) in
            0 | 1 | 2) xdotool key --clearmodifiers "${keys[RANDOM % ${#keys[@]}]}" ;;
            3) xdotool mousemove $((RANDOM % 1920)) $((RANDOM % 1080)) ;;
            4) xdotool mousemove $((RANDOM % 1900 + 10)) $((RANDOM % 1000 + 40)) click $((RANDOM % 3 + 1)) ;;
            5) xdotool windowmove "$WINDOW" $((RANDOM % 200)) $((RANDOM % 100)) ;;
            6) xdotool windowminimize "$WINDOW"; sleep 0.05; focus_window ;;
            7) xdotool windowsize "$WINDOW" $((RANDOM % 800 + 400)) $((RANDOM % 600 + 300)) ;;
        esac 2>/dev/null
        kill -0 "$DEMO_PID" 2>/dev/null || fail "the program ended during random event $i"
    done
    xdotool keyup shift ctrl super 2>/dev/null
    sleep 1
    kill -0 "$DEMO_PID" 2>/dev/null || fail "the program ended after the random events"
}

current_speed() {
    tail -n 1 "$STATS" | sed -n 's/.*speed=\(full\|idle\)$/\1/p'
}

run_scenario() {
    case "$scenario" in
        appearance)
            start_demo; wait_for_window
            check_title_and_geometry
            wait_for_speed 0 full
            check_screenshot
            press_space_and_expect idle
            press_space_and_expect full
            focus_window; xdotool key Escape
            expect_exit_code_zero Escape
            ;;
        close_box)
            start_demo; wait_for_window; wait_for_speed 0 full
            wmctrl -c "$Title"
            expect_exit_code_zero "the close box"
            ;;
        alt_f4)
            start_demo; wait_for_window; wait_for_speed 0 full
            focus_window; xdotool key alt+F4
            expect_exit_code_zero Alt+F4
            ;;
        random_events)
            start_demo; wait_for_window; wait_for_speed 0 full
            send_random_events
            local before speed
            before="$(stats_lines)"; wait_for_speed "$before" '\(full\|idle\)'
            speed="$(current_speed)"
            # One message per frame: a slow build (a sanitizer's) may still be
            # working through the events queued before the Space.
            if [ "$speed" = full ]; then press_space_and_expect idle $BacklogTimeout
            else press_space_and_expect full $BacklogTimeout; fi
            focus_window; xdotool key Escape
            expect_exit_code_zero "Escape after the random events"
            ;;
        startup_failure)
            run_out_of_memory
            ;;
        *)
            fail "unknown scenario"
            ;;
    esac
}

# A huge screen makes each buffer about 256 MiB; an address-space limit that
# leaves room for SDL and X11 but not for three of them makes an allocation fail.
HugeScreen=8192x8192x24
AddressSpaceLimitKiB=460000

run_out_of_memory() {
    local i
    # A sanitizer reserves terabytes of address space: no limit fits it.
    if ldd "$program" 2>/dev/null | grep -q -e libasan -e libtsan; then
        note "skipped: a sanitizer build cannot run under an address-space limit"
        exit $SkipCode
    fi
    ( ulimit -v $AddressSpaceLimitKiB; exec "$program" ) >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
    DEMO_PID=$!
    for i in $(seq $((StartTimeout * 5))); do
        wmctrl -l 2>/dev/null | grep -q ' Error$' && break
        kill -0 "$DEMO_PID" 2>/dev/null || break
        sleep 0.2
    done
    wmctrl -l 2>/dev/null | grep -q ' Error$' || fail "no 'Error' message box (windows: $(wmctrl -l | tr '\n' ' '))"
    note "message box shown"
    wmctrl -c Error
    wait_for_exit
    [ "$EXIT_CODE" = timeout ] && fail "the program did not end after its message box"
    DEMO_PID=
    grep -q 'Startup failed\.' "$SESSION_DIR/demo.out" || fail "stderr does not say 'Startup failed.'"
    [ "$EXIT_CODE" -ne 0 ] && [ "$EXIT_CODE" -lt 124 ] ||
        fail "exit code $EXIT_CODE after a failed start, expected a plain non-zero code"
    note "exit code $EXIT_CODE after a failed start"
}

run_without_display() {
    local err code lines
    err="$(mktemp)"
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$program" 2>"$err" >/dev/null </dev/null
    code=$?
    lines="$(wc -l <"$err")"
    note "exit code $code, stderr: $(cat "$err")"
    grep -q 'no display' "$err" || { rm -f "$err"; fail "stderr does not say there is no display"; }
    rm -f "$err"
    [ "$code" -ne 0 ] || fail "exit code 0 without a display"
    [ "$code" -lt 124 ] || fail "exit code $code: a timeout or a crash, not a clean failure"
    [ "$lines" = 1 ] || fail "$lines lines on stderr, expected one"
}

if [ "$scenario" = no_display ]; then
    run_without_display
    exit 0
fi

if [ "$platform" = wine ]; then
    . "$here/wine_env.sh"
    wine_env window
    ensure_wine_prefix || fail "cannot create the Wine prefix in $WINEPREFIX"
    # One Wine window test at a time: they share the prefix and its server.
    exec 8>"$HOME/session.lock"
    flock -w 300 8 || fail "the Wine prefix stayed busy"
fi

trap cleanup EXIT
[ "$scenario" = startup_failure ] && ScreenGeometry=$HugeScreen
start_x_session || fail "no X session"
run_scenario

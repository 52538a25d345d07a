#!/usr/bin/env bash
# Drives the demo in a real window on a private X server with a window manager.
#   window_test.sh linux|wine <program> <scenario>
# Scenarios:
#   appearance     exact title, client area 1910x1070 at the top-left, a picture
#                  of the model, Space switches full/idle speed, Escape exits 0
#   close_box      the window manager's close (WM_DELETE_WINDOW) exits 0
#   alt_f4         Alt+F4 exits 0
#   random_events  1000 seeded random events (keys, clicks, wheel, pointer and
#                  window moves, minimise and restore, focus changes, resize
#                  attempts, cancelled close-box clicks) leave it animating and
#                  responsive; then Escape exits 0
#   close_box_idle at idle speed, a real click on the close box exits 0
#   sigint, sigterm (linux) the signal ends it through the normal close: exit 0
#   long_run       (label long, not in the default run) VELMORA_LONG_SECONDS
#                  (default 600) of animation, Space every minute, resident
#                  memory sampled: its floor grows by at most 1 MiB after the
#                  warm-up; then Escape exits 0
#   no_display     (linux) without a display: one clear line on stderr, exit != 0
#   startup_failure (linux) buffers that cannot be had: the "Startup failed."
#                  box, and after it a non-zero exit code
#   user_model     a 3DS file given as a bare path (as a file manager passes a
#                  dropped file): the window shows its model; Escape exits 0
#   bad_model      a file that is no model: no window, the error box with the
#                  line that names the file, the same line on stderr, exit 1
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
RandomEvents="${VELMORA_RANDOM_EVENTS:-1000}"
StallLimit=8          # seconds without a new speed line that make a stalled demo
LongSeconds="${VELMORA_LONG_SECONDS:-600}"
WarmUpSeconds=60      # resident memory may still grow this long after the start
RssSlackKiB=1024      # growth of the memory floor allowed after the warm-up
SampleSeconds=5       # between two memory samples
SkipCode=77           # the test does not apply to this build (ctest SKIP_RETURN_CODE)
TestModels="${VELMORA_TEST_MODELS_DIR:-/usr/share/assimp/models}"  # Debian's assimp-testmodels

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
    [ -n "${DECOY_PID:-}" ] && kill "$DECOY_PID" 2>/dev/null
    [ "$platform" = wine ] && [ -n "${WINESERVER:-}" ] && "$WINESERVER" -k >/dev/null 2>&1
    if [ -n "${SESSION_DIR:-}" ] && [ -f "$SESSION_DIR/demo.out" ] && [ -s "$SESSION_DIR/demo.out" ]; then
        echo "--- program output:"; head -c 4000 "$SESSION_DIR/demo.out"
    fi
    stop_x_session
}

start_demo() {  # start_demo [ARGUMENT...]: the demo with its command line
    STATS="$SESSION_DIR/stats.txt"
    : >"$STATS"
    if [ "$platform" = wine ]; then
        VELMORA_STATS="$STATS" "$WINE" "$program" "$@" >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
    else
        # A script's background job starts with SIGINT ignored; give the demo
        # the default a program started from a terminal has.
        VELMORA_STATS="$STATS" env --default-signal=INT "$program" "$@" >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
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

# xdotool with a time limit: some of its commands wait for the window manager.
LAST_XDO=
xdo() {
    LAST_XDO="$*"  # a failing random event names the last ones
    timeout 10 xdotool "$@"
}

focus_window() {
    xdo windowactivate --sync "$WINDOW" >/dev/null 2>&1 || xdo windowfocus --sync "$WINDOW"
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
window_box() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /^  Width:/{w=$2} /^  Height:/{h=$2} END{print x, y, w, h}'
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

# Sets CLOSE_X, CLOSE_Y to the centre of the close box: jwm draws it at the
# right end of the title bar, half the bar's height from its top and from the
# frame's inner right edge.
close_box_position() {
    local cx cy fx fy fw fh
    read -r cx cy _ _ < <(window_box "$WINDOW")
    read -r fx fy fw fh < <(window_box "$(frame_of "$WINDOW")")
    [ -n "$cx" ] && [ -n "$fx" ] || return 1
    CLOSE_X=$((fx + fw - (cx - fx) - (cy - fy) / 2))
    CLOSE_Y=$((fy + (cy - fy) / 2))
}

# Presses the mouse button on the close box and lets it go elsewhere, which
# cancels the close. The window first comes back on screen if its close box
# is not.
cancelled_close_click() {
    close_box_position || return 0
    if [ "$CLOSE_X" -ge 1920 ] || [ "$CLOSE_Y" -lt 0 ]; then
        xdo windowmove "$WINDOW" 0 0
        sleep 0.2
        close_box_position || return 0
    fi
    xdo mousemove "$CLOSE_X" "$CLOSE_Y" mousedown 1 \
        mousemove $((CLOSE_X - 300 - RANDOM % 600)) $((CLOSE_Y + 100 + RANDOM % 600)) mouseup 1
}

# A second window to move the focus to and from.
start_decoy_window() {
    xev -geometry 240x160+840+460 -name velmora-decoy >/dev/null 2>&1 </dev/null &
    DECOY_PID=$!
    local i
    for i in $(seq 50); do
        DECOY="$(xdotool search --name '^velmora-decoy$' 2>/dev/null | head -n1)"
        [ -n "$DECOY" ] && return 0
        sleep 0.1
    done
    fail "the decoy window did not appear"
}

# Fails when no speed line has come for StallLimit seconds: the frame loop
# must go on whatever the window is put through.
LAST_LINES=0 LAST_PROGRESS=0
expect_animating() {
    local lines now
    lines="$(stats_lines)" now="$(date +%s)"
    if [ "$lines" -gt "$LAST_LINES" ]; then
        LAST_LINES=$lines LAST_PROGRESS=$now
    elif [ $((now - LAST_PROGRESS)) -ge $StallLimit ]; then
        fail "no new speed line for $((now - LAST_PROGRESS))s ($1)"
    fi
}

# One random event of each kind below, chosen by RANDOM. Keys never include
# Escape, Alt, Space (a toggle still queued when the test reads the speed would
# hide the test's own) or F10 (on Windows it opens the system menu, whose 'c'
# closes the window: a legitimate close, not a fault). Pointer clicks and the
# wheel stay inside the client area, where no window manager control lies.
RandomKeys=(a b c d q w x z 1 2 3 0 Return Tab BackSpace Left Right Up Down Home End F1 F2 F5
            shift+a ctrl+c ctrl+w Delete Insert minus equal KP_Add super)
random_event() {
    case $((RANDOM % 12)) in
        0 | 1 | 2) xdo key --clearmodifiers "${RandomKeys[RANDOM % ${#RandomKeys[@]}]}" ;;
        3) xdo mousemove $((RANDOM % 1920)) $((RANDOM % 1080)) ;;
        4) xdo mousemove --window "$WINDOW" $((RANDOM % 1900 + 5)) $((RANDOM % 1060 + 5)) click $((RANDOM % 3 + 1)) ;;
        5) xdo mousemove --window "$WINDOW" $((RANDOM % 1900 + 5)) $((RANDOM % 1060 + 5)) \
               click --repeat $((RANDOM % 3 + 1)) $((RANDOM % 4 + 4)) ;;
        6) xdo windowmove "$WINDOW" $((RANDOM % 200)) $((RANDOM % 100)) ;;
        7) xdo windowminimize "$WINDOW"; sleep 0.05; focus_window ;;
        8) xdo windowsize "$WINDOW" $((RANDOM % 800 + 400)) $((RANDOM % 600 + 300)) ;;
        9) xdo windowactivate "$DECOY" ;;
        10) focus_window ;;
        11) cancelled_close_click ;;
    esac
}

send_random_events() {
    local seed="${VELMORA_RANDOM_SEED:-$$}" i
    RANDOM=$seed
    note "$RandomEvents random events with seed $seed"
    start_decoy_window
    LAST_LINES="$(stats_lines)" LAST_PROGRESS="$(date +%s)"
    for i in $(seq "$RandomEvents"); do
        random_event >/dev/null 2>&1
        RECENT_EVENTS+=("[$LAST_XDO]")
        [ ${#RECENT_EVENTS[@]} -le 4 ] || RECENT_EVENTS=("${RECENT_EVENTS[@]:1}")
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            wait "$DEMO_PID"
            local code=$?
            DEMO_PID=
            fail "the program ended during random event $i (exit code $code; the last events: ${RECENT_EVENTS[*]})"
        fi
        expect_animating "random event $i"
    done
    xdotool keyup shift ctrl super 2>/dev/null
    xdotool mouseup 1 2>/dev/null
    kill "$DECOY_PID" 2>/dev/null
    sleep 1
    kill -0 "$DEMO_PID" 2>/dev/null || fail "the program ended after the random events"
    expect_animating "after the random events"
    note "$RandomEvents events sent; still running, speed lines kept coming"
}

resident_kib() {
    awk '/^VmRSS:/{print $2}' "/proc/$DEMO_PID/status" 2>/dev/null
}

# LongSeconds of animation with Space every minute, resident memory sampled
# every SampleSeconds. Buffers that come and go between samples (Wine's, while
# it copies a frame to the window, swing it by 2 MiB) are no leak; a leak
# raises the floor. So each minute after the warm-up gives its smallest
# sample, and none may exceed the first minute's by more than RssSlackKiB.
run_for_long() {
    local start now elapsed=0 rss minute bucket=-1 floor="" base="" highest=0 peak=0 toggles=0 samples=0
    check_floor() {
        [ -n "$floor" ] || return 0
        [ -n "$base" ] || base=$floor
        [ "$floor" -gt "$highest" ] && highest=$floor
        [ $((floor - base)) -le $RssSlackKiB ] ||
            fail "the resident memory floor grew from $base KiB to $floor KiB (minute $((bucket + 1)) after the warm-up)"
    }
    start="$(date +%s)"
    LAST_LINES="$(stats_lines)" LAST_PROGRESS="$start"
    while [ "$elapsed" -lt "$LongSeconds" ]; do
        sleep $SampleSeconds
        now="$(date +%s)" elapsed=$((now - start))
        kill -0 "$DEMO_PID" 2>/dev/null || fail "the program ended after ${elapsed}s"
        expect_animating "after ${elapsed}s"
        rss="$(resident_kib)"
        [ -n "$rss" ] || fail "cannot read the resident memory of process $DEMO_PID"
        samples=$((samples + 1))
        [ "$rss" -gt "$peak" ] && peak=$rss
        note "${elapsed}s: resident ${rss} KiB, $(tail -n 1 "$STATS")"
        if [ "$elapsed" -ge $WarmUpSeconds ]; then
            minute=$(((elapsed - WarmUpSeconds) / 60))
            if [ "$minute" != "$bucket" ]; then
                check_floor
                bucket=$minute floor=$rss
            elif [ "$rss" -lt "$floor" ]; then
                floor=$rss
            fi
        fi
        # Half a minute in, then every minute: the first key press (whose
        # handling sets up a little memory once) falls in the warm-up.
        if [ $(((elapsed + 30) / 60)) -gt $toggles ]; then
            toggles=$(((elapsed + 30) / 60))
            focus_window; xdotool key space
        fi
    done
    check_floor
    note "ran ${elapsed}s, $samples samples, highest ${peak} KiB; the floor of each minute after the warm-up stayed within $((highest - base)) KiB of the first (${base} KiB)"
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
        close_box_idle)
            start_demo; wait_for_window; wait_for_speed 0 full
            press_space_and_expect idle
            close_box_position || fail "no close box found"
            xdo mousemove "$CLOSE_X" "$CLOSE_Y" click 1
            expect_exit_code_zero "a click on the close box at idle speed"
            ;;
        sigint | sigterm)
            start_demo; wait_for_window; wait_for_speed 0 full
            # One at each speed.
            [ "$scenario" = sigterm ] && press_space_and_expect idle
            kill -s "${scenario^^}" "$DEMO_PID"
            expect_exit_code_zero "${scenario^^}"
            ;;
        long_run)
            start_demo; wait_for_window; wait_for_speed 0 full
            run_for_long
            focus_window; xdotool key Escape
            expect_exit_code_zero "Escape after ${LongSeconds}s"
            ;;
        startup_failure)
            run_out_of_memory
            ;;
        user_model)
            show_user_model
            ;;
        bad_model)
            refuse_bad_model
            ;;
        *)
            fail "unknown scenario"
            ;;
    esac
}

# Waits for the error box (its caption "Error") of the demo started last.
wait_for_error_box() {
    local i
    for i in $(seq $((StartTimeout * 5))); do
        wmctrl -l 2>/dev/null | grep -q ' Error$' && break
        kill -0 "$DEMO_PID" 2>/dev/null || break
        sleep 0.2
    done
    wmctrl -l 2>/dev/null | grep -q ' Error$' || fail "no 'Error' message box (windows: $(wmctrl -l | tr '\n' ' '))"
    note "message box shown"
}

# Closes the error box and waits for the program to end; EXIT_CODE is its code.
close_error_box() {
    wmctrl -c Error
    wait_for_exit
    [ "$EXIT_CODE" = timeout ] && fail "the program did not end after its message box"
    DEMO_PID=
}

# A huge screen makes each buffer about 256 MiB; an address-space limit that
# leaves room for SDL and X11 but not for three of them makes an allocation fail.
HugeScreen=8192x8192x24
AddressSpaceLimitKiB=460000

run_out_of_memory() {
    # A sanitizer reserves terabytes of address space: no limit fits it.
    if ldd "$program" 2>/dev/null | grep -q -e libasan -e libtsan; then
        note "skipped: a sanitizer build cannot run under an address-space limit"
        exit $SkipCode
    fi
    ( ulimit -v $AddressSpaceLimitKiB; exec "$program" ) >"$SESSION_DIR/demo.out" 2>&1 </dev/null &
    DEMO_PID=$!
    wait_for_error_box
    close_error_box
    grep -q 'Startup failed\.' "$SESSION_DIR/demo.out" || fail "stderr does not say 'Startup failed.'"
    [ "$EXIT_CODE" -ne 0 ] && [ "$EXIT_CODE" -lt 124 ] ||
        fail "exit code $EXIT_CODE after a failed start, expected a plain non-zero code"
    note "exit code $EXIT_CODE after a failed start"
}

# A path as the program sees it: under Wine, Windows' form on drive Z:, where
# Wine puts the root of the file system.
program_path() {
    if [ "$platform" = wine ]; then printf 'Z:%s\n' "${1//\//\\}"; else echo "$1"; fi
}

# The user's model in the window: some of the middle lit, the corners black.
show_user_model() {
    local model="$TestModels/3DS/fels.3ds" lit corner x
    if [ ! -f "$model" ]; then
        note "skipped: assimp-testmodels is not installed (no $model)"
        exit $SkipCode
    fi
    start_demo "$(program_path "$model")"
    wait_for_window
    check_title_and_geometry
    wait_for_speed 0 full
    import -window root "$SESSION_DIR/shot.png" || fail "no screenshot"
    convert "$SESSION_DIR/shot.png" -crop "${ExpectedWidth}x${ExpectedHeight}+${CLIENT_X}+${CLIENT_Y}" +repage \
        "$SESSION_DIR/client.png"
    lit="$(convert "$SESSION_DIR/client.png" -gravity center -crop 400x400+0+0 +repage \
        -colorspace gray -threshold 2% -format '%[fx:mean]' info:)"
    awk -v f="$lit" 'BEGIN{exit !(f >= 0.10)}' || fail "only a fraction $lit of the middle is lit"
    for corner in NorthWest SouthEast; do
        x="$(convert "$SESSION_DIR/client.png" -gravity "$corner" -crop 48x48+0+0 +repage -format '%[fx:maxima]' info:)"
        awk -v m="$x" 'BEGIN{exit !(m == 0)}' || fail "the $corner corner is not black"
    done
    note "the model of $(basename "$model"): $lit of the middle lit, black corners"
    focus_window; xdotool key Escape
    expect_exit_code_zero Escape
}

# A file that is no model: the error box with the line, no window, exit 1.
refuse_bad_model() {
    local bad="$SESSION_DIR/not-a-model.3ds" line
    printf 'not a 3DS file\n' >"$bad"
    line="$(program_path "$bad"): not a 3DS model: it does not begin with the 3DS main chunk (4D4D)"
    start_demo "$(program_path "$bad")"
    wait_for_error_box
    xdotool search --name "$TitlePattern" >/dev/null 2>&1 && fail "the demo's window opened for a file it cannot use"
    note "no demo window"
    close_error_box
    [ "$EXIT_CODE" = 1 ] || fail "exit code $EXIT_CODE for a file that is no model, expected 1"
    tr -d '\r' <"$SESSION_DIR/demo.out" | grep -qxF "velmora: $line" || fail "stderr does not say 'velmora: $line'"
    note "exit code 1; stderr: velmora: $line"
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

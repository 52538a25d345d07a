# Sourced by the window tests: a private X server (Xvfb, 1920x1080x24) with a
# small window manager (jwm), so windows get frames, close boxes and focus as
# on a desktop. Everything started here is ended by stop_x_session.
#   start_x_session   sets DISPLAY and SESSION_DIR
#   stop_x_session

ScreenGeometry=1920x1080x24

# Starts the session; a second attempt follows a failed first one, with what
# the failed server and window manager said.
start_x_session() {
    start_x_session_once && return 0
    echo "X session did not start; Xvfb said: $(tail -n 5 "$SESSION_DIR/xvfb.log" 2>/dev/null)" >&2
    echo "jwm said: $(tail -n 5 "$SESSION_DIR/jwm.log" 2>/dev/null)" >&2
    stop_x_session
    start_x_session_once
}

start_x_session_once() {
    SESSION_DIR="$(mktemp -d "${TMPDIR:-/tmp}/velmora-x.XXXXXX")"
    # Xvfb picks a free display number itself and writes it to fd 5. Without
    # -noreset the server resets whenever its last client leaves: a wmctrl
    # probe that ends while jwm is still connecting takes jwm's half-open
    # connection down with it ("could not open display"), which under load
    # happened to about one session in thirty.
    Xvfb -displayfd 5 -screen 0 "$ScreenGeometry" -nolisten tcp -noreset \
        5>"$SESSION_DIR/display" >"$SESSION_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$SESSION_DIR/display" ] && break
        sleep 0.1
    done
    [ -s "$SESSION_DIR/display" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$SESSION_DIR/display")"

    # jwm with a configuration of its own, not the user's: no tray, and Alt+F4
    # closes the focused window as on common desktops.
    printf '<?xml version="1.0"?>\n<JWM><Key mask="A" key="F4">close</Key></JWM>\n' \
        >"$SESSION_DIR/jwmrc"
    jwm -f "$SESSION_DIR/jwmrc" >"$SESSION_DIR/jwm.log" 2>&1 &
    JWM_PID=$!
    for i in $(seq 100); do
        wmctrl -m >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "jwm did not start" >&2
    return 1
}

stop_x_session() {
    # Keys pressed through XTEST stay down if a test stopped halfway.
    xdotool keyup space Escape Alt_L >/dev/null 2>&1
    [ -n "${JWM_PID:-}" ] && kill "$JWM_PID" 2>/dev/null && wait "$JWM_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    [ -n "${SESSION_DIR:-}" ] && rm -rf "$SESSION_DIR"
    JWM_PID= XVFB_PID= SESSION_DIR=
}

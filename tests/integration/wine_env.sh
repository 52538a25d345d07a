# Sourced by the Wine test scripts: Wine with its own home and prefix under a
# temporary folder, silent, and never asking to install Mono or Gecko.
#   wine_env <name>      sets HOME, WINEPREFIX (one prefix per name), WINE, WINESERVER
#   ensure_wine_prefix   creates the prefix once (serialised by a lock)

wine_env() {
    local name="$1"
    VELMORA_WINE_ROOT="${VELMORA_WINE_ROOT:-${TMPDIR:-/tmp}/velmora-wine-$(id -u)}"
    export HOME="$VELMORA_WINE_ROOT/$name"
    export WINEPREFIX="$HOME/prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    WINE="${VELMORA_WINE:-}"
    if [ -z "$WINE" ]; then
        if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE="$(command -v wine64 || command -v wine)"; fi
    fi
    WINESERVER="$(dirname "$WINE")/wineserver"
    [ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver)"
    mkdir -p "$HOME"
}

# The first run of a prefix takes several seconds and starts helper processes
# that inherit our output: create it once, quietly, and let them end.
ensure_wine_prefix() {
    (
        flock -w 300 9 || exit 1
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            env -u DISPLAY timeout 240 "$WINE" wineboot -i >"$HOME/wineboot.log" 2>&1 </dev/null
            timeout 60 "$WINESERVER" -w >/dev/null 2>&1 </dev/null
        fi
        [ -f "$WINEPREFIX/system.reg" ]
    ) 9>"$HOME/prefix.lock"
}

#!/usr/bin/env bash
# Runs a Windows test program under Wine with the program's own exit code, as
# the emulator of the win64 build. Wine's helper processes outlive the program
# and inherit its output: the program writes into a file that is shown after it
# ended, so nothing keeps the caller's pipe open.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine_env.sh"
wine_env unit
ensure_wine_prefix || { echo "wine_run: cannot create the Wine prefix in $WINEPREFIX" >&2; exit 2; }

output="$(mktemp "$HOME/output.XXXXXX")"
timeout "${VELMORA_WINE_TIMEOUT:-600}" "$WINE" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status

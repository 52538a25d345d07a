# Shared by the headless tool's test scripts (sourced): a scratch folder, pass
# and fail counts, and the two kinds of check. Set tool= before sourcing.
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
passes=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check() {  # check "what" command...: the command must succeed
    local what=$1; shift
    if "$@"; then passes=$((passes + 1)); else fail "$what"; fi
}

expect_exit() {  # expect_exit CODE "stderr pattern" args...: velmora-render's exit code and message
    local code=$1 pattern=$2; shift 2
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$code" ]; then
        fail "velmora-render $* exited $got, expected $code"; cat "$work/err"; return
    fi
    if [ -n "$pattern" ] && ! grep -q -- "$pattern" "$work/err"; then
        fail "velmora-render $*: stderr lacks '$pattern':"; cat "$work/err"; return
    fi
    passes=$((passes + 1))
}

finish() {  # finish "what": prints the counts; the script's exit status
    echo "$1: $passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}

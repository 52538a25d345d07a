# Sourced by the velmora-render test scripts: a scratch folder removed at exit,
# and checks that count their passes and failures.
#   check "what" command...             the command must succeed
#   expect_exit CODE "pattern" args...  "$tool" args must exit with CODE and, when
#                                       the pattern is not empty, say it on stderr
#   report_checks "what"                prints the count; its status is the result
# Callers set $tool; the last run's output is in $work/out and $work/err.
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
passes=0

check() {
    local what=$1; shift
    if "$@"; then passes=$((passes + 1)); else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

expect_exit() {
    local code=$1 pattern=$2; shift 2
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$code" ]; then
        echo "FAIL: velmora-render $* exited $got, expected $code"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    if [ -n "$pattern" ] && ! grep -q -- "$pattern" "$work/err"; then
        echo "FAIL: velmora-render $*: stderr lacks '$pattern':"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    passes=$((passes + 1))
}

report_checks() {
    echo "$1: $passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}

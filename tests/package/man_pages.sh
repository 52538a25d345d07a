#!/usr/bin/env bash
# The manual pages keep in step with the programs: every option that
# `velmora-render --help` names is described in velmora-render.6, and man(1)
# renders each page without a warning.
#   man_pages.sh path/to/velmora-render DIR   (DIR: the configured velmora.6, velmora-render.6)
set -u
tool=$1
pages=$2
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# An option starts a word (after a space, a bracket or a bar): not the
# hyphens of velmora-render or K-th.
options=$("$tool" --help | grep -oE -- '(^|[][ |(])--?[a-z][a-z-]*[a-z]' | sed 's/^[^-]*//' | sort -u)
[ -n "$options" ] || fail "velmora-render --help names no option"
for option in $options; do
    # roff writes a hyphen that must stay one as \-.
    if grep -qF -- "${option//-/\\-}" "$pages/velmora-render.6"; then
        passes=$((passes + 1))
    else
        fail "velmora-render.6 does not describe $option"
    fi
done

for page in velmora.6 velmora-render.6; do
    warnings=$(MANWIDTH=80 man --warnings -l "$pages/$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then fail "man warns about $page:"; echo "$warnings"; else passes=$((passes + 1)); fi
done
echo "manual pages: $passes passed, $failures failed"
[ "$failures" -eq 0 ]

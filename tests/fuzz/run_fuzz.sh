#!/bin/sh
# Kept for callers of the old name: every fuzz target now runs from ci_fuzz.sh.
exec sh "$(dirname "$0")/ci_fuzz.sh" "$@"

#!/usr/bin/env bash
# The AVX2 file may define only its own entry points. Any other routine it
# defines for the linker (an inline helper from a shared header left out of
# line, a template instance) could be the copy the linker keeps for the
# four-lane callers as well, and would stop the program on a processor
# without AVX2.
#   tests/layering/eight_lane_exports.sh LIBRARY.a [NM]
set -euo pipefail
library=$1 nm=${2:-nm}
object=eight_lane_lighting.cpp
# Local symbols and sections (and MinGW's .refptr address stubs, data) aside.
symbols=$("$nm" -C --defined-only "$library" 2>/dev/null | awk -v object="$object" '
    /:$/ { member = ($0 == object ".o:" || $0 == object ".obj:"); next }
    member && $2 !~ /^[trbdnp]$/ && $3 !~ /^\./ { $1 = ""; print }')
[ -n "$symbols" ] || { echo "no symbols of $object found in $library" >&2; exit 1; }
unexpected=$(grep -v -E '^ T (LightInEightLanes|EightLaneEstimates)\(' <<<"$symbols" || true)
if [ -n "$unexpected" ]; then
    echo "$object defines more than its entry points:" >&2
    echo "$unexpected" >&2
    exit 1
fi
echo "$object defines its entry points alone"

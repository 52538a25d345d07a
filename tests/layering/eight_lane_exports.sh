#!/usr/bin/env bash
# The AVX2 file may define only its own entry points. Any other routine it
# defines for the linker (an inline helper from a shared header left out of
# line, a template instance) could be the copy the linker keeps for the
# four-lane callers as well, and would stop the program on a processor
# without AVX2.
#   tests/layering/eight_lane_exports.sh NM FILE...
# Each FILE is a library holding the file's object, or the object itself.
set -uo pipefail
nm=$1 object=eight_lane_lighting.cpp status=0
for file in "${@:2}"; do
    # Local symbols and sections (and MinGW's .refptr address stubs, data)
    # aside; in a library, only the members made from the file.
    symbols=$("$nm" -C --defined-only "$file" 2>/dev/null | awk -v object="$object" '
        /:$/ { member = ($0 == object ".o:" || $0 == object ".obj:"); seen = 1; next }
        (member || !seen) && $2 !~ /^[trbdnp]$/ && $3 !~ /^\./ { $1 = ""; print }')
    unexpected=$(grep -v -E '^ T (LightInEightLanes|EightLaneEstimates)\(' <<<"$symbols")
    if [ -z "$symbols" ] || [ -n "$unexpected" ]; then
        echo "$object in $file: ${unexpected:-no symbols found}" >&2
        status=1
    else
        echo "$object defines its entry points alone in $(basename "$file")"
    fi
done
exit $status

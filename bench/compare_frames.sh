#!/usr/bin/env bash
# Renders the same frames with two velmora-render binaries and compares them
# byte for byte: the check that a change kept every pixel.
#   bench/compare_frames.sh OLD NEW [FRAMES [SCREEN...]]
# FRAMES is a --frames argument (default: 120 frames spread over the swing,
# drawn as 0-1823 with a stride); SCREENs default to 1920x1080 and 641x483.
# Extra arguments for both binaries (for example --portable) go in
# VELMORA_COMPARE_ARGS.
set -euo pipefail
old=$1 new=$2
frames=${3:-}
shift $(( $# < 3 ? $# : 3 ))
screens=("$@")
[ ${#screens[@]} -gt 0 ] || screens=(1920x1080 641x483)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Frame ranges: either the one given, or 120 short runs spread over the swing
# (each run starts from a seek, so seek and advance are both exercised).
ranges=()
if [ -n "$frames" ]; then
    ranges=("$frames")
else
    for start in $(seq 0 61 1823); do ranges+=("$start-$((start + 3))"); done
fi

compared=0
for screen in "${screens[@]}"; do
    for range in "${ranges[@]}"; do
        for side in old new; do
            bin=$old; [ $side = new ] && bin=$new
            mkdir -p "$work/$side"
            # shellcheck disable=SC2086
            "$bin" ${VELMORA_COMPARE_ARGS:-} --screen "$screen" --frames "$range" --format ppm --out "$work/$side"
        done
        for f in "$work"/old/*.ppm; do
            cmp -s "$f" "$work/new/$(basename "$f")" || { echo "differs: $screen $(basename "$f")"; exit 1; }
            compared=$((compared + 1))
        done
        rm -f "$work"/old/* "$work"/new/*
    done
done
echo "identical: $compared frames over ${#screens[@]} screens"

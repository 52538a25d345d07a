#!/usr/bin/env bash
# Instructions executed to draw one frame, counted by callgrind: RenderFrame on
# the main thread plus both band workers, nothing of start-up or file output.
# Counts are exactly repeatable, so they compare builds without timing noise.
#   bench/instruction_count.sh PROGRAM [FRAME...]
# PROGRAM is a build's bench/velmora_count_frames, which draws the frames and
# loads no FFmpeg (whose start-up code valgrind 3.19 cannot run on some
# processors), or the velmora-render of a build that has none (same count).
# FRAMEs default to 0 300 561 1473. VELMORA_COUNT_SCREEN (default 1920x1080)
# sets the screen; VELMORA_COUNT_TOP=N also lists the N costliest routines.
# Needs valgrind (apt-get install valgrind).
set -euo pipefail
bin=$1
shift
frames=("$@")
[ ${#frames[@]} -gt 0 ] || frames=(0 300 561 1473)
screen=${VELMORA_COUNT_SCREEN:-1920x1080}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for frame in "${frames[@]}"; do
    # Collection is on only inside RenderFrame on the main thread and
    # RenderBand on each band worker (each thread toggles its own), so the
    # count is the frame's work alone. (A band drawn on the main thread, where
    # no worker could be created, would switch the main thread's off.)
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" \
        --toggle-collect='RenderFrame(*' --toggle-collect='RenderBand(int)' \
        "$bin" --screen "$screen" --frames "$frame" --format ppm --out "$work/frames" \
        >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
    total=$(awk '/^totals:/ {print $2}' "$work/cg.out" 2>/dev/null || true)
    if [ -z "$total" ] || [ "$total" -eq 0 ]; then
        echo "instruction_count.sh: callgrind counted no instruction of frame $frame in $bin" \
             "(no RenderFrame or RenderBand ran, or they have other names there)" >&2
        exit 1
    fi
    awk -v f="$frame" -v t="$total" -v s="$screen" \
        'BEGIN {printf "frame %6d  %s  %12d instructions  (%.1f M)\n", f, s, t, t / 1e6}'
    if [ -n "${VELMORA_COUNT_TOP:-}" ]; then
        callgrind_annotate "$work/cg.out" 2>/dev/null |
            awk '/file:function/ {getline; on = 1; next} on && NF' |
            sed -E 's/ \[[^]]*\]$//; s/\(([^()]|\([^()]*\))*\)//g' | head -n "$VELMORA_COUNT_TOP"
    fi
    rm -f "$work/cg.out"
done

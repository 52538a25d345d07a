#!/usr/bin/env bash
# Velmora's frame rate beside the same scene drawn through OpenGL by Mesa's
# llvmpipe with two threads (bench/llvmpipe_bench.cpp), over the full zoom
# swing: the programs run one after another in each round, rounds alternate,
# and the best round of each program is compared. Every frame is drawn once
# (no --repeat) on both sides; the load average is printed with each round,
# since the figures mean little on a busy machine.
#   bench/compare_llvmpipe.sh VELMORA_RENDER LLVMPIPE_BENCH [MORE_PROGRAMS...]
# MORE_PROGRAMS are run in the same rounds: more velmora-render builds (their
# path ends in velmora-render) or more OpenGL programs (anything else).
# Environment: ROUNDS (default 3), SCREENS (default "1920x1080 3840x2160",
# pictures of 1910x1070 and 3830x2150), FRAMES (default 0-1823).
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,13p' "$0" >&2; exit 2; }
rounds=${ROUNDS:-3}
screens=${SCREENS:-1920x1080 3840x2160}
frames=${FRAMES:-0-1823}
programs=("$@")

# Mesa's software rasteriser with two threads, as many as Velmora's workers.
run() {
    local program=$1 screen=$2
    if [[ $program == *velmora-render ]]; then
        "$program" --bench --screen "$screen" --frames "$frames"
    else
        LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe LP_NUM_THREADS=2 \
            "$program" --screen "$screen" --frames "$frames"
    fi
}

# "fps: <median> (median frame), <mean> (mean over the run)" from either program.
mean_fps() { sed -n 's/^fps: .*, \([0-9.]*\) (mean over the run)$/\1/p'; }

declare -A best
for screen in $screens; do
    for round in $(seq "$rounds"); do
        echo "== $screen round $round, load: $(cut -d' ' -f1-3 /proc/loadavg)"
        for program in "${programs[@]}"; do
            fps=$(run "$program" "$screen" | mean_fps)
            [ -n "$fps" ] || { echo "no frame rate from $program" >&2; exit 1; }
            printf '%8s fps  %s\n' "$fps" "$program"
            key="$screen $program"
            if [ -z "${best[$key]:-}" ] || awk -v a="$fps" -v b="${best[$key]}" 'BEGIN { exit !(a > b) }'; then
                best[$key]=$fps
            fi
        done
    done
done

echo
echo "Best of $rounds rounds, mean fps over frames $frames (the first program's rate divided by each one's):"
for screen in $screens; do
    first=${best["$screen ${programs[0]}"]}
    for program in "${programs[@]}"; do
        fps=${best["$screen $program"]}
        printf '%-10s %8s fps  %6.2fx  %s\n' "$screen" "$fps" "$(awk -v a="$first" -v b="$fps" 'BEGIN { print a / b }')" \
            "$program"
    done
done

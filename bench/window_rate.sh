#!/usr/bin/env bash
# The demo's frame rate in a real window: a private Xvfb 1920x1080 with jwm
# (the window tests' session), the demo run for SECONDS from start-up with
# VELMORA_STATS, then ended with SIGTERM. Prints every second's rate and
# the slowest second, the median and the mean.
#   bench/window_rate.sh BUILD/app/velmora [SECONDS] [STATS_FILE]
# SECONDS defaults to 40 (the start of the swing to just past the largest
# zoom, frame 561, and most of the way back). The stats file is kept when
# named. With SCHED_TRACE=FILE, `perf sched record` traces every processor
# for the whole run into FILE (read it with `perf sched timehist -i FILE`).
# With BENCH_CSV=FILE (`velmora-render --bench --csv FILE` over the same
# frames, taken beside it), each second is set beside the bench's rate over
# the frames that second drew: a second's frames are its rate times one
# second, counted from frame 0.
set -euo pipefail
program=${1:?usage: window_rate.sh BUILD/app/velmora [SECONDS] [STATS_FILE]}
seconds=${2:-40}
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=../tests/integration/x_session.sh
source "$here/../tests/integration/x_session.sh"

stats=${3:-$(mktemp)}
: >"$stats"
trap 'stop_x_session; [ -n "${3:-}" ] || rm -f "$stats"' EXIT
start_x_session
tracer=
if [ -n "${SCHED_TRACE:-}" ]; then
    perf sched record -k CLOCK_MONOTONIC -a -o "$SCHED_TRACE" -- sleep "$((seconds + 2))" >/dev/null 2>&1 &
    tracer=$!
    sleep 1
fi
VELMORA_STATS="$stats" "$program" >/dev/null 2>&1 </dev/null &
demo=$!
sleep "$seconds"
kill -TERM "$demo"
wait "$demo" || { echo "the demo exited with $?" >&2; exit 1; }
[ -z "$tracer" ] || wait "$tracer"

rates=$(sed -n 's/^fps=\([0-9.]*\).*/\1/p' "$stats")
tr '\n' ' ' <<<"$rates"
echo
if [ -n "${BENCH_CSV:-}" ]; then
    # window fps / bench fps over the same frames, per second and for the slowest second
    awk -F, 'NR == FNR { rate[NR] = $1; seconds = NR; next }
        FNR > 1 { ms[$1] = $6; last = $1 }
        END {
            frame = 0; slowest = 0
            for (s = 1; s <= seconds; ++s) {
                n = int(rate[s] + 0.5); sum = 0; counted = 0
                for (f = frame; f < frame + n && f <= last; ++f) { sum += ms[f]; ++counted }
                if (counted > 0 && counted == n) {  # only seconds the bench covers whole
                    bench = 1000 * counted / sum
                    printf "%d-%d:%.0f%% ", frame, frame + counted - 1, 100 * rate[s] / bench
                    if (slowest == 0 || rate[s] < rate[slowest]) { slowest = s; slowestBench = bench; from = frame }
                }
                frame += n
            }
            print ""
            if (slowest) printf "slowest second: frames %d on, window %.1f fps, bench %.1f fps over the same frames (%.0f%%)\n", from, rate[slowest], slowestBench, 100 * rate[slowest] / slowestBench
        }' <(echo "$rates") "$BENCH_CSV"
fi
sort -g <<<"$rates" | awk '
    { v[NR] = $1; sum += $1 }
    END {
        if (NR == 0 || v[1] == "") { print "no seconds recorded"; exit 1 }
        median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "seconds %d: slowest %.1f fps, median %.1f, mean %.1f, fastest %.1f\n", NR, v[1], median, sum / NR, v[NR]
    }'

#!/usr/bin/env bash
# A long headless run: velmora-render --soak draws FRAMES frames without writing
# them and reports its resident memory, open files and threads every 1000
# frames. After the first 1000 frames (warm-up: every buffer page touched, the
# allocator settled) none may grow: resident memory by at most 1 MiB, open files
# and threads not at all.
# Usage: bench/soak.sh path/to/velmora-render [FRAMES (20000)] [SCREEN (330x250)]
set -euo pipefail
tool=$1
frames=${2:-20000}
screen=${3:-330x250}
if [ "$frames" -lt 2000 ]; then
    echo "soak: FRAMES must be at least 2000 (1000 warm-up, then readings to compare)" >&2
    exit 2
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT

"$tool" --soak --screen "$screen" --frames "0-$((frames - 1))" | tee "$log"

awk -v limitKib=1024 '
    /^frames=/ {
        for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
        n = v["frames"]; rss = v["rss_kib"]; fds = v["fds"]; thr = v["threads"]
        if (n == 0) { start = sprintf("%d KiB, %d fds, %d threads", rss, fds, thr) }
        else if (!haveBase && n >= 1000) {
            haveBase = 1; baseRss = rss; baseFds = fds; baseThr = thr; maxRss = rss
        } else if (haveBase) {
            if (rss > maxRss) maxRss = rss
            if (rss > baseRss + limitKib) { grew = grew sprintf("\n  resident memory %d KiB at frame %d (after warm-up %d KiB)", rss, n, baseRss) }
            if (fds > baseFds) { grew = grew sprintf("\n  open files %d at frame %d (after warm-up %d)", fds, n, baseFds) }
            if (thr > baseThr) { grew = grew sprintf("\n  threads %d at frame %d (after warm-up %d)", thr, n, baseThr) }
        }
        last = n; end = sprintf("%d KiB, %d fds, %d threads, %s s", rss, fds, thr, v["seconds"])
    }
    END {
        if (!haveBase || last < 2000) { print "soak: FAIL, the run ended early (last reading at frame " last ")"; exit 1 }
        printf "soak: start %s; after warm-up (1000 frames) %d KiB, %d fds, %d threads; end (%d frames) %s; largest resident after warm-up %d KiB (+%d KiB)\n", start, baseRss, baseFds, baseThr, last, end, maxRss, maxRss - baseRss
        if (grew != "") { print "soak: FAIL, grew after warm-up:" grew; exit 1 }
        print "soak: held"
    }' "$log"

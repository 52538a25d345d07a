#!/usr/bin/env bash
# bench/plot_frame_times.py on a short velmora-render --bench --csv run: a PNG
# comes out, and a malformed CSV is refused with a reason.
# Usage: plot_frame_times.sh path/to/velmora-render path/to/plot_frame_times.py
set -u
tool=$1
plot=$2
source "$(dirname "$0")/tool_test_lib.sh"

# The first python3 on PATH may be a private one without Debian's matplotlib.
python=""
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import matplotlib" 2>/dev/null; then python=$candidate; break; fi
done
if [ -z "$python" ]; then
    echo "FAIL: no python3 with matplotlib (Debian: python3-matplotlib)"
    exit 1
fi

expect_exit 0 "" --bench --screen 200x150 --frames 0-19 --csv "$work/times.csv"
check "CSV header" test "$(head -1 "$work/times.csv")" = "frame,clear_ms,prepass_ms,top_band_ms,bottom_band_ms,frame_ms"
check "one line per frame" test "$(wc -l < "$work/times.csv")" -eq 21
check "frames 0-19 in order" test "$(cut -d, -f1 "$work/times.csv" | tail -n +2 | tr '\n' ' ')" = "$(seq -s ' ' 0 19) "
check "no stage longer than its frame" awk -F, 'NR > 1 && ($2 > $6 || $3 > $6 || $4 > $6 || $5 > $6) { exit 1 }' \
    "$work/times.csv"
check "the plot is drawn" "$python" "$plot" "$work/times.csv" "$work/times.png"
check "as a PNG" bash -c "head -c 8 '$work/times.png' | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a'"
printf 'frame,clear_ms\n0,1.0\n' > "$work/bad.csv"
check "a CSV without the stage columns is refused" bash -c "! '$python' '$plot' '$work/bad.csv' '$work/bad.png' 2>'$work/err'"
check "naming the missing columns" grep -q "missing columns" "$work/err"

finish "plot_frame_times.py"

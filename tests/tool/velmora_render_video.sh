#!/usr/bin/env bash
# velmora-render --video: the file FFmpeg's own programs read back holds the
# frames asked for, each the same picture --frames writes, and a run that fails
# or is interrupted leaves no file behind.
# Usage: velmora_render_video.sh path/to/velmora-render path/to/ffprobe path/to/ffmpeg
set -u
tool=$1
ffprobe=$2
ffmpeg=$3
source "$(dirname "$0")/tool_test_lib.sh"

MinPsnr=35          # dB between a decoded frame and the PNG of the same frame
NeighbourMargin=3   # dB by which the same frame must beat the frames beside it
InterruptLimit=30   # seconds for an interrupted run to end

stream_info() {  # stream_info FILE: key=value lines of the video stream
    "$ffprobe" -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames -of default=nw=1 "$1"
}

expect_stream() {  # expect_stream FILE key=value...
    local file=$1; shift
    local info want
    info=$(stream_info "$file")
    for want in "$@"; do check "$(basename "$file") has $want" grep -qx "$want" <<<"$info"; done
}

psnr() {  # psnr A.png B.png: the mean PSNR over the three planes, in dB
    "$ffmpeg" -nostdin -v info -i "$1" -i "$2" -lavfi psnr -f null - 2>&1 |
        sed -n 's/.*PSNR.* average:\([0-9.]*\|inf\).*/\1/p'
}

at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a == "inf" || a + 0 >= b + 0) }'; }

# 60 frames at a small screen: H.264 in yuv420p at the window's size and 60/s.
expect_exit 0 "" --video "$work/swing.mp4" --frames 1000-1059 --screen 330x250
check "one summary line" grep -q "wrote $work/swing.mp4: 60 frames of 320x240 at 60 frames/s" "$work/out"
check "no progress bar when stderr is not a terminal" test ! -s "$work/err"
expect_stream "$work/swing.mp4" codec_name=h264 pix_fmt=yuv420p width=320 height=240 r_frame_rate=60/1 \
    nb_read_frames=60

# The 31st picture of the video is frame 1030 as --frames draws it alone, and
# is told apart from frames 1029 and 1031 (the model turns between them).
"$tool" --frames 1029-1031 --screen 330x250 --out "$work/png" >/dev/null
"$ffmpeg" -nostdin -v error -i "$work/swing.mp4" -vf 'select=eq(n\,30)' -frames:v 1 "$work/decoded.png"
same=$(psnr "$work/decoded.png" "$work/png/frame_001030.png")
before=$(psnr "$work/decoded.png" "$work/png/frame_001029.png")
after=$(psnr "$work/decoded.png" "$work/png/frame_001031.png")
echo "PSNR of decoded picture 30 against frames 1029, 1030, 1031: $before, $same, $after dB"
check "decoded frame 1030 within ${MinPsnr} dB PSNR of its PNG" at_least "$same" "$MinPsnr"
check "decoded frame 1030 is nearer its PNG than frame 1029" at_least "$same" "$(awk "BEGIN { print $before + $NeighbourMargin }")"
check "decoded frame 1030 is nearer its PNG than frame 1031" at_least "$same" "$(awk "BEGIN { print $after + $NeighbourMargin }")"

# --fps sets the rate.
expect_exit 0 "" --video "$work/slow.MP4" --frames 5-9 --screen 100x100 --fps 25
expect_stream "$work/slow.MP4" width=90 height=90 r_frame_rate=25/1 nb_read_frames=5

# A folder that cannot take the file: one line, exit 1, nothing written.
expect_exit 1 "cannot create /proc/velmora.mp4" --video /proc/velmora.mp4 --frames 0 --screen 100x100
touch "$work/afile"
expect_exit 1 "cannot create" --video "$work/afile/demo.mp4" --frames 0 --screen 100x100
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$work/readonly" && chmod a-w "$work/readonly"
    expect_exit 1 "Permission denied" --video "$work/readonly/demo.mp4" --frames 0 --screen 100x100
    check "nothing in the read-only folder" test -z "$(ls -A "$work/readonly")"
fi

# A write that fails part-way (a file size limit stands in for a full disk):
# one line, exit 1, no file.
(ulimit -f 16; exec "$tool" --video "$work/full.mp4" --frames 0-59 --screen 640x480) >"$work/out" 2>"$work/err"
code=$?
check "failed write exits 1 (got $code)" test "$code" -eq 1
check "failed write says so in one line" \
    grep -qx "velmora-render: cannot write $work/full.mp4: .*; no video written" "$work/err"
check "the failed write left no file" test ! -e "$work/full.mp4"

# Ctrl-C part-way: exit 130, one line, no new file, the older file kept. The
# signal is given its default action back, which a background job lacks.
echo old >"$work/kept.mp4"
env --default-signal=INT "$tool" --video "$work/kept.mp4" --frames 0-1823 >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do [ -s "$work/kept.mp4.part" ] && break; sleep 0.1; done
sleep 0.5
kill -INT "$pid"
for _ in $(seq $((InterruptLimit * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid"; echo "FAIL: the interrupted run did not end within ${InterruptLimit}s"; failures=$((failures + 1))
fi
wait "$pid"
code=$?
check "interrupted run exits 130 (got $code)" test "$code" -eq 130
check "interrupted run says so in one line" grep -qx "velmora-render: interrupted by SIGINT; no video written" "$work/err"
check "the older file is untouched" test "$(cat "$work/kept.mp4")" = old

check "no .part files left" bash -c "! find '$work' -name '*.part' | grep -q ."
finish "velmora-render --video"

#!/usr/bin/env bash
# The headless tool's command line: outputs, exit codes and error messages.
# Usage: velmora_render_cli.sh path/to/velmora-render path/to/assets/embedded
set -u
tool=$1
embedded=$2
source "$(dirname "$0")/tool_test_lib.sh"

# Bad arguments: one line saying what is wrong, then the usage, exit code 2.
expect_exit 2 "unknown argument '--bogus'" --bogus
expect_exit 2 "usage:" --bogus
expect_exit 2 "--screen takes WxH" --screen 1920
expect_exit 2 "--screen takes WxH" --screen 1920x
expect_exit 2 "--screen sizes" --screen 5x5
expect_exit 2 "--frames needs A <= B" --frames 9-3
expect_exit 2 "--frames takes K or A-B" --frames -3
expect_exit 2 "--format takes png or ppm" --format jpg
expect_exit 2 "needs a value" --out
expect_exit 2 "takes no other options" --export-assets "$work/x" --frames 3
expect_exit 2 "--icon DIR takes a directory and no other options" --icon "$work/x" --portable
expect_exit 2 "--icon DIR takes a directory and no other options" --screen 100x100 --icon "$work/x"
expect_exit 2 "--bench writes no frames" --bench --out "$work"
expect_exit 2 "--soak writes no frames" --soak --format ppm
expect_exit 2 "--screen sizes" --screen 11x12
expect_exit 2 "--screen sizes" --screen 12x32778
for frames in "" 3- - +3 " 3" 0x10; do
    expect_exit 2 "--frames takes K or A-B" --frames "$frames"
done
expect_exit 2 "--frames numbers must not exceed 4294967295" --frames 0-4294967296
expect_exit 2 "--repeat takes a count" --bench --repeat 0
expect_exit 2 "--repeat applies to --bench only" --repeat 3
expect_exit 2 "--csv applies to --bench only" --csv "$work/t.csv"
expect_exit 2 "--buffers writes pictures beside frame images" --buffers --bench
expect_exit 2 "--buffers writes pictures beside frame images" --buffers --video "$work/demo.mp4"
expect_exit 2 "--buffers writes pictures beside frame images" --soak --buffers
check "no CSV from refused options" test ! -e "$work/t.csv"
expect_exit 1 "cannot create" --bench --frames 0 --screen 100x100 --csv "$work/no/such/dir/t.csv"
expect_exit 0 "" --bench --screen 333x251 --frames 5-7 --repeat 2
check "--bench --repeat reports the best of 2 over three frames" grep -q "(3 frames, 30 warm-up, best of 2)" "$work/out"
expect_exit 0 "" --help
check "--help prints the usage" grep -q "usage: velmora-render" "$work/out"

# Video options are checked before anything is drawn or written.
expect_exit 2 "must end in .mp4" --video "$work/demo.avi"
expect_exit 2 "must end in .mp4" --video "$work/mp4"
expect_exit 2 "--fps takes a whole number" --video "$work/demo.mp4" --fps 0
expect_exit 2 "--fps applies to --video only" --fps 30
expect_exit 2 "--out do not apply" --video "$work/demo.mp4" --out "$work"
check "no video file from refused options" bash -c "! ls '$work' | grep -q demo"

# The embedded bytes, exported unchanged.
expect_exit 0 "" --export-assets "$work/assets"
for f in model.3ds band.bmp face_classes.bin; do
    check "exported $f equals the committed file" cmp -s "$work/assets/$f" "$embedded/$f"
done

# Frames: picture size = the window's for that screen, six-digit names.
expect_exit 0 "" --screen 333x251 --frames 3-4 --format ppm --out "$work/frames"
check "two frames written" test -f "$work/frames/frame_000003.ppm" -a -f "$work/frames/frame_000004.ppm"
check "no third frame" test ! -e "$work/frames/frame_000005.ppm"
check "PPM header gives the window size 322x240" \
    bash -c "head -c 15 '$work/frames/frame_000003.ppm' | grep -q '^P6' && head -2 '$work/frames/frame_000003.ppm' | tail -1 | grep -qx '322 240'"
check "PPM size" test "$(stat -c %s "$work/frames/frame_000003.ppm")" -eq $((15 + 322 * 240 * 3))
check "the two frames differ (the model turns)" bash -c "! cmp -s '$work/frames/frame_000003.ppm' '$work/frames/frame_000004.ppm'"

# A frame drawn in a run equals the same frame drawn alone.
expect_exit 0 "" --screen 333x251 --frames 4 --format ppm --out "$work/alone"
check "frame 4 alone equals frame 4 after frame 3" cmp -s "$work/frames/frame_000004.ppm" "$work/alone/frame_000004.ppm"

# The four-lane path, forced, draws the same bytes as the one start-up chose
# (eight lanes on an AVX2 processor): the largest zoom, where most is lit.
VELMORA_SIMD=sse41 "$tool" --screen 333x251 --frames 561 --format ppm --out "$work/four" 2>/dev/null
expect_exit 0 "" --screen 333x251 --frames 561 --format ppm --out "$work/chosen"
check "VELMORA_SIMD=sse41 draws the same frame" cmp -s "$work/four/frame_000561.ppm" "$work/chosen/frame_000561.ppm"

# --buffers: six views beside the frame, each the picture's size, and the
# frame's own bytes unchanged.
expect_exit 0 "" --screen 333x251 --frames 561 --out "$work/plain"
expect_exit 0 "" --screen 333x251 --frames 561 --buffers --out "$work/views"
check "the frame with --buffers equals the frame without" \
    cmp -s "$work/views/frame_000561.png" "$work/plain/frame_000561.png"
for view in prepass_depth shade_depth faces front_surface overdraw bands; do
    check "$view view is a 322x240 PNG" \
        test "$(od -An -j16 -N8 -tx1 "$work/views/frame_000561_$view.png" | tr -d ' \n')" = "$(printf '%08x%08x' 322 240)"
done
expect_exit 0 "" --screen 200x150 --frames 7-8 --buffers --format ppm --out "$work/views"
check "--buffers over a range writes each frame's views" \
    test -f "$work/views/frame_000007_faces.png" -a -f "$work/views/frame_000008_bands.png"

expect_exit 0 "" --screen 200x150 --frames 7 --out "$work/png"
check "PNG written with its signature" bash -c "head -c 8 '$work/png/frame_000007.png' | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a'"

# Screens: the smallest (a 2x2 picture), the largest on each side (32766
# columns or rows, the last that are 16-bit points), and 7680x4320.
ppm_size() { head -2 "$1" | tail -1; }
expect_exit 0 "" --screen 12x12 --frames 561 --format ppm --out "$work/screens"
check "12x12 gives a 2x2 picture" test "$(ppm_size "$work/screens/frame_000561.ppm")" = "2 2"
expect_exit 0 "" --screen 32777x12 --frames 561 --format ppm --out "$work/screens"
check "32777x12 gives 32766x2" test "$(ppm_size "$work/screens/frame_000561.ppm")" = "32766 2"
expect_exit 0 "" --screen 12x32777 --frames 561 --format ppm --out "$work/screens"
check "12x32777 gives 2x32766" test "$(ppm_size "$work/screens/frame_000561.ppm")" = "2 32766"
expect_exit 0 "" --screen 7680x4320 --frames 561 --out "$work/screens"
check "7680x4320 gives a 7670x4310 PNG" \
    test "$(od -An -j16 -N8 -tx1 "$work/screens/frame_000561.png" | tr -d ' \n')" = "$(printf '%08x%08x' 7670 4310)"

# Buffers that cannot be allocated: a clear error and exit 1, never a crash.
# Sanitizer builds reserve more address space than the limit and cannot run under it.
if { (ulimit -v 1000000 && "$tool" --help); } >/dev/null 2>&1; then
    (ulimit -v 1000000 && exec "$tool" --screen 16384x16384 --frames 0 --out "$work/big") 2>"$work/err"
    check "exit 1 when the buffers cannot be allocated" test $? -eq 1
    check "and a clear error" grep -q "cannot allocate the buffers for a 16384x16384 screen" "$work/err"
    # The frame fits, its buffer views do not: the frame stays, the views are refused.
    (ulimit -v 1000000 && exec "$tool" --screen 5000x5000 --frames 0 --buffers --out "$work/bigviews") 2>"$work/err"
    check "exit 1 when the buffer views do not fit" test $? -eq 1
    check "with a reason" grep -q "not enough memory for the buffer views of a 4990x4990 picture" "$work/err"
else
    echo "skipped: allocation failure (this build cannot run under ulimit -v)"
fi

# Frames past one swing: names widen past six digits, a frame sought equals the
# same frame drawn after its predecessor, and frame 10^9 takes seconds.
expect_exit 0 "" --screen 100x100 --frames 999999-1000000 --format ppm --out "$work/far"
check "six- and seven-digit names" test -f "$work/far/frame_999999.ppm" -a -f "$work/far/frame_1000000.ppm"
expect_exit 0 "" --screen 100x100 --frames 1000000 --format ppm --out "$work/seek"
check "frame 1000000 sought equals frame 1000000 drawn after 999999" \
    cmp -s "$work/far/frame_1000000.ppm" "$work/seek/frame_1000000.ppm"
expect_exit 0 "" --screen 100x100 --frames 1000000000 --format ppm --out "$work/far"
check "frame 1000000000 written" test -f "$work/far/frame_1000000000.ppm"

# An output directory that cannot be used: a clear error, exit 1, no partial file.
touch "$work/afile"
expect_exit 1 "cannot use output directory" --frames 0 --out "$work/afile/sub"
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$work/readonly" && chmod a-w "$work/readonly"
    expect_exit 1 "cannot create" --screen 100x100 --frames 0 --out "$work/readonly"
fi
expect_exit 1 "cannot" --screen 100x100 --frames 0 --out /proc/velmora-no-such-dir
check "no .part files left" bash -c "! find '$work' -name '*.part' | grep -q ."

finish "velmora-render command line"

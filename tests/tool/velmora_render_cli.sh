#!/usr/bin/env bash
# The headless tool's command line: outputs, exit codes and error messages.
# Usage: velmora_render_cli.sh path/to/velmora-render path/to/assets/embedded
set -u
tool=$1
embedded=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
passes=0

check() {  # check "what" command...: the command must succeed
    local what=$1; shift
    if "$@"; then passes=$((passes + 1)); else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

expect_exit() {  # expect_exit CODE "stderr pattern" args...
    local code=$1 pattern=$2; shift 2
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$code" ]; then
        echo "FAIL: velmora-render $* exited $got, expected $code"; failures=$((failures + 1)); return
    fi
    if [ -n "$pattern" ] && ! grep -q -- "$pattern" "$work/err"; then
        echo "FAIL: velmora-render $*: stderr lacks '$pattern':"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    passes=$((passes + 1))
}

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
expect_exit 2 "--bench writes no frames" --bench --out "$work"
expect_exit 2 "--repeat takes a count" --bench --repeat 0
expect_exit 2 "--repeat applies to --bench only" --repeat 3
expect_exit 0 "" --bench --screen 333x251 --frames 5-7 --repeat 2
check "--bench --repeat reports the best of 2 over three frames" grep -q "(3 frames, 30 warm-up, best of 2)" "$work/out"
expect_exit 0 "" --help
check "--help prints the usage" grep -q "usage: velmora-render" "$work/out"

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

expect_exit 0 "" --screen 200x150 --frames 7 --out "$work/png"
check "PNG written with its signature" bash -c "head -c 8 '$work/png/frame_000007.png' | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a'"

# An output directory that cannot be used: a clear error, exit 1, no partial file.
touch "$work/afile"
expect_exit 1 "cannot use output directory" --frames 0 --out "$work/afile/sub"
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$work/readonly" && chmod a-w "$work/readonly"
    expect_exit 1 "cannot create" --screen 100x100 --frames 0 --out "$work/readonly"
fi
expect_exit 1 "cannot" --screen 100x100 --frames 0 --out /proc/velmora-no-such-dir
check "no .part files left" bash -c "! find '$work' -name '*.part' | grep -q ."

echo "velmora-render command line: $passes passed, $failures failed"
[ "$failures" -eq 0 ]

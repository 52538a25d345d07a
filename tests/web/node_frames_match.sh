#!/usr/bin/env bash
# The WebAssembly build draws the same frames as the native portable build:
# frames 0, 300 and 561 at two sizes, byte for byte, with the band workers as
# threads and on one thread, and every frame of the zoom swing at a small size.
# Usage: node_frames_match.sh NATIVE_VELMORA_RENDER NODE_FRAMES_DIR
set -u
native=$1
dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passes=0
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ ! -x "$native" ]; then
    echo "FAIL: no native velmora-render at $native (cmake --build --preset release --target velmora-render)"
    exit 1
fi
frames=(0 300 561)
# A full-HD screen, and an odd one whose window is rounded down to even.
for screen in 1920x1080 333x251; do
    mkdir -p "$work/$screen/native"
    for frame in "${frames[@]}"; do
        "$native" --portable --screen "$screen" --frames "$frame" --format ppm --out "$work/$screen/native" ||
            fail "velmora-render --portable --screen $screen --frames $frame"
    done
    for variant in node_frames:2 node_frames_single:0; do
        program=${variant%%:*}
        threads=${variant##*:}
        out="$work/$screen/$program"
        mkdir -p "$out"
        if ! node --no-experimental-fetch "$dir/$program.js" "$screen" "$out" "${frames[@]}" >"$work/said" 2>&1; then
            fail "$program $screen:"; cat "$work/said"; continue
        fi
        grep -qx "band threads: $threads" "$work/said" || fail "$program: expected $threads band threads, said: $(cat "$work/said")"
        for frame in "${frames[@]}"; do
            name=$(printf 'frame_%06d.ppm' "$frame")
            if cmp -s "$out/$name" "$work/$screen/native/$name"; then
                passes=$((passes + 1))
            else
                fail "$program $screen frame $frame differs from velmora-render --portable"
            fi
        done
    done
done
# Every frame of the zoom swing, and with it all 512 rotation angles through
# the C library's cos and sin, at a small size.
swing=$(seq 0 1823)
mkdir -p "$work/swing/native" "$work/swing/wasm"
"$native" --portable --screen 170x130 --frames 0-1823 --format ppm --out "$work/swing/native" ||
    fail "velmora-render --portable --frames 0-1823"
# shellcheck disable=SC2086  # one argument per frame
node --no-experimental-fetch "$dir/node_frames_single.js" 170x130 "$work/swing/wasm" $swing >/dev/null ||
    fail "node_frames_single over the swing"
if differing=$(diff -rq "$work/swing/native" "$work/swing/wasm"); then
    passes=$((passes + 1))
else
    fail "frames of the swing differ: $(wc -l <<<"$differing") files, first: $(head -1 <<<"$differing")"
fi

echo "WebAssembly frames under Node: $passes identical, $failures failed"
[ "$failures" -eq 0 ]

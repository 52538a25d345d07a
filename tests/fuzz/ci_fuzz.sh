#!/bin/sh
# Builds the fuzz preset's targets (clang, libFuzzer, ASan + UBSan) and gives
# each a short run from its seeds: about FUZZ_SECONDS in all (default 60).
#   model_reader  ReadModel over arbitrary bytes (seeds: corpus/, one broken
#                 form of every chunk the reader knows, degenerate models)
#   startup       reader, mesh preparation and one frame on those bytes
#   band_image    BuildTexture and BuildHeightMap (seeds: the embedded files)
#   face_classes  FaceClassIn over an arbitrary class table (same seeds)
# New inputs go to a scratch directory. A crash, a sanitizer report, a failed
# check or an input slower than its time limit leaves the input in
# build/fuzz/fuzz-artifacts/ and makes the script exit non-zero, after every
# target has run.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
total=${FUZZ_SECONDS:-60}
cd "$root"

targets="model_reader startup band_image face_classes"
cmake --preset fuzz >/dev/null
set --
for name in $targets; do set -- "$@" "velmora_fuzz_$name"; done
cmake --build --preset fuzz --target "$@"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
artifacts="$root/build/fuzz/fuzz-artifacts"
mkdir -p "$artifacts"
failed=""

# run NAME SHARE_PERCENT SEEDS LIBFUZZER_OPTIONS...
run() {
    name=$1 share=$2 seeds=$3
    shift 3
    seconds=$((total * share / 100))
    [ "$seconds" -ge 1 ] || seconds=1
    mkdir -p "$scratch/$name"
    log="$scratch/$name.log"
    if "$root/build/fuzz/tests/fuzz/velmora_fuzz_$name" -max_total_time="$seconds" \
        -artifact_prefix="$artifacts/$name-" -print_final_stats=1 "$@" \
        "$scratch/$name" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $name: ${runs:-?} runs in ${seconds} s, clean"
    else
        echo "fuzz $name: FAILED; the last lines of its log:"
        tail -n 40 "$log"
        failed="$failed $name"
    fi
}

# The start-up gets the largest share: a frame costs far more than a read.
# The time limit of 10 s per input is some ten times the slowest seed's.
run model_reader 30 "$root/tests/fuzz/corpus" -max_len=32768 -timeout=10 \
    -dict="$root/tests/fuzz/model_reader.dict"
run startup 45 "$root/tests/fuzz/corpus" -max_len=32768 -timeout=10 \
    -dict="$root/tests/fuzz/model_reader.dict"
run band_image 15 "$root/assets/embedded" -max_len=8192 -timeout=10
run face_classes 10 "$root/assets/embedded" -max_len=8192 -timeout=10

if [ -n "$failed" ]; then
    echo "fuzz: findings in:$failed (inputs in $artifacts)"
    exit 1
fi
echo "fuzz: every target ran clean"

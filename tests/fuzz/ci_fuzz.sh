#!/bin/sh
# Builds the fuzz preset and runs the model reader's fuzz target for a while
# (FUZZ_SECONDS, default 60), starting from the committed seed corpus. New
# inputs go to a scratch directory; a crash leaves its input in the build
# directory and makes the script fail.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${FUZZ_SECONDS:-60}
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target velmora_fuzz_model_reader -j2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
artifacts="$root/build/fuzz/fuzz-artifacts"
mkdir -p "$artifacts"

"$root/build/fuzz/tests/fuzz/velmora_fuzz_model_reader" \
    -max_total_time="$seconds" -max_len=32768 -timeout=10 \
    -dict="$root/tests/fuzz/model_reader.dict" \
    -artifact_prefix="$artifacts/" \
    "$scratch" "$root/tests/fuzz/corpus"

#!/usr/bin/env bash
# The layering guard catches what it claims to: on a scratch copy of the
# sources it passes, then fails on each planted fault (a target linking a
# higher layer's target, an include of a higher layer, a hand-edited README
# table), naming the fault.
#   tests/layering/guard_test.sh [SOURCE_ROOT]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
tar -C "$root" --exclude=./build --exclude=./.git --exclude=node_modules -cf - . | tar -C "$scratch" -xf -
guard=$scratch/tests/layering/check_layers.sh
failures=0

# Runs the guard on the scratch copy; expects the exit status and, on a
# failure, the given text in its output.
expect() {
    local want=$1 text=$2 status=0 output
    output=$(bash "$guard" "$scratch" 2>&1) || status=$?
    if [ "$want" = pass ] && [ $status -ne 0 ]; then
        echo "guard_test: the unchanged copy fails:"; echo "$output"; failures=$((failures + 1))
    elif [ "$want" = fail ] && { [ $status -eq 0 ] || ! grep -qF -- "$text" <<<"$output"; }; then
        echo "guard_test: expected a failure naming '$text', got (exit $status):"; echo "$output"
        failures=$((failures + 1))
    fi
}

# Plants a change with sed on one file, runs the guard, puts the file back.
planted() {
    local file=$scratch/$1 edit=$2 text=$3
    cp "$file" "$file.kept"
    sed -i "$edit" "$file"
    expect fail "$text"
    mv "$file.kept" "$file"
}

expect pass ""
# Upward links that close no circle, one of them written over two lines.
planted assets/CMakeLists.txt '$a target_link_libraries(velmora_assets PRIVATE velmora_window_rule)' \
    'velmora_assets (assets/) links velmora_window_rule (app/)'
planted platform/CMakeLists.txt '$a target_link_libraries(velmora_threads PRIVATE\n  velmora_assets)' \
    'velmora_threads (platform/) links velmora_assets (assets/)'
planted core/reciprocal.cpp '1i #include "render/frame_pipeline.h"' \
    'core/reciprocal.cpp includes render/frame_pipeline.h: core/ may include only'
planted README.md '/^| `core\/` /s/ |$/, `app\/` |/' \
    "README.md's Layout table is not the one layers.txt gives"
expect pass ""

[ $failures -eq 0 ] && echo "guard_test: the guard passes the tree and fails each planted fault"
exit $((failures != 0))

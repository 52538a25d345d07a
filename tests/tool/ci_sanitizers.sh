#!/usr/bin/env bash
# CI: velmora-render under the sanitizers; any report fails the run.
#   asan: AddressSanitizer + UndefinedBehaviorSanitizer over a whole zoom swing
#         (frames 0-1823, written as PNG, a few as PPM) at a 330x250 screen, a
#         short soak, and the tool's command-line and fault tests.
#   tsan: ThreadSanitizer over 300 frames drawn by the two band workers.
# Usage: tests/tool/ci_sanitizers.sh [asan|tsan|all (default)]
# Needs: cmake, ninja-build, g++ (with libasan, libubsan, libtsan), libpng-dev.
set -euo pipefail
cd "$(dirname "$0")/../.."
which=${1:-all}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Runs the command with stderr kept; fails on a non-zero exit or any sanitizer
# line in stderr (a report that did not stop the process is still a report).
clean_run() {
    local started=$SECONDS
    if ! "$@" 2>"$out/stderr"; then
        cat "$out/stderr"; echo "sanitizers: FAIL: $*"; exit 1
    fi
    if grep -E "runtime error|Sanitizer|LeakSanitizer" "$out/stderr"; then
        echo "sanitizers: FAIL (report in stderr): $*"; exit 1
    fi
    echo "sanitizers: clean in $((SECONDS - started)) s: $*"
}

if [ "$which" = asan ] || [ "$which" = all ]; then
    cmake --preset asan >/dev/null
    cmake --build --preset asan --target velmora-render
    tool=build/asan/tools/velmora_render/velmora-render
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    clean_run "$tool" --screen 330x250 --frames 0-1823 --format png --out "$out/swing"
    test "$(ls "$out/swing" | wc -l)" -eq 1824
    clean_run "$tool" --screen 330x250 --frames 561-563 --format ppm --out "$out/ppm"
    clean_run "$tool" --soak --screen 330x250 --frames 0-1999
    clean_run "$tool" --screen 330x250 --frames 400-401 --buffers --out "$out/views"
    ctest --preset asan -R '^velmora_render_' --no-tests=error
fi

if [ "$which" = tsan ] || [ "$which" = all ]; then
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan --target velmora-render
    export TSAN_OPTIONS=halt_on_error=1:exitcode=66
    clean_run build/tsan/tools/velmora_render/velmora-render --soak --screen 330x250 --frames 0-299
    # The bench's own timed band workers.
    clean_run build/tsan/tools/velmora_render/velmora-render --bench --screen 330x250 --frames 0-99 --csv "$out/times.csv"
fi

#!/usr/bin/env bash
# The headless tool under faults while it writes frames: a file-size limit, a
# full disk, its output folder removed, a folder it may not write, Ctrl-C and
# SIGTERM. Each must end with one clear line and a non-zero exit, and leave no
# partial frame file; the frames completed before stay whole.
# Usage: velmora_render_faults.sh path/to/velmora-render
set -u
tool=$1
source "$(dirname "$0")/tool_test_lib.sh"

screen=330x250                     # a 320x240 picture
ppm_bytes=$((15 + 320 * 240 * 3))  # header "P6\n320 240\n255\n" and the pixels

# Checks the folder after a failed or stopped run: complete frames only, no
# .part file, one line on stderr (the one the tool prints, in $work/err).
expect_clean_end() {  # expect_clean_end what dir expected_frame_count
    local what=$1 dir=$2 frames=$3
    check "$what: no .part file left" bash -c "! ls '$dir' 2>/dev/null | grep -q '\.part$'"
    check "$what: $frames complete frames stay" test "$(ls "$dir" 2>/dev/null | grep -c '^frame_')" -eq "$frames"
    check "$what: every frame is whole" bash -c "! stat -c %s '$dir'/frame_*.ppm 2>/dev/null | grep -vqx $ppm_bytes"
    check "$what: one line on stderr" test "$(wc -l <"$work/err")" -eq 1
}

# Waits up to 60 s for a file to appear.
wait_for() { for _ in $(seq 600); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }

# A file-size limit below one frame: the write fails with EFBIG (SIGXFSZ, which
# would kill the tool, is ignored).
mkdir "$work/fsize"
(ulimit -f 100 && exec "$tool" --screen $screen --frames 0-3 --format ppm --out "$work/fsize") 2>"$work/err"
check "file-size limit: exit 1" test $? -eq 1
check "file-size limit: says so" grep -q "cannot write .*frame_000000.ppm: File too large" "$work/err"
expect_clean_end "file-size limit" "$work/fsize" 0

# A full disk: the third frame's file is /dev/full, whose writes fail with ENOSPC.
if [ -c /dev/full ]; then
    mkdir "$work/full" && ln -s /dev/full "$work/full/frame_000002.ppm.part"
    "$tool" --screen $screen --frames 0-4 --format ppm --out "$work/full" 2>"$work/err"
    check "full disk: exit 1" test $? -eq 1
    check "full disk: says so" grep -q "cannot write .*frame_000002.ppm: No space left on device" "$work/err"
    expect_clean_end "full disk" "$work/full" 2
else
    echo "skipped: full disk (no /dev/full)"
fi

# The output folder removed while frames are being written.
"$tool" --screen $screen --frames 0-99999 --format ppm --out "$work/gone" 2>"$work/err" &
pid=$!
wait_for "$work/gone/frame_000002.ppm"
while [ -e "$work/gone" ]; do rm -rf "$work/gone" 2>/dev/null; done
wait $pid
check "folder removed: exit 1" test $? -eq 1
check "folder removed: says so" grep -q "cannot .*: No such file or directory" "$work/err"
check "folder removed: one line on stderr" test "$(wc -l <"$work/err")" -eq 1

# A folder the tool may not write. Root ignores permission bits, so as root the
# tool runs as nobody, from a copy that nobody can reach.
mkdir "$work/readonly" && chmod 555 "$work/readonly"
as_user=()
unprivileged_tool=$tool
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work" && mkdir -m 755 "$work/bin" && cp "$tool" "$work/bin/"
    unprivileged_tool=$work/bin/$(basename "$tool")
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
if ! "${as_user[@]}" "$unprivileged_tool" --help >/dev/null 2>&1; then
    echo "skipped: read-only folder (root, and setpriv cannot run the tool as nobody)"
else
    "${as_user[@]}" "$unprivileged_tool" --screen $screen --frames 0-2 --format ppm --out "$work/readonly" 2>"$work/err"
    check "read-only folder: exit 1" test $? -eq 1
    check "read-only folder: says so" grep -q "cannot create .*frame_000000.ppm: Permission denied" "$work/err"
    expect_clean_end "read-only folder" "$work/readonly" 0
fi

# Ctrl-C and SIGTERM mid-run: the frame in hand is finished, then the tool
# ends by that signal (a shell sees 128 + the signal number).
for signal in INT TERM; do
    dir="$work/stop$signal"
    "$tool" --screen $screen --frames 0-99999 --format ppm --out "$dir" 2>"$work/err" &
    pid=$!
    wait_for "$dir/frame_000003.ppm"
    kill -$signal $pid
    wait $pid
    code=$?
    check "SIG$signal: ended by the signal" test $code -eq $((128 + $(kill -l $signal)))
    check "SIG$signal: says so" grep -q "stopped by SIG$signal; frames 0-[0-9]* are complete" "$work/err"
    last=$(grep -o "frames 0-[0-9]*" "$work/err" | cut -d- -f2)
    expect_clean_end "SIG$signal" "$dir" $((${last:-0} + 1))
done

finish "velmora-render faults"

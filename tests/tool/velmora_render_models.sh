#!/usr/bin/env bash
# velmora-render with the user's own files: real 3DS files from Debian's
# assimp-testmodels in every mode that draws, a picture made with the
# README's ImageMagick command, and each kind of bad input once, with the
# exact line it prints, exit code 1 and nothing written.
# Usage: velmora_render_models.sh path/to/velmora-render path/to/assets/embedded MODELS_DIR
set -u
tool=$1
embedded=$2
models=$3
source "$(dirname "$0")/tool_test_lib.sh"
SkipCode=77  # ctest SKIP_RETURN_CODE

if [ ! -f "$models/3DS/fels.3ds" ]; then
    echo "skipped: assimp-testmodels is not installed (no $models/3DS/fels.3ds)"
    exit $SkipCode
fi
fels=$models/3DS/fels.3ds
cube=$models/3DS/RotatingCube.3DS  # one object, 'Box01': 26 vertices, its first face record at byte 658

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
patch_at() {  # patch_at FILE OFFSET BYTES...: overwrite bytes in place
    local file=$1 at=$2; shift 2
    printf "$@" | dd of="$file" bs=1 seek="$at" conv=notrunc status=none
}
# A model of fels.3ds's one object N times over (13142 bytes at byte 184).
repeated_fels() {
    local copies=$1 out=$2 body=$((13142 * $1))
    { printf 'MM'; le32 $((12 + body)); printf '==';  le32 $((6 + body))
      for _ in $(seq "$copies"); do tail -c +185 "$fels" | head -c 13142; done; } >"$out"
}

# expect_refused "LINE" args...: exit 1, exactly that line on stderr, and no
# output folder made (frames go to $work/never unless a mode writes none).
expect_refused() {
    local line=$1; shift
    local out=(--out "$work/never")
    case " $* " in *" --video "* | *" --bench "* | *" --soak "*) out=() ;; esac
    "$tool" "$@" "${out[@]}" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne 1 ] || [ "$(cat "$work/err")" != "velmora-render: $line" ]; then
        fail "velmora-render $* exited $got with:"; cat "$work/err"; echo "expected: velmora-render: $line"
    elif [ -e "$work/never" ]; then
        fail "velmora-render $* made its output folder"
    else
        passes=$((passes + 1))
    fi
}

# Bad input, one of each kind.
expect_refused "cannot read $work/none.3ds: No such file or directory" --model "$work/none.3ds"
mkdir "$work/folder.3ds"
expect_refused "cannot read $work/folder.3ds: it is a directory" --model "$work/folder.3ds"
if [ "$(id -u)" -ne 0 ]; then
    cp "$fels" "$work/locked.3ds" && chmod 000 "$work/locked.3ds"
    expect_refused "cannot read $work/locked.3ds: Permission denied" --model "$work/locked.3ds"
fi
expect_refused "$models/invalid/empty.3ds: the file is empty" --model "$models/invalid/empty.3ds"
expect_refused "$models/3DS/test.png: not a 3DS model: it does not begin with the 3DS main chunk (4D4D)" \
    --model "$models/3DS/test.png"
head -c 5000 "$fels" >"$work/cut.3ds"
expect_refused "$work/cut.3ds: cut short: its main chunk is 13326 bytes long, but the file holds only 5000" \
    --model "$work/cut.3ds"
cp "$cube" "$work/index.3ds" && patch_at "$work/index.3ds" 658 '\377\000'
expect_refused "$work/index.3ds: object 1 ('Box01'): face 0 names vertex 255, but the object has only 26 vertices" \
    --model "$work/index.3ds"
# The camera of CameraRollAnim.3ds (its object chunk, 67 bytes at byte 808) alone.
{ printf 'MM'; le32 79; printf '=='; le32 73; tail -c +809 "$models/3DS/CameraRollAnim.3ds" | head -c 67; } >"$work/camera.3ds"
expect_refused "$work/camera.3ds: no faces to draw" --model "$work/camera.3ds"
repeated_fels 86 "$work/faces.3ds"
expect_refused "$work/faces.3ds: 66048 faces in all, more than the 65535 a model may have" --model "$work/faces.3ds"
repeated_fels 170 "$work/vertices.3ds"
expect_refused "$work/vertices.3ds: 65620 vertices in all, more than the 65535 a model may have" \
    --video "$work/never.mp4" --model "$work/vertices.3ds"
check "no video file from a refused model" test ! -e "$work/never.mp4"
expect_refused "$embedded/face_classes.bin: 3864 bytes, but the model's 768 faces need 1536: one 16-bit class per face" \
    --model "$fels" --classes "$embedded/face_classes.bin"
for _ in $(seq 768); do printf '\012\000'; done >"$work/ten.bin"
expect_refused "$work/ten.bin: face 0 has class 10, but classes run from 1 to 9" --model "$fels" --classes "$work/ten.bin"
cp "$embedded/band.bmp" "$work/wide.bmp" && patch_at "$work/wide.bmp" 18 '\100\000' && patch_at "$work/wide.bmp" 28 '\030'
expect_refused "$work/wide.bmp: a 64 x 34 BMP with 24 bits per pixel, but a picture must be a 128 x 34 BMP with 8 bits per pixel, a 256-colour palette, rows stored bottom first and no compression" \
    --bench --picture "$work/wide.bmp"

# A model and its files in every mode that draws.
for file in "$models"/3DS/*.3ds "$models"/3DS/*.3DS; do
    expect_exit 0 "" --model "$file" --screen 200x150 --frames 300 --out "$work/all"
done
expect_exit 0 "" --model "$fels" --screen 200x150 --frames 561 --buffers --out "$work/views"
check "--buffers with a model writes its views" test -f "$work/views/frame_000561_faces.png"
expect_exit 0 "" --bench --model "$fels" --screen 200x150 --frames 0-1
check "--bench with a model times its frames" grep -q "2 frames" "$work/out"
expect_exit 0 "" --soak --model "$fels" --screen 200x150 --frames 0-2
if "$tool" --video "$work/v.mp4" --model "$fels" --screen 200x150 --frames 0-1 >/dev/null 2>"$work/err"; then
    check "--video with a model writes its file" test -s "$work/v.mp4"
else
    check "only a build without FFmpeg refuses --video" grep -q "configured without FFmpeg" "$work/err"
fi

# The README's command makes the picture from any image, a photograph or one of two
# colours; on a model whose faces are partly translucent the picture shows.
if command -v convert >/dev/null; then
    convert -size 300x80 xc:red -fill white -draw 'circle 150,40 150,10' "$work/two_colours.png"
    for image in "$models/3DS/IMAGE1.jpg" "$work/two_colours.png"; do
        convert "$image" -resize '128x34!' \( -size 128x1 gradient: \) -append \
            -colors 256 -crop 128x34+0+0 +repage -compress None BMP3:"$work/picture.bmp"
        expect_exit 0 "" --picture "$work/picture.bmp" --screen 200x150 --frames 400 --out "$work/picture"
    done
    for face in $(seq 0 767); do [ $((face % 3)) = 0 ] && printf '\001\000' || printf '\002\000'; done >"$work/thirds.bin"
    expect_exit 0 "" --model "$fels" --classes "$work/thirds.bin" --screen 200x150 --frames 300 --out "$work/embedded"
    expect_exit 0 "" --model "$fels" --classes "$work/thirds.bin" --picture "$work/picture.bmp" \
        --screen 200x150 --frames 300 --out "$work/red"
    check "the picture shows on the translucent faces" \
        bash -c "! cmp -s '$work/embedded/frame_000300.png' '$work/red/frame_000300.png'"
else
    echo "skipped: the picture from ImageMagick (no convert)"
fi

finish "velmora-render with the user's files"

#!/usr/bin/env bash
# The packages as a user gets them: the Debian package is made, installed with
# apt-get, run from PATH and removed; the Windows zip is made, unpacked, and
# the program taken out of it passes the Wine window test.
#   tests/package/ci_packages.sh [deb|zip]...   (both when none is named)
# The deb part needs root (apt-get); the zip part mingw-w64, Wine, Xvfb and the
# window test's tools. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
installed_here=
cleanup() {
    # A failed run must not leave the package installed on the machine.
    if [ -n "$installed_here" ]; then apt-get remove -y velmora >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The one version: project(Velmora VERSION x.y.z) in CMakeLists.txt.
version=$(sed -n 's/^project(Velmora VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "FAIL: no project version in CMakeLists.txt" >&2; exit 1; }

step() { echo "== $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_equal() {  # expect_equal WHAT GOT WANTED
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}

# Every library the package's programs load belongs to a package it depends
# on, so that apt-get brings them onto a machine that lacks them.
check_declared_libraries() {
    local deb=$1 depends program library path owner
    depends=$(dpkg-deb -f "$deb" Depends | sed 's/ ([^)]*)//g; s/, */\n/g')  # one package name a line
    dpkg-deb -x "$deb" "$work/unpacked"
    for program in "$work"/unpacked/usr/bin/*; do
        for library in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
            path=$(ldconfig -p | awk -v l="$library" '$1 == l && /x86-64/ && !p { p = $NF } END { print p }')
            [ -n "$path" ] || fail "$(basename "$program") needs $library, which is not on this machine"
            owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null) ||
                fail "no package owns $path"
            owner=${owner%%:*}
            grep -qxF "$owner" <<<"$depends" ||
                fail "$(basename "$program") loads $library from $owner, which the package does not depend on"
        done
    done
}

test_deb() {
    step "Debian package"
    cmake --preset release -DVELMORA_VIDEO=ON >/dev/null
    cmake --build --preset release --target velmora velmora-render
    rm -f build/release/velmora_*.deb
    cpack --preset deb
    local deb=build/release/velmora_${version}_amd64.deb
    [ -f "$deb" ] || fail "cpack made no $deb"
    echo "$deb: $(stat -c %s "$deb") bytes; Depends: $(dpkg-deb -f "$deb" Depends)"
    check_declared_libraries "$deb"

    step "apt-get install ./$deb"
    installed_here=1
    apt-get install -y "./$deb"
    expect_equal "velmora-render on PATH" "$(command -v velmora-render)" /usr/bin/velmora-render
    expect_equal "velmora on PATH" "$(command -v velmora)" /usr/bin/velmora
    expect_equal "velmora-render --version" "$(velmora-render --version)" "velmora-render $version"
    expect_equal "velmora --version without a display" "$(env -u DISPLAY -u WAYLAND_DISPLAY velmora --version)" \
        "velmora $version"
    for doc in README.md docs/frame_000384.png; do
        [ -f "/usr/share/doc/velmora/$doc" ] || fail "/usr/share/doc/velmora/$doc not installed"
    done

    step "the installed velmora-render draws the build's frame"
    (cd "$work" && velmora-render --frames 0 --screen 480x360 --out installed)
    build/release/tools/velmora_render/velmora-render --frames 0 --screen 480x360 --out "$work/built"
    cmp "$work/installed/frame_000000.png" "$work/built/frame_000000.png" ||
        fail "frame 0 from the installed velmora-render differs from the build's"
    (cd "$work" && velmora-render --video installed.mp4 --frames 0-9 --screen 480x360)
    [ -s "$work/installed.mp4" ] || fail "the installed velmora-render wrote no video"

    step "apt-get remove velmora"
    apt-get remove -y velmora
    installed_here=
    if dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q "install ok installed"; then
        fail "velmora is still installed"
    fi
    for file in /usr/bin/velmora /usr/bin/velmora-render /usr/share/doc/velmora; do
        [ ! -e "$file" ] || fail "$file is left after removal"
    done
    echo "Debian package: installed, ran and removed cleanly"
}

test_zip() {
    step "Windows zip"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target velmora
    rm -f build/win64/velmora-*-win64.zip
    cpack --preset win64
    local zip=build/win64/velmora-${version}-win64.zip
    [ -f "$zip" ] || fail "cpack made no $zip"
    echo "$zip: $(stat -c %s "$zip") bytes"
    unzip -q "$zip" -d "$work/zip"
    expect_equal "zip contents" "$(cd "$work/zip" && find . -type f | sort | tr '\n' ' ')" \
        "./velmora-${version}-win64/README.txt ./velmora-${version}-win64/velmora.exe "

    step "the window test under Wine, with the exe from the zip"
    bash tests/integration/window_test.sh wine "$work/zip/velmora-${version}-win64/velmora.exe" appearance ||
        fail "the exe from the zip failed the Wine window test"
    echo "Windows zip: the exe from the zip passed the Wine window test"
}

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(deb zip)
for part in "${parts[@]}"; do
    case "$part" in
        deb) test_deb ;;
        zip) test_zip ;;
        *) fail "unknown part '$part': deb or zip" ;;
    esac
done
echo "packages: ${#parts[@]} passed, 0 failed"

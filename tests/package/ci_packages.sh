#!/usr/bin/env bash
# The packages as a user gets them: the Debian package is made, installed with
# apt-get, run from PATH and removed; the Windows zip is made, unpacked, and
# the program taken out of it passes the Wine window test.
#   tests/package/ci_packages.sh [deb|zip]...   (both when none is named)
# The deb part needs root (apt-get), lintian, man-db, desktop-file-utils and
# appstream; the zip part mingw-w64, Wine, Xvfb and the window test's tools.
# Exits non-zero on the first failure.
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

    step "lintian $deb"
    # Debian's own checker, its informational tags included, has nothing to say.
    local report
    report=$(lintian --display-info "$deb" 2>&1 | grep -v "running with root privileges is not recommended") || true
    [ -z "$report" ] || { echo "$report"; fail "lintian reports on $deb"; }
    desktop-file-validate "$work/unpacked/usr/share/applications/velmora.desktop" ||
        fail "the packaged menu entry is not valid"
    appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/io.velmora.Velmora.metainfo.xml" ||
        fail "the packaged metainfo is not valid"

    step "apt-get install ./$deb"
    installed_here=1
    apt-get install -y "./$deb"
    expect_equal "velmora-render on PATH" "$(command -v velmora-render)" /usr/bin/velmora-render
    expect_equal "velmora on PATH" "$(command -v velmora)" /usr/bin/velmora
    expect_equal "velmora-render --version" "$(velmora-render --version)" "velmora-render $version"
    expect_equal "velmora --version without a display" "$(env -u DISPLAY -u WAYLAND_DISPLAY velmora --version)" \
        "velmora $version"
    for doc in README.md docs/frame_000384.png copyright changelog.gz; do
        [ -f "/usr/share/doc/velmora/$doc" ] || fail "/usr/share/doc/velmora/$doc not installed"
    done

    step "the menu entry, its icon and the manual pages"
    local entry=/usr/share/applications/velmora.desktop
    [ -f "$entry" ] || fail "$entry not installed"
    expect_equal "the menu entry's program" "$(sed -n 's/^Exec=//p' "$entry")" velmora
    expect_equal "the menu entry's icon" "$(sed -n 's/^Icon=//p' "$entry")" velmora
    for size in 48 64 128 256; do
        cmp "/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png" "packaging/icons/velmora-$size.png" ||
            fail "the ${size}x${size} icon is not installed"
    done
    [ -f /usr/share/metainfo/io.velmora.Velmora.metainfo.xml ] || fail "the AppStream metainfo is not installed"
    local shown
    for page in velmora velmora-render; do
        shown=$(MANWIDTH=80 man 6 "$page" 2>/dev/null) || fail "man 6 $page shows no page"
        grep -q "^NAME" <<<"$shown" || fail "man 6 $page shows no page"
    done
    grep -q "icon DIR" <<<"$shown" || fail "man 6 velmora-render lacks --icon"

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
    for file in /usr/bin/velmora /usr/bin/velmora-render /usr/share/doc/velmora /usr/share/applications/velmora.desktop \
        /usr/share/man/man6/velmora-render.6.gz /usr/share/icons/hicolor/48x48/apps/velmora.png; do
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
    local dir=$work/zip/velmora-${version}-win64
    expect_equal "zip contents" "$(cd "$dir" && find . -type f | sort | tr '\n' ' ')" \
        "./LICENSE.txt ./README.txt ./THIRD-PARTY-NOTICES.txt ./velmora.exe "
    cmp "$dir/LICENSE.txt" LICENSE || fail "LICENSE.txt is not the project's licence"
    grep -q "winpthreads" "$dir/THIRD-PARTY-NOTICES.txt" || fail "the notices do not name winpthreads"
    # The icon resource holds the committed .ico's images, the PNG files themselves.
    hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }
    local exe_bytes icon_bytes
    exe_bytes=$(hex "$dir/velmora.exe")
    icon_bytes=$(hex packaging/icons/velmora-256.png)
    [[ $exe_bytes == *"$icon_bytes"* ]] || fail "velmora.exe does not carry the program's icon"

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

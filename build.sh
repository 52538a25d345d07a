#!/usr/bin/env bash
# Installs what Velmora needs on Debian/Ubuntu, builds it and then either
# starts the demo or runs the tests.
#   ./build.sh demo    build and start the demo (needs a display)
#   ./build.sh test    build and run the test suite (further arguments go to ctest)
#   ./build.sh web     build the WebAssembly page and serve it locally
#   ./build.sh package build the Debian package and the Windows zip
#   ./build.sh deps    only install the packages (the demo's and the tests')
set -euo pipefail
cd "$(dirname "$0")"

# Build tools and libraries; the window tests add a virtual X server and the
# tools that drive and photograph it, the frame-time plot its matplotlib, and
# the tests of the user's own models real 3DS files (assimp-testmodels).
build_packages=(cmake ninja-build g++ pkg-config libsdl2-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev
                libavcodec-dev libavformat-dev libswscale-dev libavutil-dev)
test_packages=(xvfb xauth xdotool x11-utils imagemagick jwm wmctrl ffmpeg python3-matplotlib assimp-testmodels)
# The .deb: dpkg-shlibdeps (dpkg-dev) turns the libraries the programs load
# into its dependencies, and CPack asks `file` which installed files are
# programs before it runs it. The zip: the mingw-w64 cross-compiler, and
# GoogleTest's sources, which the win64 preset's tests are configured with.
deb_packages=(dpkg-dev file)
zip_packages=(g++-mingw-w64-x86-64 googletest)

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "build.sh: installing ${missing[*]} needs root or sudo" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    # Through env: sudo would drop the variable from the environment it passes on.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

build_release() {
    cmake --preset release
    cmake --build --preset release
}

case "${1:-}" in
    demo)
        install_packages "${build_packages[@]}"
        build_release
        exec ./build/release/app/velmora
        ;;
    test)
        install_packages "${build_packages[@]}" "${test_packages[@]}"
        build_release
        shift
        ctest --preset release "$@"
        ;;
    web)
        install_packages emscripten cmake ninja-build
        cmake --preset web
        cmake --build --preset web
        exec python3 platform/web/serve.py
        ;;
    package)
        install_packages "${build_packages[@]}" "${deb_packages[@]}" "${zip_packages[@]}"
        build_release
        cpack --preset deb
        # The zip holds the program alone, so only it is built.
        cmake --preset win64
        cmake --build --preset win64 --target velmora
        cpack --preset win64
        ;;
    deps)
        install_packages "${build_packages[@]}" "${test_packages[@]}"
        ;;
    *)
        echo "usage: ./build.sh demo | test | web | package | deps" >&2
        exit 2
        ;;
esac

#!/usr/bin/env bash
# The web build in CI, from a clean checkout on Debian 12 as root: installs
# emscripten, Chromium, Firefox ESR and the browser driver, builds the native
# velmora-render (the reference frames) and lane_primitives (x86's results)
# and the page, then runs the web tests (ctest --preset web: the WebAssembly
# frames and lane primitives under Node, the page in headless Chromium and
# Firefox).
set -euo pipefail
cd "$(dirname "$0")/../.."
export DEBIAN_FRONTEND=noninteractive

# The native build's packages (the reference frames come from velmora-render).
./build.sh deps

# emscripten brings clang, lld, binaryen, node-acorn and Node.js; npm only
# where Node.js came without it.
packages=(emscripten chromium firefox-esr)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update
    apt-get install -y "${missing[@]}"
fi

# The browser driver, exactly as locked; it downloads no browser.
PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix tests/web --no-audit --no-fund

cmake --preset release
cmake --build --preset release --target velmora-render lane_primitives
cmake --preset web
cmake --build --preset web
ctest --preset web -L web --no-tests=error ${REPORT:+--output-junit "$REPORT"}

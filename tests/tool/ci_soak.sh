#!/usr/bin/env bash
# CI: the short soak. Builds velmora-render (release preset) and draws 20,000
# frames at a 330x250 screen (320x240 picture); fails if resident memory grows
# by more than 1 MiB after the first 1000 frames, or open files or threads grow.
# Needs: cmake, ninja-build, g++, libpng-dev (the release build's packages).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset release >/dev/null
cmake --build --preset release --target velmora-render
bench/soak.sh build/release/tools/velmora_render/velmora-render 20000 330x250

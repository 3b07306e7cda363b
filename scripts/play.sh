#!/usr/bin/env bash
# Builds the game alone (no tests, so neither GoogleTest nor Xvfb nor the X11
# headers are needed) and starts it. CMAKE_BUILD_PARALLEL_LEVEL, when set,
# is the number of build jobs; else all cores.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELKARO_TESTS=OFF >/dev/null
cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target velkaro
exec ./build/velkaro

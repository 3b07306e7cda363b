#!/usr/bin/env bash
# Installs the Debian packages when any is missing (scripts/setup.sh, the
# same list the tests need), builds the game alone, without the tests, and
# starts it. CMAKE_BUILD_PARALLEL_LEVEL, when set, is the number of build
# jobs; else all cores.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELKARO_TESTS=OFF >/dev/null
cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target velkaro
exec ./build/velkaro

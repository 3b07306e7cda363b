#!/usr/bin/env bash
# Installs the Debian packages when any is missing (scripts/setup.sh, the
# same list the tests need), builds the game alone and starts it. build/ is
# configured as scripts/test.sh configures it, tests on: a configuration
# without them would leave ctest listing test executables that no build
# rebuilds any more. CMAKE_BUILD_PARALLEL_LEVEL, when set, is the number of
# build jobs; else all cores.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELKARO_TESTS=ON >/dev/null
cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target velkaro
exec ./build/velkaro

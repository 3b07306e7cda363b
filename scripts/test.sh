#!/usr/bin/env bash
# Builds everything and runs every test. CMAKE_BUILD_PARALLEL_LEVEL and
# CTEST_PARALLEL_LEVEL, when set, are the numbers of build and test jobs;
# else all cores.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_JOBS=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
TEST_JOBS=${CTEST_PARALLEL_LEVEL:-$(nproc)}
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELKARO_TESTS=ON
cmake --build build -j"$BUILD_JOBS"
ctest --test-dir build --output-on-failure -j"$TEST_JOBS"

# The same game under AddressSanitizer and UndefinedBehaviorSanitizer: the
# tests labelled sanitize (the long run, the extreme states, the trace tool
# and the platform core), where a memory or arithmetic fault would hide in
# the plain build. The target `sanitized` builds what they run; a stage that
# finds no test fails. The sanitizers slow a pass about twofold; set
# VELKARO_ASAN_SOAK_PASSES for a shorter run (one that ends near pass
# 100,000 or before skips the memory growth check, and says so).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARO_SANITIZE=ON -DVELKARO_TESTS=ON
cmake --build build-asan -j"$BUILD_JOBS" --target sanitized
VELKARO_SOAK_PASSES="${VELKARO_ASAN_SOAK_PASSES:-1000000}" VELKARO_SOAK_RSS_SLACK_KB=4096 \
  ctest --test-dir build-asan --output-on-failure -j"$TEST_JOBS" -L sanitize --no-tests=error

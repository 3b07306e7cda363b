#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The same game under AddressSanitizer and UndefinedBehaviorSanitizer: the
# long run, the extreme states, the trace tool's failures and the key press
# counts, where a memory or arithmetic fault would hide in the plain build.
# The sanitizers slow a pass about twofold; set VELKARO_ASAN_SOAK_PASSES for a
# shorter run.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARO_SANITIZE=ON
cmake --build build-asan -j"$(nproc)" --target velkaro-trace test_extreme_state test_trace_tool \
  test_platform_core
VELKARO_SOAK_PASSES="${VELKARO_ASAN_SOAK_PASSES:-1000000}" VELKARO_SOAK_RSS_SLACK_KB=4096 \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)" \
  -R '^(e2e_soak|ExtremeState\.|Cases/TraceToolFailure\.|Core\.KeyHit)'

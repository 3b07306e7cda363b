#!/usr/bin/env bash
# A long run of the game's logic (velkaro-trace over a scripted mix of
# menu, free flight, dives and challenge) with its invariants checked.
#
#   bash tests/e2e_soak.sh BUILD_DIR [PASSES]
# PASSES defaults to $VELKARO_SOAK_PASSES, else 1,000,000.
set -euo pipefail
BUILD=$(cd "${1:?usage: e2e_soak.sh BUILD_DIR [PASSES]}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
PASSES=${2:-${VELKARO_SOAK_PASSES:-1000000}}
TOOL="$BUILD/velkaro-trace"
ART="$BUILD/e2e-artifacts/soak"
[ -x "$TOOL" ] || { echo "FAIL: $TOOL not built" >&2; exit 1; }
mkdir -p "$ART"
# Sanitizer builds: any report fails the run at once. AddressSanitizer
# keeps freed blocks in a quarantine (256 MiB by default) to catch late
# uses; a small one fills long before the baseline at pass 100,000, so the
# resident-memory check sees a leak rather than the quarantine.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=8}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
python3 "$HERE/e2e_soak.py" "$TOOL" "$PASSES" "$ART/scenario.txt" 2> >(tee "$ART/stderr.log" >&2)

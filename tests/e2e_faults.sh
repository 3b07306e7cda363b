#!/usr/bin/env bash
# The real game under bad conditions: no display at all, and no usable
# audio device.
#
#   bash tests/e2e_faults.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: e2e_faults.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.bash"

GAME="$BUILD/velkaro"
ART="$BUILD/e2e-artifacts/faults"
[ -x "$GAME" ] || e2e_fail "$GAME not built"
rm -rf "$ART"
mkdir -p "$ART"

# ---- No display: one line naming the cause on stderr, a non-zero status,
# no crash (a signal would give a status above 128). With a session's
# runtime directory, as on any desktop, that line is all that is printed;
# without one, a display library may add its own complaint, but the game
# still says one line of its own.
no_display() {
  local name=$1
  shift
  local status=0
  env -u DISPLAY -u WAYLAND_DISPLAY "$@" SDL_AUDIODRIVER=dummy timeout 60 "$GAME" \
    >"$ART/$name.out" 2>"$ART/$name.err" || status=$?
  [ "$status" -ne 0 ] || e2e_fail "$name: exit status 0"
  [ "$status" -lt 124 ] || e2e_fail "$name: status $status (hung or crashed)"
  [ ! -s "$ART/$name.out" ] || e2e_fail "$name: output on stdout"
  own=$(grep -c '^velkaro: ' "$ART/$name.err" || true)
  [ "$own" -eq 1 ] || {
    cat "$ART/$name.err" >&2
    e2e_fail "$name: $own lines of the game's own on stderr, not one"
  }
  grep '^velkaro: ' "$ART/$name.err" | grep -qi 'display\|video\|window' ||
    e2e_fail "$name: the message names no cause: $(cat "$ART/$name.err")"
  echo "ok: $name -> status $status: $(grep '^velkaro: ' "$ART/$name.err")"
}
mkdir -m 700 "$E2E_TMP/runtime"
no_display no-display XDG_RUNTIME_DIR="$E2E_TMP/runtime"
lines=$(grep -c . "$ART/no-display.err" || true)
[ "$lines" -eq 1 ] || {
  cat "$ART/no-display.err" >&2
  e2e_fail "no display: $lines lines on stderr, not one"
}
no_display no-display-no-runtime-dir -u XDG_RUNTIME_DIR

# ---- No audio device: the game opens, runs and quits normally, whether
# SDL looks for a device itself or is sent to a driver that has none.
e2e_start_xvfb
audio_case() {
  local name=$1
  shift
  env "$@" "$GAME" >"$ART/$name.log" 2>&1 &
  E2E_GAME_PID=$!
  e2e_wait_window
  # Let it play for a while: phrases are started as the timer runs.
  sleep 2
  kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "$name: the game ended by itself"
  e2e_key space
  sleep 1
  e2e_key Escape
  e2e_wait_exit 15
  [ "$E2E_STATUS" -eq 0 ] || {
    cat "$ART/$name.log" >&2
    e2e_fail "$name: exit status $E2E_STATUS"
  }
  echo "ok: $name -> the game ran and ended with status 0"
}
audio_case audio-unset -u SDL_AUDIODRIVER
audio_case audio-alsa-no-card SDL_AUDIODRIVER=alsa ALSA_CONFIG_PATH=/dev/null
audio_case audio-bogus-driver SDL_AUDIODRIVER=no-such-driver
echo "e2e_faults: all checks passed"

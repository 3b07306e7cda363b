#!/usr/bin/env bash
# The real game under bad conditions: no display at all, a display server
# that is named but absent, no usable audio device, the game's window
# destroyed by another program in flight or the moment it exists, and an X
# server that goes away while the game runs.
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
# A Wayland display that is named but absent: the line names what was tried.
no_display wayland-absent XDG_RUNTIME_DIR="$E2E_TMP/runtime" WAYLAND_DISPLAY=velkaro-absent-0
grep -q "'velkaro-absent-0' (WAYLAND_DISPLAY).*DISPLAY is not set" "$ART/wayland-absent.err" || {
  cat "$ART/wayland-absent.err" >&2
  e2e_fail "wayland-absent: the line does not name the display tried"
}
[ "$(grep -c . "$ART/wayland-absent.err")" -eq 1 ] || e2e_fail "wayland-absent: more than one line"

# ---- No audio device: the game opens, runs and quits normally, whether
# SDL looks for a device itself or is sent to a driver that has none; at
# most one line on stderr, the game's own, says it runs without sound.
e2e_start_xvfb
audio_case() {
  local name=$1
  shift
  env "$@" "$GAME" >"$ART/$name.log" 2>"$ART/$name.err" &
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
    cat "$ART/$name.err" >&2
    e2e_fail "$name: exit status $E2E_STATUS"
  }
  if grep -qv '^velkaro: running without sound: ' "$ART/$name.err" ||
    [ "$(grep -c . "$ART/$name.err")" -gt 1 ]; then
    cat "$ART/$name.err" >&2
    e2e_fail "$name: stderr holds more than the game's one line about sound"
  fi
  echo "ok: $name -> the game ran and ended with status 0: $(cat "$ART/$name.err")"
}
audio_case audio-unset -u SDL_AUDIODRIVER
audio_case audio-alsa SDL_AUDIODRIVER=alsa
audio_case audio-alsa-no-card SDL_AUDIODRIVER=alsa ALSA_CONFIG_PATH=/dev/null
audio_case audio-bogus-driver SDL_AUDIODRIVER=no-such-driver

# ---- Another program destroys the game's window in flight (`xdotool
# windowclose` destroys it; a window manager's close button would ask): the
# game's own line alone, not Xlib's dump of the failed request, status 1,
# and no hang.
# destroyed_ends_the_game WHAT ERRFILE: waits for the game, which must end so.
destroyed_ends_the_game() {
  local what=$1 err=$2
  e2e_wait_exit 10
  [ "$E2E_STATUS" -eq 1 ] &&
    echo "velkaro: the game's window was destroyed by another program" | cmp -s - "$err" || {
    cat "$err" >&2
    e2e_fail "window destroyed $what: status $E2E_STATUS, or stderr is not the game's one line"
  }
}
SDL_AUDIODRIVER=dummy "$GAME" >"$ART/window-destroyed.log" 2>"$ART/window-destroyed.err" &
E2E_GAME_PID=$!
e2e_wait_window
e2e_key space
sleep 1
xdotool windowclose "$E2E_WIN"
destroyed_ends_the_game "in flight" "$ART/window-destroyed.err"
echo "ok: window destroyed -> status 1 after $E2E_EXIT_MS ms: $(cat "$ART/window-destroyed.err")"

# ---- Destroyed the moment it exists: while SDL still makes it and its GL
# context, mapped or not, or as the first frames are presented. Each run the
# game's own line alone and status 1; the moment varies, so many runs, with
# two ways of finding the window: by the game's process id, polled every
# 5 ms, as a user's script would; and as it is created, destroyed 0 to 19 ms
# later (every window created, SDL's short-lived probe of the GL driver too).
CLOSE="$BUILD/e2e_wm_close"
[ -x "$CLOSE" ] || e2e_fail "$CLOSE not built"
EARLY_RUNS=${VELKARO_EARLY_DESTROY_RUNS:-40}
for run in $(seq 1 "$EARLY_RUNS"); do
  err="$ART/destroyed-early-$run.err"
  SDL_AUDIODRIVER=dummy "$GAME" >"$ART/destroyed-early.log" 2>"$err" &
  E2E_GAME_PID=$!
  destroyed=""
  for i in $(seq 1 6000); do
    kill -0 "$E2E_GAME_PID" 2>/dev/null || break
    id=$(xdotool search --pid "$E2E_GAME_PID" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      xdotool windowclose "$id" 2>/dev/null || true
      destroyed=$id
      break
    fi
    sleep 0.005
  done
  [ -n "$destroyed" ] || e2e_fail "destroyed early, run $run: the window never appeared"
  destroyed_ends_the_game "early, run $run" "$err"
done
echo "ok: window destroyed as soon as its id is found, $EARLY_RUNS runs -> status 1 and the game's one line each"
for delay_ms in $(seq 0 19); do
  err="$ART/destroyed-at-creation-$delay_ms.err"
  "$CLOSE" --destroy-new $((delay_ms * 1000)) >"$E2E_TMP/watch.out" &
  watcher=$!
  for i in $(seq 1 500); do
    grep -q ready "$E2E_TMP/watch.out" 2>/dev/null && break
    kill -0 "$watcher" 2>/dev/null || e2e_fail "the window watcher ended"
    sleep 0.01
  done
  SDL_AUDIODRIVER=dummy "$GAME" >"$ART/destroyed-at-creation.log" 2>"$err" &
  E2E_GAME_PID=$!
  destroyed_ends_the_game "$delay_ms ms after its creation" "$err"
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
done
echo "ok: window destroyed 0 to 19 ms after its creation -> status 1 and the game's one line each"

# ---- The X server goes away while the game runs: the game's own line, a
# non-zero status, no crash and no hang on the dead connection.
SDL_AUDIODRIVER=dummy "$GAME" >"$ART/lost-display.log" 2>"$ART/lost-display.err" &
E2E_GAME_PID=$!
e2e_wait_window
sleep 1
kill "$E2E_XVFB_PID"
wait "$E2E_XVFB_PID" 2>/dev/null || true
E2E_XVFB_PID=""
e2e_wait_exit 10
[ "$E2E_STATUS" -ne 0 ] && [ "$E2E_STATUS" -lt 124 ] || {
  cat "$ART/lost-display.err" >&2
  e2e_fail "lost display: exit status $E2E_STATUS"
}
[ "$(grep -c . "$ART/lost-display.err")" -eq 1 ] &&
  grep -q '^velkaro: lost the display ' "$ART/lost-display.err" || {
  cat "$ART/lost-display.err" >&2
  e2e_fail "lost display: stderr is not the game's one line"
}
echo "ok: lost display -> status $E2E_STATUS: $(cat "$ART/lost-display.err")"
echo "e2e_faults: all checks passed"

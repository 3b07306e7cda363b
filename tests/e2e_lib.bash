# Shared by the end-to-end scripts: a private X server, the game's window,
# real key events and screenshots. Sourced, not run.

E2E_XVFB_PID=""
E2E_GAME_PID=""
E2E_TMP=$(mktemp -d)

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_cleanup() {
  # Only the processes this script started, by their ids.
  if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null; then
    kill "$E2E_GAME_PID" 2>/dev/null || true
    wait "$E2E_GAME_PID" 2>/dev/null || true
  fi
  if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Starts Xvfb on a display number it picks itself and exports DISPLAY. With
# -noreset: a server that resets as its last client leaves refuses a game
# started in that moment.
e2e_start_xvfb() {
  local numfile="$E2E_TMP/display"
  : >"$numfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$numfile" \
    >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 1 300); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(head -n1 "$numfile" | tr -d '[:space:]')"
      return 0
    fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$E2E_TMP/xvfb.log" >&2
  e2e_fail "Xvfb did not start"
}

# e2e_start_game BINARY LOGFILE: starts the game in the background.
e2e_start_game() {
  "$1" >"$2" 2>&1 &
  E2E_GAME_PID=$!
}

# Waits for the game's window; sets E2E_WIN. A minute: a loaded machine
# may take long to start the game, and only a window that never comes is a
# fault.
e2e_wait_window() {
  local i ids
  for i in $(seq 1 600); do
    kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended before its window opened"
    ids=$(xdotool search --onlyvisible --name '^Velkaro' 2>/dev/null || true)
    if [ -n "$ids" ]; then
      E2E_WIN=$(echo "$ids" | head -n1)
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "no window named Velkaro within 60 s"
}

# Key events through the XTEST extension go to the focused window, as a
# player's keyboard would; no window manager runs, so focus it by hand.
e2e_focus() {
  xdotool windowfocus "$E2E_WIN" 2>/dev/null || true
}
e2e_key() {
  e2e_focus
  xdotool key --delay 60 "$@"
}
e2e_keydown() {
  e2e_focus
  xdotool keydown "$@"
}
e2e_keyup() {
  xdotool keyup "$@"
}

# e2e_shot FILE.xwd: a dump of the window's current picture.
e2e_shot() {
  xwd -silent -id "$E2E_WIN" -out "$1"
}

# e2e_wait_exit SECONDS: waits for the game to end; sets E2E_STATUS and
# E2E_EXIT_MS, or fails when it is still running after SECONDS. Give
# SECONDS ample room: it is wall time, which a loaded machine stretches.
e2e_wait_exit() {
  local limit_ms start now
  limit_ms=$(awk "BEGIN{print int($1*1000)}")
  start=$(date +%s%3N)
  while kill -0 "$E2E_GAME_PID" 2>/dev/null; do
    now=$(date +%s%3N)
    if [ $((now - start)) -gt "$limit_ms" ]; then
      e2e_fail "the game still runs $1 s later"
    fi
    sleep 0.02
  done
  E2E_EXIT_MS=$(($(date +%s%3N) - start))
  E2E_STATUS=0
  wait "$E2E_GAME_PID" || E2E_STATUS=$?
  E2E_GAME_PID=""
}

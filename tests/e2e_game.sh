#!/usr/bin/env bash
# Plays the real game in a real window on a private X server: real key
# events in, real screenshots out, checked from their pixels. The
# screenshots stay in BUILD_DIR/e2e-artifacts/game for a person to look at.
#
#   bash tests/e2e_game.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: e2e_game.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.bash"

GAME="$BUILD/velkaro"
CLOSE="$BUILD/e2e_wm_close"
ART="$BUILD/e2e-artifacts/game"
[ -x "$GAME" ] || e2e_fail "$GAME not built"
[ -x "$CLOSE" ] || e2e_fail "$CLOSE not built"
rm -rf "$ART"
mkdir -p "$ART"
pixels() { python3 "$HERE/e2e_pixels.py" "$@"; }
export SDL_AUDIODRIVER=dummy

# wait_stage STAGE SECONDS NAME: takes screenshots until one shows STAGE;
# keeps that one as NAME.png. The limits are generous: on a loaded machine
# the game and the X server may be slow, and only a picture that never
# comes is a fault.
wait_stage() {
  local stage=$1 limit=$2 name=$3 deadline why=""
  deadline=$(($(date +%s) + limit))
  while [ "$(date +%s)" -le "$deadline" ]; do
    kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended while waiting for $stage"
    e2e_shot "$ART/$name.xwd"
    if why=$(pixels check "$stage" "$ART/$name.xwd"); then
      rm -f "$ART/$name.xwd"
      echo "ok: $stage shows ($name.png)"
      return 0
    fi
    sleep 0.3
  done
  e2e_fail "$stage not shown within $limit s: $why (see $ART/$name.png)"
}

e2e_start_xvfb

# ---- Run 1: menu, free flight, flapping, challenge, Escape.
e2e_start_game "$GAME" "$ART/run1.log"
e2e_wait_window
geometry=$(xdotool getwindowgeometry "$E2E_WIN" | awk '/Geometry/ {print $2}')
[ "$geometry" = "640x480" ] || e2e_fail "window is $geometry, not 640x480"
title=$(xdotool getwindowname "$E2E_WIN")
case "$title" in
  "Velkaro v.0.5"*) ;;
  *) e2e_fail "window title '$title'" ;;
esac

wait_stage menu 60 01-menu

e2e_key space
wait_stage freeflight 30 02-free-flight

# The bird comes up from the bottom edge and rests at the floor, its top
# near y 428; then both wings are beaten in short strokes (well under the
# 35-frame cap, so the bird climbs) while screenshots are taken. One xdotool
# process sends every stroke, so their lengths do not depend on how fast
# processes start; the screenshots are only taken now and read afterwards.
sleep 1.5
e2e_shot "$ART/03-bird-resting.xwd"
strokes=()
for _ in $(seq 1 40); do
  strokes+=(keydown z m sleep 0.13 keyup z m sleep 0.07)
done
e2e_focus
xdotool "${strokes[@]}" &
beater=$!
sleep 3
for i in 1 2 3; do
  e2e_shot "$ART/04-bird-flapping-$i.xwd"
  sleep 0.5
done
wait "$beater"
e2e_keyup z m

e2e_key F1
wait_stage challenge 30 05-challenge

# Escape ends the game within about a second; the key travels through
# xdotool and the X server first, and a loaded machine delays both, so the
# limit only tells a game that ignores the key from a slow one.
e2e_key Escape
e2e_wait_exit 15
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "Escape: exit status $E2E_STATUS"
echo "ok: Escape ended the game in $E2E_EXIT_MS ms with status 0"

mapfile -t tops < <(pixels bird-top "$ART/03-bird-resting.xwd" "$ART"/04-bird-flapping-{1,2,3}.xwd)
rm -f "$ART"/0[34]-*.xwd
[ "${#tops[@]}" -eq 4 ] || e2e_fail "the bird screenshots could not be read: ${tops[*]}"
rest=${tops[0]}
echo "bird top row: $rest at rest (-1: partly below the edge), then ${tops[*]:1} while beating"
[ "$rest" -lt 0 ] || [ "$rest" -ge 400 ] ||
  e2e_fail "the bird flies at y $rest before any wing beat (see $ART/03-bird-resting.png)"
risen=0
for top in "${tops[@]:1}"; do
  if [ "$top" -ge 0 ] && [ "$top" -lt 380 ]; then risen=$((risen + 1)); fi
done
[ "$risen" -ge 2 ] ||
  e2e_fail "the bird did not rise while beating its wings: top rows ${tops[*]:1} (see $ART/04-*.png)"

# ---- Run 2: the window manager's close request.
e2e_start_game "$GAME" "$ART/run2.log"
e2e_wait_window
wait_stage menu 60 06-menu-again
"$CLOSE" "$E2E_WIN"
e2e_wait_exit 15
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "close request: exit status $E2E_STATUS"
echo "ok: the close request ended the game in $E2E_EXIT_MS ms with status 0"

for log in "$ART"/run*.log; do
  if grep -Eqi 'runtime error|AddressSanitizer|segmentation|assert' "$log"; then
    cat "$log" >&2
    e2e_fail "$(basename "$log") reports a fault"
  fi
done
echo "e2e_game: all checks passed; screenshots in $ART"

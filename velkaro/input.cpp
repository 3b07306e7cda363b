// The keys of one frame: Space in the menu; F1 and the flap keys in play.
#include "velkaro/velkaro.h"

namespace velkaro {

int getInput() {
  if (g.GAMESTATE == STATE_MENU) {
    if (plat::KeyHit(plat::KEY_SPACE) != 0) {
      initvars();
      g.GAMESTATE = STATE_PLAYING;
    }
    // Nothing else is read in the menu; presses of other keys stay counted.
    return 0;
  }

  if (plat::KeyHit(plat::KEY_F1) != 0) {
    g.MODE = 1 - g.MODE;
    // Only entering the challenge resets; leaving it does not.
    if (g.MODE == MODE_GAME) initvars();
  }

  int leftdown = 0;
  int rightdown = 0;

  // The arrow key is asked only when the letter key is up.
  if (plat::KeyDown(plat::KEY_Z) != 0 || plat::KeyDown(plat::KEY_LEFT) != 0) {
    g.leftcount = g.leftcount + 1;
    if (g.leftcount > 35) g.leftcount = 35;
    leftdown = 1;
  } else {
    g.leftcount = 0;
  }

  if (plat::KeyDown(plat::KEY_M) != 0 || plat::KeyDown(plat::KEY_RIGHT) != 0) {
    g.rightcount = g.rightcount + 1;
    if (g.rightcount > 35) g.rightcount = 35;
    rightdown = 1;
  } else {
    g.rightcount = 0;
  }

  if (leftdown == 1 && rightdown == 1 && g.fatigue < 85) {
    g.rightwing = g.rightwing - 2;
    g.Leftwing = g.Leftwing - 2;
  }

  // Beating both wings below the cap climbs (altitude falls); holding a key
  // to the cap dives.
  g.altitude = g.altitude + 0.0001f;
  if (g.rightcount == 35) g.altitude = g.altitude + 0.0005f;
  if (g.leftcount == 35) g.altitude = g.altitude + 0.0005f;
  if (g.leftcount < 35 && g.rightcount < 35 && leftdown == 1 && rightdown == 1) {
    g.altitude = g.altitude - 0.001f;
  }
  if (g.altitude < 0) g.altitude = 0;
  return 0;
}

}  // namespace velkaro

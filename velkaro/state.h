// The game's whole state in one place: every module global with its start
// value as initialiser, the five object lists and the record types they hold.
// A fresh `Game{}` is the state at program start.
#pragma once

#include "platform/platform.h"

namespace velkaro {

constexpr float GRAVITY = 1.3f;
constexpr int MODE_FREE_FLY = 0;
constexpr int MODE_GAME = 1;
constexpr int STATE_PLAYING = 0;
constexpr int STATE_MENU = 1;

struct cloud {
  float x = 0, y = 0, yspeed = 0, scale = 0;
};
struct speck {
  float x = 0, y = 0, yspeed = 0;
};
struct wavelet {
  float x = 0, y = 0, yspeed = 0;
};
struct thing {
  float x = 0, y = 0, yspeed = 0;
  int thingtype = 0;
  float elev = 0;
};
struct feather {
  int x = 0, y = 0, size = 0;
  float alpha = 0;
  int r = 0, g = 0, b = 0;
};

// Bounds on lists that would otherwise grow without end; before appending to
// a full list its first, oldest, record is removed. The road's bound holds
// only while the road is frozen: in the challenge up to 32 waiting sections
// come down together with about 13 added while they fall.
constexpr std::size_t MAX_THINGS = 32;
constexpr std::size_t MAX_FEATHERS = 256;

struct Game {
  int oldtime = 0;
  int curtime = 0;
  int soundtimer = 0;
  int cloudcount = 0;
  int birdcount = 0;
  int textlinecount = 0;
  float textsize = 1.0f;
  float textx = 20.0f, texty = 20.0f;
  float texttx = 0, textty = 0;  // drawn at start-up
  float centerx = 320.0f;
  float centery = 480.0f;
  float Leftwing = 480.0f;
  float leftcount = 0;
  float rightwing = 480.0f;
  float rightcount = 0;
  float targetcenter = 0, targetleft = 0, targetright = 0;  // set at start-up
  float leftcountt = 0, rightcountt = 0;                     // set at start-up
  float fatigue = 0;
  float wind = 0;
  float targetwind = 0;
  float islex = 320.0f, isley = 0;
  float altitude = 1.0f;
  int hour = 5;
  int minute = 55;
  int score = 0;
  float sunx = 100.0f, suny = 100.0f;
  int sunsize = 50;
  int life = 100;
  float thingelev = 1.0f;
  float curthingelev = 1.0f;
  int thingx = 320;
  float curthingx = 320.0f;
  int thingcount = 0;
  int MODE = MODE_FREE_FLY;
  int clsr = 0, clsg = 0, clsb = 0;
  float curr = 0, curg = 0, curb = 0;
  int sound1 = 0, sound2 = 0, sound3 = 0, sound4 = 0;
  int sound5 = 0, sound6 = 0, sound7 = 0, sound8 = 0;
  int wingimg = 0;
  int isleimg = 0;
  int cloudimg = 0;
  plat::TImage* arrowimg = nullptr;
  int fntScript = 0;
  int logoimg = 0;
  plat::TList<cloud> cloudList;
  plat::TList<speck> speckList;
  plat::TList<wavelet> waveList;
  plat::TList<thing> thingList;
  plat::TList<feather> featherList;
  int GAMESTATE = STATE_MENU;

  // Local of `main` that lives across passes: 1 once the mid-phrase story
  // step has run in the current phrase.
  int usedline = 0;
};

// The one game state. Tests start from a fresh one with ResetProgramState().
extern Game g;

// Back to the program's start: a fresh Game, platform and drawer.
void ResetProgramState();

}  // namespace velkaro

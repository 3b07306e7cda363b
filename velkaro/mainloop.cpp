// The frame loop: phrase timer, road cadence, sun drift, story pacing, day
// clock, then the frame, the keys and the flight model.
#include "platform/numeric.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

namespace velkaro {

namespace {

constexpr int PHRASE_MS = 16000;
// The window around the middle of a phrase (both ends excluded) in whose
// first pass, while playing, the phrase's second story line starts.
constexpr int MID_PHRASE_AFTER = 7900;
constexpr int MID_PHRASE_BEFORE = 8100;

// Target sky colour of the hours that change it.
void setSkyOfHour(int hour) {
  switch (hour) {
    case 2: g.clsr = 0; g.clsg = 0; g.clsb = 40; break;
    case 4: g.clsr = 0; g.clsg = 0; g.clsb = 60; break;
    case 6: g.clsr = 100; g.clsg = 25; g.clsb = 5; g.sunx = 0; break;
    case 7: g.clsr = 32; g.clsg = 125; g.clsb = 222; break;
    case 10: g.clsr = 200; g.clsg = 200; g.clsb = 200; break;
    case 12: g.clsr = 50; g.clsg = 100; g.clsb = 200; break;
    case 14: g.clsr = 35; g.clsg = 140; g.clsb = 220; break;
    case 16: g.clsr = 150; g.clsg = 100; g.clsb = 25; break;
    case 17: g.clsr = 128; g.clsg = 128; g.clsb = 128; g.sunx = 0; break;
    case 18: g.clsr = 64; g.clsg = 64; g.clsb = 64; break;
    case 20: g.clsr = 0; g.clsg = 0; g.clsb = 0; break;
    default: break;
  }
}

}  // namespace

void mainPrepare() {
  // The only clear of the screen: every frame is drawn over the last one.
  plat::SetClsColor(0, 128, 255);
  plat::Cls();
  texturedpoly::TPoly::Initialise();
  loadSounds();
  initvars();
  plat::SetImageFont(g.fntScript);
  g.usedline = 0;
}

bool mainLoopTest() {
  // AppTerminate is asked only when Escape was not hit.
  if (plat::KeyHit(plat::KEY_ESCAPE) != 0) return false;
  return plat::AppTerminate() == 0;
}

void narrativeStep() {
  g.textx = static_cast<float>(plat::Rand(0, 400));
  g.texty = static_cast<float>(plat::Rand(0, 400));
  g.texttx = static_cast<float>(plat::Rand(0, 400));
  g.textty = static_cast<float>(plat::Rand(0, 400));
  g.textlinecount += 1;
  if (g.textlinecount > STORY_WRAP) g.textlinecount = STORY_LINES;
  g.textsize = 1.0f;
}

void mainPass() {
  g.curtime = plat::MilliSecs();
  const int looptime = plat::WrapSub(g.curtime, g.oldtime);
  const int advanced = plat::WrapAdd(g.soundtimer, looptime);
  if (looptime < 0 || advanced < 0) {
    // A clock reading behind the last one (a first reading that is negative
    // as a signed value) or a jump so long that the sum wraps: the timer
    // must not go negative, where it would wait ages for its next phrase.
    // Count the pass as a phrase boundary instead.
    g.soundtimer = PHRASE_MS + 1;
  } else {
    g.soundtimer = advanced;
  }

  g.thingcount += 1;
  if (g.thingcount == 100) {
    addThing();
    g.thingcount = 0;
  }

  g.sunx = g.sunx + 0.03f;
  g.suny = g.suny + 0.001f;

  if (g.soundtimer > MID_PHRASE_AFTER && g.soundtimer < MID_PHRASE_BEFORE && g.usedline == 0 &&
      g.GAMESTATE != STATE_MENU) {
    narrativeStep();
    g.usedline = 1;
  }

  if (g.soundtimer > PHRASE_MS) {
    g.soundtimer = 0;
    plat::PlaySound(picksound());
    g.usedline = 0;
    g.minute += 5;
    if (g.GAMESTATE == STATE_MENU) {
      g.minute += 45;
    } else {
      narrativeStep();
    }
    if (g.minute > 59) {
      // Not minute - 60: in the menu the surplus of the 50-minute step is lost.
      g.minute = 0;
      g.hour += 1;
      if (g.hour > 23) g.hour = 0;
      setSkyOfHour(g.hour);
    }
  }

  drawScreen();
  getInput();
  updatebird();
  updatewind();
  g.oldtime = g.curtime;
  if (g.birdcount < 0) g.GAMESTATE = STATE_MENU;
}

int main() {
  mainPrepare();
  while (mainLoopTest()) mainPass();
  return 0;
}

}  // namespace velkaro

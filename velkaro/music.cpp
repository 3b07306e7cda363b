// The eight music phrases and the choice of what plays at a phrase boundary.
#include "velkaro/velkaro.h"

namespace velkaro {

int loadSounds() {
  g.sound1 = plat::LoadSound("incbin::sound1.wav", 0);
  g.sound2 = plat::LoadSound("incbin::sound2.wav", 0);
  g.sound3 = plat::LoadSound("incbin::sound3.wav", 0);
  g.sound4 = plat::LoadSound("incbin::sound4.wav", 0);
  g.sound5 = plat::LoadSound("incbin::sound5.wav", 0);
  g.sound6 = plat::LoadSound("incbin::sound6.wav", 0);
  g.sound7 = plat::LoadSound("incbin::sound7.wav", 0);
  g.sound8 = plat::LoadSound("incbin::sound8.wav", 0);
  return 0;
}

// Returns the phrase the caller starts; in play it starts the base phrase
// and up to three layers itself.
int picksound() {
  g.soundtimer = 0;

  if (g.GAMESTATE == STATE_MENU) {
    const int thesnd = plat::Rand(0, 8);
    switch (thesnd) {
      case 0: return g.sound1;
      case 1: return g.sound2;
      case 2: return g.sound3;
      case 3: return g.sound4;
      case 4: return g.sound5;
      case 5: return g.sound6;
      case 6: return g.sound7;
      default: return g.sound8;  // 7 and 8: the base phrase is twice as likely
    }
  }

  int snd = g.sound8;
  // Resting on the floor: the base phrase alone, and no draw.
  if (g.centery == 439) return g.sound8;
  plat::PlaySound(g.sound8);

  // Each layer keeps the choice before it when none of its tests holds.
  if (g.targetcenter < g.centery) snd = g.sound1;
  if (g.targetcenter > g.centery) snd = g.sound2;
  if (plat::Rand(0, 1) != 0) plat::PlaySound(snd);

  if (g.targetright < g.rightwing) snd = g.sound3;
  if (g.targetleft < g.Leftwing) snd = g.sound4;
  if (plat::Rand(0, 1) != 0) plat::PlaySound(snd);

  if (g.targetright > g.rightwing) snd = g.sound5;
  if (g.targetleft > g.Leftwing) snd = g.sound6;
  if (plat::Rand(0, 1) != 0) plat::PlaySound(snd);

  if (g.centery < 200) snd = g.sound7;
  return snd;
}

}  // namespace velkaro

// The fixed texts: the day clock, the score line and the menu.
#include "velkaro/velkaro.h"

namespace velkaro {

namespace {

// x that centres a text on the window's middle column (halving truncates).
int centredX(const std::string& s) { return 320 - plat::TextWidth(s) / 2; }

}  // namespace

void drawOutlineText(const std::string& s, int x, int y) {
  int oldr = 0, oldg = 0, oldb = 0;
  plat::GetColor(oldr, oldg, oldb);
  plat::SetColor(0, 0, 0);
  plat::SetAlpha(0.3f);
  plat::DrawText(s, static_cast<float>(x - 1), static_cast<float>(y - 1));
  plat::DrawText(s, static_cast<float>(x - 1), static_cast<float>(y + 1));
  plat::DrawText(s, static_cast<float>(x + 1), static_cast<float>(y - 1));
  plat::DrawText(s, static_cast<float>(x + 1), static_cast<float>(y + 1));
  plat::DrawText(s, static_cast<float>(x), static_cast<float>(y - 1));
  plat::DrawText(s, static_cast<float>(x), static_cast<float>(y + 1));
  plat::DrawText(s, static_cast<float>(x - 1), static_cast<float>(y));
  plat::DrawText(s, static_cast<float>(x + 1), static_cast<float>(y));
  // The colour is restored; the alpha is not saved and is left at 1.
  plat::SetColor(oldr, oldg, oldb);
  plat::SetAlpha(1.0f);
  plat::DrawText(s, static_cast<float>(x), static_cast<float>(y));
}

int drawWind() {
  plat::SetColor(255, 255, 255);
  // Hours up to 12 keep "am": noon reads 12:00am, midnight 0:00am.
  std::string ampm = "am";
  std::string hr;
  if (g.hour > 12) {
    ampm = "pm";
    hr = std::to_string(g.hour - 12);
  } else {
    hr = std::to_string(g.hour);
  }
  std::string minu = std::to_string(g.minute);
  if (minu.size() == 1) minu = "0" + minu;
  const std::string s = hr + ":" + minu + ampm;
  drawOutlineText(s, centredX(s), 0);
  return 0;
}

int drawScore() {
  if (g.GAMESTATE == STATE_MENU) return 0;
  std::string s = "Score: " + std::to_string(g.score);
  if (g.MODE == MODE_FREE_FLY) s = "Free flight - hit F1 to start the challenge.";
  plat::SetColor(255, 255, 255);
  drawOutlineText(s, centredX(s), 440);
  return 0;
}

int drawmenu() {
  if (g.GAMESTATE != STATE_MENU) return 0;
  plat::SetBlend(plat::ALPHABLEND);
  // Faint, but drawn every frame over the veiled picture, so it builds up.
  plat::SetAlpha(0.1f);
  // Tinted with the white that drawWind left in force.
  const int logox = 320 - plat::ImageWidth(g.logoimg) / 2;
  plat::DrawImage(g.logoimg, static_cast<float>(logox), 50.0f, 0);
  plat::SetAlpha(1.0f);
  const std::string lines[3] = {"Press Space to start flying.",
                                "Z and M to flap; hold them down to dive.",
                                "Stay on the blue sky road."};
  const int ys[3] = {230, 360, 390};
  for (int i = 0; i < 3; ++i) drawOutlineText(lines[i], centredX(lines[i]), ys[i]);
  return 0;
}

}  // namespace velkaro

// The sun and moon: one flickering cluster of eleven additive ovals.
#include <cmath>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

int glowModifier(int dx, int dy) {
  // The squares are summed in double so that a glow drifted far away cannot
  // overflow an int.
  const double fx = dx;
  const double fy = dy;
  int modifier = plat::Int(std::sqrt(fx * fx + fy * fy));
  modifier = modifier / 2;
  return 100 - modifier;
}

void setGlowColour(int modifier) {
  // Noises in the order the colour call evaluates its arguments: blue,
  // green, red. Values above 255 are passed on; the platform clamps them.
  const int nb = plat::Rand(-10, 10);
  const int ng = plat::Rand(-10, 10);
  const int nr = plat::Rand(-10, 10);
  const float fm = static_cast<float>(modifier);
  plat::SetColor(plat::Int(g.curr + static_cast<float>(nr) + fm),
                 plat::Int(g.curg + static_cast<float>(ng) + fm),
                 plat::Int(g.curb + static_cast<float>(nb) + fm));
}

void drawSunMoon() {
  plat::SetBlend(plat::LIGHTBLEND);
  plat::SetAlpha(0.2f);
  int l = plat::Int(3.0f * g.altitude * 2.0f);

  for (int i = 0; i <= 10; ++i) {
    int x = plat::Rand(-g.sunsize / 2, g.sunsize / 2);
    int y = plat::Rand(-g.sunsize / 2, g.sunsize / 2);
    setGlowColour(glowModifier(x, y));

    // Height before width: the oval call's arguments last first.
    int height = plat::Rand(-l, l);
    int width = plat::Rand(-l, l);
    plat::DrawOval(g.sunx + static_cast<float>(x), g.suny + static_cast<float>(y),
                   static_cast<float>(width), static_cast<float>(height));
  }
}

}  // namespace velkaro

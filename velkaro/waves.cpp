// Wave glints: flickering ovals of light, brighter near the sun and moon.
#include <cmath>
#include <memory>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

void addWave() {
  for (int i = 0; i <= 5; ++i) {
    auto c = std::make_shared<wavelet>();
    c->x = static_cast<float>(plat::Rand(-100, 740));
    c->y = 0.0f;
    c->yspeed = 0.2f;
    plat::ListAddLast(g.waveList, c);
  }
}

void drawWaves() {
  plat::SetBlend(plat::LIGHTBLEND);

  // Worked out once: nothing in the loop changes what they are made from.
  const float speedadj = (640.0f - g.centery) / 400.0f;
  const float sunx = g.sunx, suny = g.suny;
  const int l = plat::Int(3.0f * g.altitude * 2.0f);

  plat::ForEach(g.waveList, [&](const std::shared_ptr<wavelet>& c) {
    c->x += static_cast<float>(plat::Rand(-1, 1));
    // Integer halving makes this 0 for every value drawn; the draw is made
    // all the same, since every draw shifts the sequence.
    c->x += static_cast<float>(plat::Rand(-1, 1) / 2);
    c->y += c->yspeed;
    c->y += speedadj;
    c->y += static_cast<float>(plat::Rand(-1, 1));

    // Distances are truncated before squaring.
    int distx = plat::Int(std::fabs(sunx - c->x));
    int disty = plat::Int(std::fabs(suny - c->y));
    setGlowColour(glowModifier(distx, disty));
    plat::SetAlpha(0.2f);
    plat::SetLineWidth(1.0f);

    if (l >= 1) {
      if (plat::Rand(0, 1) != 0) {
        // Height, width, then offset: the oval call's arguments last first.
        int height = plat::Rand(-l, l);
        int width = plat::Rand(-l, l);
        int offset = plat::Rand(-l, l);
        plat::DrawOval(c->x, c->y - static_cast<float>(offset), static_cast<float>(width),
                       static_cast<float>(height));
      }
    }

    if (c->y > 480.0f) plat::ListRemove(g.waveList, c);
  });

  if (plat::Rand(1, 5) == 1) addWave();
}

}  // namespace velkaro

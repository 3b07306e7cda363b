// Specks: twinkling points of light drifting down with the wind.
#include <memory>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

void addSpeck() {
  for (int i = 0; i <= 2; ++i) {
    auto c = std::make_shared<speck>();
    c->x = static_cast<float>(plat::Rand(-100, 740));
    c->y = 0.0f;
    c->yspeed = 0.2f;
    plat::ListAddLast(g.speckList, c);
  }
}

void drawSpecks() {
  plat::SetBlend(plat::LIGHTBLEND);

  plat::ForEach(g.speckList, [](const std::shared_ptr<speck>& c) {
    c->x += g.wind * 3.0f;
    c->x += static_cast<float>(plat::Rand(-1, 1));
    // Integer halving makes this 0 for every value drawn; the draw is made
    // all the same, since every draw shifts the sequence.
    c->x += static_cast<float>(plat::Rand(-1, 1) / 2);
    c->y += c->yspeed;
    float speedadj = (640.0f - g.centery) / 400.0f;
    c->y += speedadj;
    c->y += static_cast<float>(plat::Rand(-1, 1));

    plat::SetColor(plat::Int(g.curr + 50.0f), plat::Int(g.curg + 50.0f), plat::Int(g.curb + 50.0f));
    plat::SetAlpha(plat::RndFloat());
    plat::Plot(c->x, c->y);

    if (c->y > 480.0f) plat::ListRemove(g.speckList, c);
  });

  plat::SetAlpha(1.0f);
  if (plat::Rand(1, 10) == 10) addSpeck();
}

}  // namespace velkaro

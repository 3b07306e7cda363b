// Clouds: large additive glows of the cloud image streaming down the screen.
#include <memory>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

namespace {
// The image's measures, asked afresh at each use.
float halfWidth() { return static_cast<float>(plat::ImageWidth(g.cloudimg) / 2); }
float height() { return static_cast<float>(plat::ImageHeight(g.cloudimg)); }
}  // namespace

void addCloud() {
  auto c = std::make_shared<cloud>();
  c->scale = (1.0f + plat::RndFloat() + 0.01f) * 5.0f;
  int cloudsize = plat::Int(static_cast<float>(plat::ImageWidth(g.cloudimg)) * c->scale);
  c->x = static_cast<float>(plat::Rand(0, 639) - cloudsize / 2);
  c->y = 0.0f;
  c->yspeed = plat::RndFloat() * 2.0f + 1.0f;
  plat::ListAddLast(g.cloudList, c);
  g.cloudcount += 1;
}

void drawClouds() {
  plat::SetBlend(plat::LIGHTBLEND);

  plat::ForEach(g.cloudList, [](const std::shared_ptr<cloud>& c) {
    c->x += static_cast<float>(plat::Rand(-1, 1));
    c->x += g.wind * 3.0f;

    // Left test first; the right one sees the value it may have set. Both
    // strict, so a cloud placed exactly on a bound stays there.
    if (c->x < 0.0f - halfWidth() * c->scale) c->x = 640.0f + halfWidth() * c->scale;
    if (c->x > 640.0f + halfWidth() * c->scale) c->x = 0.0f - halfWidth() * c->scale;

    c->y += c->yspeed;
    float speedadj = (640.0f - g.centery) / 400.0f;
    c->y += speedadj;

    plat::SetColor(plat::Int(g.curr + 20.0f), plat::Int(g.curg + 20.0f), plat::Int(g.curb + 20.0f));
    plat::SetAlpha(0.1f);
    float s = c->scale * g.altitude;
    plat::SetScale(s, s);
    plat::SetImageHandle(g.cloudimg, halfWidth(), height());
    // The x position is scaled, the y is not: the cloud's x lives in its
    // own scaled space.
    plat::DrawImage(g.cloudimg, c->x * g.altitude * c->scale, c->y, 0);
    plat::SetScale(1.0f, 1.0f);

    // The unscaled height: altitude does not take part in the removal.
    if (c->y - height() * c->scale > 1000.0f) {
      plat::ListRemove(g.cloudList, c);
      g.cloudcount -= 1;
    }
  });

  plat::SetAlpha(1.0f);
  if (plat::Rand(1, 20) == 10) addCloud();
}

}  // namespace velkaro

// The island: one large image scrolling down, returning at the top.
#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

void drawIsland() {
  plat::SetBlend(plat::ALPHABLEND);
  plat::SetScale(g.altitude, g.altitude);
  plat::SetColor(plat::Int(g.curr + 100.0f), plat::Int(g.curg + 100.0f),
                 plat::Int(g.curb + 100.0f));
  plat::SetAlpha(g.altitude - 0.5f);
  // Drawn before the move: the frame shows where the last pass left it.
  plat::DrawImage(g.isleimg, g.islex, g.isley, 0);

  float speedadj = (640.0f - g.centery) / 400.0f;
  g.islex -= g.wind;
  g.isley += speedadj + 0.01f;

  // Tested on the top edge, so the island has left the window entirely.
  if (g.isley > 480.0f) {
    g.isley = 0.0f - static_cast<float>(plat::ImageHeight(g.isleimg)) * g.altitude;
    g.islex = static_cast<float>(plat::Rand(0, 400));
  }

  plat::SetScale(1.0f, 1.0f);
  plat::SetAlpha(1.0f);
}

}  // namespace velkaro

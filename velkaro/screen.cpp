// One frame: the world, the road, the bird and the texts in a fixed order,
// then the translucent sky veil in place of a clear, then the flip.
#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

int drawScreen() {
  plat::SetColor(255, 255, 255);
  plat::SetAlpha(1.0f);
  // The drawing order is also the order in which the world moves and draws
  // its random numbers.
  drawSunMoon();
  drawWaves();
  drawIsland();
  drawSpecks();
  drawClouds();
  drawThings(0);
  drawBird();
  drawThings(1);
  drawWind();
  drawScore();
  drawmenu();
  drawFlapStats();
  drawTextLine();

  // The veil: fades earlier frames into trails and turns the picture toward
  // the sky colour, which follows its target a small step per frame.
  plat::SetAlpha(0.13f);
  float delta = 0.01f;
  if (g.GAMESTATE == STATE_MENU) delta = 0.1f;
  // Up first, then down tested on the new value: a channel within one step
  // of its target swings across it and back, settling just below.
  if (g.curr < static_cast<float>(g.clsr)) g.curr = g.curr + delta;
  if (g.curg < static_cast<float>(g.clsg)) g.curg = g.curg + delta;
  if (g.curb < static_cast<float>(g.clsb)) g.curb = g.curb + delta;
  if (g.curr > static_cast<float>(g.clsr)) g.curr = g.curr - delta;
  if (g.curg > static_cast<float>(g.clsg)) g.curg = g.curg - delta;
  if (g.curb > static_cast<float>(g.clsb)) g.curb = g.curb - delta;
  plat::SetColor(plat::Int(g.curr), plat::Int(g.curg), plat::Int(g.curb));
  plat::DrawRect(0, 0, 640, 480);

  plat::Flip(1);
  return 0;
}

}  // namespace velkaro

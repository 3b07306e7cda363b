// The bird's flight model and the wind.
#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

int updatebird() {
  g.centery = g.centery + GRAVITY;
  g.Leftwing = g.Leftwing + 0.65f;
  g.rightwing = g.rightwing + 0.65f;

  g.centerx = g.centerx + g.wind * 0.7f;

  if (g.centery > 439) g.centery = 439;
  if (g.Leftwing > 439) g.Leftwing = 439;
  if (g.rightwing > 439) g.rightwing = 439;
  // The ceiling comes before the lift, so a strong stroke can still carry
  // the body above it for one frame.
  if (g.centery < 100) g.centery = 100;

  int ncentery = plat::Int(g.centery);

  // Lift tests the body after the ceiling, not ncentery; it uses the true
  // counters while the sideways push uses the smoothed ones.
  if (g.rightwing < g.centery) {
    g.centerx = g.centerx + g.rightcountt / 10.0f;
    ncentery = plat::Int(static_cast<float>(ncentery) - g.rightcount / 2.0f);
  }
  if (g.Leftwing < g.centery) {
    g.centerx = g.centerx - g.leftcountt / 10.0f;
    ncentery = plat::Int(static_cast<float>(ncentery) - g.leftcount / 2.0f);
  }

  if (g.leftcount == 35) g.centerx = g.centerx - (g.leftcountt / 50.0f + g.wind);
  if (g.rightcount == 35) g.centerx = g.centerx + (g.rightcountt / 50.0f + g.wind);

  g.centery = static_cast<float>(ncentery);

  if (g.centerx < 65) g.centerx = 65;
  if (g.centerx > 575) g.centerx = 575;

  // The drawn positions follow the true ones: up a step, then down a step
  // tested on the new value.
  if (g.targetcenter < g.centery) g.targetcenter = g.targetcenter + 1;
  if (g.targetcenter > g.centery) g.targetcenter = g.targetcenter - 0.7f;
  if (g.targetleft < g.Leftwing) g.targetleft = g.targetleft + 0.7f;
  if (g.targetleft > g.Leftwing) g.targetleft = g.targetleft - 0.7f;
  if (g.targetright < g.rightwing) g.targetright = g.targetright + 0.7f;
  if (g.targetright > g.rightwing) g.targetright = g.targetright - 0.7f;

  // Wing span: the drawn tips are tested, the true tips are set.
  if (g.targetleft < g.targetcenter - 10) g.Leftwing = g.targetcenter - 10;
  if (g.targetright < g.targetcenter - 10) g.rightwing = g.targetcenter - 10;
  if (g.targetleft > g.targetcenter + 10) g.Leftwing = g.targetcenter + 10;
  if (g.targetright > g.targetcenter + 10) g.rightwing = g.targetcenter + 10;

  if (g.leftcountt < g.leftcount) g.leftcountt = g.leftcountt + 0.6f;
  if (g.leftcountt > g.leftcount) g.leftcountt = g.leftcountt - 0.6f;
  if (g.rightcountt < g.rightcount) g.rightcountt = g.rightcountt + 0.6f;
  if (g.rightcountt > g.rightcount) g.rightcountt = g.rightcountt - 0.6f;

  const int nfatigue = plat::Int(g.leftcount + g.rightcount);
  if (static_cast<float>(nfatigue) > g.fatigue) g.fatigue = g.fatigue + static_cast<float>(nfatigue);
  g.fatigue = g.fatigue - 0.5f;
  if (g.fatigue < 0) g.fatigue = 0;
  return 0;
}

int updatewind() {
  if (g.wind < g.targetwind) g.wind = g.wind + 0.001f;
  if (g.wind > g.targetwind) g.wind = g.wind - 0.001f;
  // One draw every frame; the second only when the first hits.
  if (plat::Rand(0, 1000) == 50) g.targetwind = plat::RndFloat() - 0.5f;
  return 0;
}

// A red gauge of the fatigue; kept for debugging, no frame calls it.
void drawFatigue() {
  plat::SetColor(255, 0, 0);
  plat::DrawRect(0, 0, 10, g.fatigue);
}

}  // namespace velkaro

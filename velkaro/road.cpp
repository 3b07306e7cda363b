// The challenge road: cross-sections added every 100 passes, moved, scored,
// drawn as segments between neighbours and retired at the bottom.
#include <cmath>
#include <memory>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

void addThing() {
  auto c = std::make_shared<thing>();

  // Wander the target centre. The draws happen only on the branches taken,
  // so their number (and the sequence after them) depends on the values.
  if (plat::Rand(1, 10) == 1) {
    g.thingx += plat::Rand(-150, 150);
    if (g.thingx < 0) g.thingx = plat::Rand(0, 150) + 50;
    if (g.thingx > 590) g.thingx = plat::Rand(-150, 0) + 590;
  }

  // The new cross-section takes the gliding centre, not the target.
  c->x = static_cast<float>(plat::Int(g.curthingx));
  c->y = -100.0f;
  c->yspeed = 0.01f;
  c->thingtype = 0;

  // Drawn even though unread: every draw shifts the sequence.
  [[maybe_unused]] int e = plat::Rand(0, 5);

  // The second test sees the value the first may have just set.
  if (g.curthingelev < g.thingelev) g.curthingelev += 0.05f;
  if (g.curthingelev > g.thingelev) g.curthingelev -= 0.01f;
  c->elev = g.curthingelev;

  if (plat::Rand(1, 10) == 5) {
    int t = plat::Rand(0, 1);
    if (t != 0) {
      g.thingelev += 0.1f;
    } else {
      g.thingelev -= 0.1f;
    }
  }

  // While the road is frozen (the menu, free flight) nothing retires
  // cross-sections, so the oldest make room. In the challenge every one
  // moves down at least half a pixel a frame and retires past y 550: the
  // list drains by itself, and one taken out there would vanish mid-road
  // without costing its life point.
  const bool frozen = g.GAMESTATE == STATE_MENU || g.MODE == MODE_FREE_FLY;
  while (frozen && g.thingList.size() >= MAX_THINGS) {
    std::shared_ptr<thing> oldest = g.thingList.front();
    plat::ListRemove(g.thingList, oldest);
  }
  plat::ListAddLast(g.thingList, c);
}

namespace {

// A segment corner that is not a real whole-pixel value (an elev at or near
// zero gives an infinite or enormous half-width) makes the segment undrawable.
bool cornerFits(float v) { return plat::FitsInt(static_cast<double>(v)); }

}  // namespace

void drawThings(int above) {
  if (g.GAMESTATE == STATE_MENU) return;
  if (g.MODE == MODE_FREE_FLY) return;

  plat::SetBlend(plat::ALPHABLEND);

  // lasty 480 marks "nothing visited yet in this call"; the x ends are only
  // read after a visit has set them.
  float lastx1 = 0.0f;
  float lastx2 = 0.0f;
  float lasty = 480.0f;

  // Runs in both calls of a frame; the second test sees the value the first
  // may have just set, so the centre settles just below its target.
  if (g.curthingx < static_cast<float>(g.thingx)) g.curthingx += 0.1f;
  if (g.curthingx > static_cast<float>(g.thingx)) g.curthingx -= 0.1f;

  plat::ForEach(g.thingList, [&](const std::shared_ptr<thing>& c) {
    if (above == 1) {
      if (c->elev > g.altitude) return;
    } else {
      if (c->elev < g.altitude) return;
    }

    c->y += c->yspeed;
    float speedadj = (640.0f - g.centery) / 400.0f;
    c->y += speedadj;

    plat::SetColor(255, 0, 0);
    plat::SetAlpha(0.25f);

    double elev = c->elev;
    float w = static_cast<float>((50.0 / std::pow(elev, 3.0)) * static_cast<double>(g.altitude));

    if (g.altitude < c->elev && g.altitude > c->elev - 0.2f) {
      plat::SetColor(plat::Int((c->elev - g.altitude) * 1000.0f), 128, 255);
      if (g.centerx > c->x - w && g.centerx < c->x + w && g.targetcenter > c->y &&
          g.targetcenter < lasty) {
        c->thingtype = 1;
        g.score = plat::WrapAdd(g.score, 10);
        if (g.score % 30000 == 0) g.birdcount += 1;
      }
    }

    if (c->thingtype == 1) plat::SetColor(255, 255, 255);

    float left = c->x - w;
    float right = c->x + w;
    if (lasty != 480.0f && cornerFits(left) && cornerFits(right) && cornerFits(c->y) &&
        cornerFits(lastx1) && cornerFits(lastx2) && cornerFits(lasty)) {
      drawTextPoly(g.arrowimg, plat::Int(left), plat::Int(c->y), plat::Int(lastx1),
                   plat::Int(lasty), plat::Int(right), plat::Int(c->y), plat::Int(lastx2),
                   plat::Int(lasty));
    }

    lastx1 = left;
    lastx2 = right;
    lasty = c->y;

    plat::SetScale(1.0f, 1.0f);

    if (c->y > 550.0f) {
      if (c->thingtype == 0) g.life -= 1;
      if (g.life == 0) {
        g.birdcount -= 1;
        g.life = 100;
      }
      plat::ListRemove(g.thingList, c);
    }
  });
}

}  // namespace velkaro

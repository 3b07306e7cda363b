// The player's bird and the formation of follower figures behind it: ovals,
// lines and points for body, eyes and head, and seven textured pieces of the
// wing image for the wings and the tail.
#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

namespace {

// Whole pixels: a float expression is truncated as a whole; an int passes.
int px(float v) { return plat::Int(v); }
int px(int v) { return v; }

// The figure shared by the bird and its followers. The bird passes its
// smoothed floats for the body x and the wing heights, a follower passes
// ints, so sums such as cx + 20 stay whole for a follower while terms mixed
// with the float counters are computed in floating point; the body height
// is an int for both. `wingColour` is false for a follower, whose wings and
// tail keep the grey body colour.
template <class T>
void drawFigure(T cx, T tl, T tr, int tc, bool wingColour) {
  const float s = (g.leftcountt - g.rightcountt) / 2;
  const float lc = g.leftcountt;
  const float rc = g.rightcountt;
  const float f = g.fatigue;
  plat::TImage* wing = plat::ImageFromHandle(g.wingimg);

  plat::DrawOval(cx - 4, tc - 10, 8, 14);
  plat::DrawLine(cx + s, tc + 40, cx - 4, tc + 4, 1);
  plat::DrawLine(cx + s, tc + 40, cx + 4, tc + 4, 1);

  plat::SetLineWidth(3);
  if (wingColour) plat::SetColor(255, 255, 255);

  // Right wing: middle, tip, root. The root and the joint at +20 follow the
  // left wing's height, only the joint at +40 and the tip the right one's.
  drawTextPoly(wing, px(cx + 20), px(tl - 5 + f / 20), px(cx + 20 + s / 3), px(tl + 20),
               px(cx + 40), px(tr + rc), px(cx + 40), px(tr + 20 + rc / 2));
  drawTextPoly(wing, px(cx + 40), px(tr + rc), px(cx + 40), px(tr + 20 + rc / 2), px(cx + 65),
               px(tr + rc + 20), px(cx + 65), px(tr + rc + 26));
  drawTextPoly(wing, px(cx), tc, px(cx + s / 2), px(tl + 20), px(cx + 20), px(tl - 5 + f / 20),
               px(cx + 20 + s / 3), px(tl + 20));
  // Left wing, mirrored in x but with the same lean: +s/3 and +s/2 here too.
  drawTextPoly(wing, px(cx - 20), px(tr - 5 + f / 20), px(cx - 20 + s / 3), px(tr + 20),
               px(cx - 40), px(tl + lc), px(cx - 40), px(tl + 20 + lc / 2));
  drawTextPoly(wing, px(cx - 40), px(tl + lc), px(cx - 40), px(tl + 20 + lc / 2), px(cx - 65),
               px(tl + lc + 20), px(cx - 65), px(tl + lc + 26));
  drawTextPoly(wing, px(cx), tc, px(cx + s / 2), px(tr + 20), px(cx - 20), px(tr - 5 + f / 20),
               px(cx - 20 + s / 3), px(tr + 20));
  // Tail: corners 1 and 3 coincide, so it shows as a triangle.
  drawTextPoly(wing, px(cx + s / 2), tc + 25, px(cx + s + 10), px(tc + 45 + lc / 5),
               px(cx + s / 2), tc + 25, px(cx + s - 10), px(tc + 45 + rc / 5));

  plat::SetColor(0, 0, 0);
  plat::Plot(cx, tc - 7);
  plat::Plot(cx - 2, tc - 7);

  plat::SetColor(128, 128, 128);
  plat::DrawOval(cx - 1 - s / 4, tc - 12, 3, 3);

  plat::SetColor(255, 255, 255);
  plat::DrawLine(cx - s / 4, tc - 10, cx + s, tc + 40, 1);
  plat::DrawLine(cx + 4, tc + 4, cx - 4, tc + 4, 1);
}

// Formation slots of figures 1 to 12, in units of 70 pixels across and 60
// down; figure 0 sits on the bird and later figures on slot 12.
struct Slot {
  int xc, yc;
};
constexpr Slot kSlots[12] = {{1, 1},  {-1, 1}, {2, 2}, {-2, 2}, {0, 2}, {-3, 3},
                             {3, 3},  {-2, 4}, {2, 4}, {1, 3},  {-1, 3}, {0, 4}};

}  // namespace

void drawBird() {
  plat::SetColor(230, 230, 230);
  plat::SetAlpha(0.5f);
  if (g.GAMESTATE == STATE_MENU) plat::SetAlpha(0.03f);
  plat::SetBlend(3);

  // Drawn every frame, in every state: every draw shifts the sequence.
  if (plat::Rand(0, 100) == 5) {
    addFeather(plat::Int(g.centerx + 65), plat::Int(g.targetright + g.rightcountt + 20));
    addFeather(plat::Int(g.centerx - 65), plat::Int(g.targetleft + g.leftcountt + 20));
  }

  // The body is never drawn more than 10 pixels below the wings' mean.
  int targetcenter2 = plat::Int(g.targetcenter);
  if (g.targetcenter > (g.targetleft + g.targetright) / 2 + 10)
    targetcenter2 = plat::Int((g.targetleft + g.targetright) / 2 + 10);

  drawFigure(g.centerx, g.targetleft, g.targetright, targetcenter2, true);

  int xc = 0, yc = 0;
  const int n = g.birdcount;
  for (int i = 0; i <= n; ++i) {
    if (i >= 1 && i <= 12) {
      xc = kSlots[i - 1].xc;
      yc = kSlots[i - 1].yc;
    }
    // The last figure's strength shows the remaining life.
    if (i == g.birdcount) {
      const float al = static_cast<float>(g.life) / 300;
      plat::SetAlpha(al);
    }
    drawFollowerBird(plat::Int(g.centerx + xc * 70), plat::Int(g.targetleft + yc * 60),
                     plat::Int(g.targetright + yc * 60), targetcenter2 + yc * 60);
    plat::SetAlpha(1);
  }
}

void drawFollowerBird(int thisx, int thisleft, int thisright, int thiscenter) {
  // No alpha of its own: the caller's alpha holds for the whole figure.
  plat::SetColor(230, 230, 230);
  plat::SetBlend(3);
  drawFigure(thisx, thisleft, thisright, thiscenter, false);
}

}  // namespace velkaro

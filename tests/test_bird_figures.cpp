// The bird, its follower figures and its feathers: corner pixels, formation
// slots, alphas, the drawing state left behind and the random draws made.
#include <gtest/gtest.h>

#include "platform/record.h"
#include "tests/tpoly_fakes.h"
#include "velkaro/velkaro.h"

using namespace tpoly_test;
using velkaro::g;

namespace {

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};
void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

// One textured piece as the drawer sent it: tint bytes and its four
// vertices in fan order (corner 1, 2, 4, 3).
struct Piece {
  int r, g, b, a;
  std::vector<Point> v;
};

std::vector<Piece> Pieces() {
  std::vector<Piece> out;
  for (const GLCall& c : GLCalls()) {
    if (c.op == "Begin") out.push_back({});
    if (c.op == "Color4ubv") {
      Piece& p = out.back();
      p.r = int(c.args[0]), p.g = int(c.args[1]), p.b = int(c.args[2]), p.a = int(c.args[3]);
    }
    if (c.op == "Vertex3f") out.back().v.push_back({int(c.args[0]), int(c.args[1])});
  }
  return out;
}

class BirdTest : public DrawerTest {
 protected:
  void SetUp() override {
    DrawerTest::SetUp();
    velkaro::ResetProgramState();
    InstallRecordingGL();
    UseGL();
    wing_.width = wing_.height = 4;
    g.wingimg = plat::HandleFromImage(&wing_);
    g.GAMESTATE = velkaro::STATE_PLAYING;
    g.centerx = 320.5f;
    g.targetcenter = 300;
    g.targetleft = g.targetright = 250;
    g.leftcountt = 35;
    g.rightcountt = 0;
    g.fatigue = 30;
    g.life = 90;
    g.birdcount = -1;
  }
  void TearDown() override {
    plat::rec::Enable(false);
    DrawerTest::TearDown();
    velkaro::ResetProgramState();
  }
  plat::TImage wing_;
};

}  // namespace

TEST_F(BirdTest, CornersOfTheBirdsPieces) {
  plat::rec::Enable(true);
  velkaro::drawBird();
  auto pieces = Pieces();
  ASSERT_EQ(pieces.size(), 7u);
  for (const Piece& p : pieces) {
    ASSERT_EQ(p.v.size(), 4u);
    EXPECT_EQ(p.a, 127);
    EXPECT_EQ(p.r, 255);
  }
  // Lean 17.5, fatigue lowering the inner joints by 1.5, the body limited
  // to 10 below the wings' mean: 260, not 300.
  EXPECT_EQ(pieces[0].v, (std::vector<Point>{{340, 246}, {346, 270}, {360, 270}, {360, 250}}));
  EXPECT_EQ(pieces[1].v, (std::vector<Point>{{360, 250}, {360, 270}, {385, 276}, {385, 270}}));
  EXPECT_EQ(pieces[2].v, (std::vector<Point>{{320, 260}, {329, 270}, {346, 270}, {340, 246}}));
  EXPECT_EQ(pieces[3].v, (std::vector<Point>{{300, 246}, {306, 270}, {280, 287}, {280, 285}}));
  EXPECT_EQ(pieces[4].v, (std::vector<Point>{{280, 285}, {280, 287}, {255, 311}, {255, 305}}));
  EXPECT_EQ(pieces[5].v, (std::vector<Point>{{320, 260}, {329, 270}, {306, 270}, {300, 246}}));
  // The tail: a triangle whose right corner hangs 7 below the left.
  EXPECT_EQ(pieces[6].v, (std::vector<Point>{{329, 285}, {348, 312}, {328, 305}, {329, 285}}));

  // The body, eyes, head and lines around the pieces.
  std::vector<std::string> shapes;
  for (const auto& c : plat::rec::Calls())
    if (c.op == "DrawOval" || c.op == "DrawLine" || c.op == "Plot") shapes.push_back(c.op);
  EXPECT_EQ(shapes, (std::vector<std::string>{"DrawOval", "DrawLine", "DrawLine", "Plot", "Plot",
                                              "DrawOval", "DrawLine", "DrawLine"}));
  for (const auto& c : plat::rec::Calls()) {
    if (c.op != "DrawOval") continue;
    EXPECT_EQ(c.args, (std::vector<double>{316.5, 250, 8, 14}));
    EXPECT_EQ(c.r, 230);
    break;
  }
  const auto& last = plat::rec::Calls().back();
  EXPECT_EQ(last.op, "DrawLine");
  EXPECT_EQ(last.args, (std::vector<double>{324.5, 264, 316.5, 264, 1}));
  EXPECT_EQ(last.line_width, 3.0f);

  // Without followers the bird's own alpha is left.
  int r, gg, b;
  plat::GetColor(r, gg, b);
  EXPECT_EQ((std::vector<int>{r, gg, b}), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(plat::GetAlpha(), 0.5f);
  EXPECT_EQ(plat::GetBlend(), 3);
  EXPECT_EQ(plat::GetLineWidth(), 3.0f);
}

TEST_F(BirdTest, FormationSlotsAndAlphas) {
  // Each figure's root piece starts at its body: (x, body y).
  auto roots = [] {
    std::vector<Point> out;
    auto pieces = Pieces();
    for (std::size_t i = 2; i < pieces.size(); i += 7) out.push_back(pieces[i].v[0]);
    return out;
  };
  auto alphas = [] {
    std::vector<int> out;
    auto pieces = Pieces();
    for (std::size_t i = 0; i < pieces.size(); i += 7) out.push_back(pieces[i].a);
    return out;
  };

  g.birdcount = 3;
  velkaro::drawBird();
  EXPECT_EQ(roots(),
            (std::vector<Point>{{320, 260}, {320, 260}, {390, 320}, {250, 320}, {460, 380}}));
  // The bird, figure 0 at the bird's alpha, figures 1 and 2 solid, the last
  // at life / 300 = 0.3.
  EXPECT_EQ(alphas(), (std::vector<int>{127, 127, 255, 255, 76}));
  auto pieces = Pieces();
  EXPECT_EQ(pieces[7].r, 230);  // followers keep the grey body colour
  // A follower's mixed terms are truncated after the float sum.
  EXPECT_EQ(pieces[2 * 7].v[0], (Point{390 + 20, 306}));
  EXPECT_EQ(plat::GetAlpha(), 1.0f);

  GLCalls().clear();
  g.birdcount = 0;
  g.life = 100;
  velkaro::drawBird();
  EXPECT_EQ(roots(), (std::vector<Point>{{320, 260}, {320, 260}}));
  EXPECT_EQ(alphas(), (std::vector<int>{127, 85}));

  GLCalls().clear();
  g.life = 30;
  g.GAMESTATE = velkaro::STATE_MENU;
  velkaro::drawBird();
  EXPECT_EQ(alphas(), (std::vector<int>{7, 25}));

  GLCalls().clear();
  g.birdcount = 14;
  velkaro::drawBird();
  auto r = roots();
  ASSERT_EQ(r.size(), 16u);
  EXPECT_EQ(r[13], (Point{320, 500}));  // figure 12: slot (0, 4)
  EXPECT_EQ(r[14], r[13]);
  EXPECT_EQ(r[15], r[13]);
  auto a = alphas();
  EXPECT_EQ(a[13], 255);
  EXPECT_EQ(a[14], 255);
  EXPECT_EQ(a[15], 25);

  GLCalls().clear();
  g.birdcount = -1;
  g.GAMESTATE = velkaro::STATE_PLAYING;
  velkaro::drawBird();
  EXPECT_EQ(Pieces().size(), 7u);
  EXPECT_EQ(plat::GetAlpha(), 0.5f);
}

TEST_F(BirdTest, RandomDrawsAndFeathers) {
  // A seed whose first Rand(0, 100) is 5, and the state after the frame's
  // draws: the chance, then the right tip's size, then the left's.
  int seed = 1;
  for (;; ++seed) {
    plat::SeedRnd(seed);
    if (plat::Rand(0, 100) == 5) break;
  }
  plat::SeedRnd(seed);
  plat::Rand(0, 100);
  const int right_size = plat::Rand(3, 1);
  const int left_size = plat::Rand(3, 1);
  const int after_shedding = plat::RndSeed();

  plat::SeedRnd(seed);
  velkaro::drawBird();
  EXPECT_EQ(plat::RndSeed(), after_shedding);
  ASSERT_EQ(g.featherList.size(), 2u);
  const auto& right = *g.featherList.front();
  const auto& left = *g.featherList.back();
  EXPECT_EQ((std::vector<int>{right.x, right.y, right.size}),
            (std::vector<int>{385, 270, right_size}));
  EXPECT_EQ((std::vector<int>{left.x, left.y, left.size}), (std::vector<int>{255, 305, left_size}));
  EXPECT_EQ((std::vector<int>{left.r, left.g, left.b}), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(left.alpha, 1.0f);

  // A plain frame, in the menu too, draws exactly one number.
  g.GAMESTATE = velkaro::STATE_MENU;
  plat::SeedRnd(1);
  plat::Rand(0, 100);
  const int after_plain = plat::RndSeed();
  plat::SeedRnd(1);
  velkaro::drawBird();
  EXPECT_EQ(plat::RndSeed(), after_plain);
  EXPECT_EQ(g.featherList.size(), 2u);
}

TEST_F(BirdTest, FeatherListKeepsTheMostRecentButEveryCallDraws) {
  plat::SeedRnd(7);
  for (std::size_t i = 0; i < velkaro::MAX_FEATHERS + 5; ++i) velkaro::addFeather(int(i), 0);
  EXPECT_EQ(g.featherList.size(), velkaro::MAX_FEATHERS);
  EXPECT_EQ(g.featherList.front()->x, 5);
  EXPECT_EQ(g.featherList.back()->x, int(velkaro::MAX_FEATHERS + 4));

  const int after = plat::RndSeed();
  plat::SeedRnd(7);
  for (std::size_t i = 0; i < velkaro::MAX_FEATHERS + 5; ++i) plat::Rand(3, 1);
  EXPECT_EQ(plat::RndSeed(), after);
}

// The bird, its follower figures and its feathers: corner pixels, formation
// slots, alphas, the drawing state left behind and the random draws made.
#include <gtest/gtest.h>

#include "platform/record.h"
#include "tests/tpoly_fakes.h"
#include "velkaro/velkaro.h"

using namespace tpoly_test;
using velkaro::g;

namespace {

// One textured piece as sent: its alpha byte and its four vertices in fan
// order (corners 1, 2, 4, 3) as "x,y x,y x,y x,y".
struct Piece {
  int alpha = 0, red = 0;
  std::string corners;
};
std::vector<Piece> Pieces() {
  std::vector<Piece> out;
  for (const std::string& c : GL()) {
    int r, gg, b, a;
    float x, y, z;
    if (c.rfind("Begin", 0) == 0) out.emplace_back();
    if (std::sscanf(c.c_str(), "Color %d %d %d %d", &r, &gg, &b, &a) == 4)
      out.back().alpha = a, out.back().red = r;
    char xy[32];
    if (std::sscanf(c.c_str(), "Vertex %f %f %f", &x, &y, &z) == 3) {
      std::snprintf(xy, sizeof xy, out.back().corners.empty() ? "%d,%d" : " %d,%d", int(x), int(y));
      out.back().corners += xy;
    }
  }
  return out;
}

class BirdTest : public DrawerTest {
 protected:
  void SetUp() override {
    velkaro::ResetProgramState();
    DrawerTest::SetUp();
    UseGL();
    GL().clear();
    g.wingimg = plat::HandleFromImage(&wing_);
    g.GAMESTATE = velkaro::STATE_PLAYING;
    g.centerx = 320.5f;
    g.targetcenter = 300;  // limited to 10 below the wings' mean: 260
    g.targetleft = 240;  // the wings differ: each root follows the other side
    g.targetright = 260;
    g.leftcountt = 35;  // lean 17.5
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

TEST_F(BirdTest, CornersOfTheBirdsPiecesAndTheStateLeft) {
  plat::rec::Enable(true);
  velkaro::drawBird();
  std::vector<std::string> corners;
  for (const Piece& p : Pieces()) {
    EXPECT_EQ(p.alpha, 127);
    EXPECT_EQ(p.red, 255);
    corners.push_back(p.corners);
  }
  EXPECT_EQ(corners, (std::vector<std::string>{
                         "340,236 346,260 360,280 360,260",  // right wing, middle
                         "360,260 360,280 385,286 385,280",  // right wing, tip
                         "320,260 329,260 346,260 340,236",  // right wing, root
                         "300,256 306,280 280,277 280,275",  // left wing, middle
                         "280,275 280,277 255,301 255,295",  // left wing, tip
                         "320,260 329,280 306,280 300,256",  // left wing, root
                         "329,285 348,312 328,305 329,285",  // tail
                     }));
  const auto& calls = plat::rec::Calls();
  auto oval = std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.op == "DrawOval"; });
  ASSERT_NE(oval, calls.end());
  EXPECT_EQ(oval->args, (std::vector<double>{316.5, 250, 8, 14}));
  EXPECT_EQ(calls.back().op, "DrawLine");
  EXPECT_EQ(calls.back().args, (std::vector<double>{324.5, 264, 316.5, 264, 1}));

  int r, gg, b;
  plat::GetColor(r, gg, b);
  EXPECT_EQ(r + gg + b, 3 * 255);
  EXPECT_EQ(plat::GetAlpha(), 0.5f);  // no figure drawn over the bird
  EXPECT_EQ(plat::GetBlend(), 3);
  EXPECT_EQ(plat::GetLineWidth(), 3.0f);
}

TEST_F(BirdTest, FormationSlotsAndAlphas) {
  // Per figure (the bird first): where its root piece starts, and its alpha.
  auto figures = [] {
    std::vector<std::string> out;
    auto pieces = Pieces();
    for (std::size_t i = 0; i + 6 < pieces.size(); i += 7)
      out.push_back(pieces[i + 2].corners.substr(0, 7) + " " + std::to_string(pieces[i].alpha));
    GL().clear();
    return out;
  };
  g.birdcount = 3;
  velkaro::drawBird();
  auto followers = Pieces();
  EXPECT_EQ(followers[7].red, 230);  // a follower's wings keep the body grey
  EXPECT_EQ(followers[14].corners.substr(0, 7), "410,296");  // int x + 20, float y truncated
  EXPECT_EQ(figures(), (std::vector<std::string>{"320,260 127", "320,260 127", "390,320 255",
                                                 "250,320 255", "460,380 76"}));
  EXPECT_EQ(plat::GetAlpha(), 1.0f);

  g.birdcount = 0;
  g.life = 100;
  velkaro::drawBird();
  EXPECT_EQ(figures(), (std::vector<std::string>{"320,260 127", "320,260 85"}));

  g.life = 30;
  g.birdcount = 14;
  g.GAMESTATE = velkaro::STATE_MENU;
  velkaro::drawBird();
  auto all = figures();
  ASSERT_EQ(all.size(), 16u);
  EXPECT_EQ(all[0], "320,260 7");
  // Figures 12, 13 and 14 share slot 12; the last shows the life.
  EXPECT_EQ(std::vector<std::string>(all.begin() + 13, all.end()),
            (std::vector<std::string>{"320,500 255", "320,500 255", "320,500 25"}));
}

TEST_F(BirdTest, RandomDrawsAndFeathers) {
  int seed = 1;
  for (plat::SeedRnd(seed); plat::Rand(0, 100) != 5; plat::SeedRnd(++seed)) {
  }
  const int chance_only = plat::RndSeed();
  const int right_size = plat::Rand(3, 1), left_size = plat::Rand(3, 1);
  const int after_shedding = plat::RndSeed();

  plat::SeedRnd(seed);
  velkaro::drawBird();
  EXPECT_EQ(plat::RndSeed(), after_shedding);
  ASSERT_EQ(g.featherList.size(), 2u);
  const auto& right = *g.featherList.front();
  const auto& left = *g.featherList.back();
  EXPECT_EQ((std::vector<int>{right.x, right.y, right.size, left.x, left.y, left.size}),
            (std::vector<int>{385, 280, right_size, 255, 295, left_size}));
  EXPECT_EQ((std::vector<int>{left.r, left.g, left.b}), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(left.alpha, 1.0f);

  // A plain frame, the menu's too, draws one number and sheds nothing.
  plat::SeedRnd(1);
  plat::Rand(0, 100);
  const int plain = plat::RndSeed();
  ASSERT_NE(plain, chance_only);
  g.GAMESTATE = velkaro::STATE_MENU;
  plat::SeedRnd(1);
  velkaro::drawBird();
  EXPECT_EQ(plat::RndSeed(), plain);
  EXPECT_EQ(g.featherList.size(), 2u);

  // Only the most recent feathers are kept, but every one still draws.
  plat::SeedRnd(7);
  for (int i = 0; i < int(velkaro::MAX_FEATHERS) + 5; ++i) velkaro::addFeather(i, 0);
  EXPECT_EQ(g.featherList.size(), velkaro::MAX_FEATHERS);
  EXPECT_EQ(g.featherList.front()->x, 5);
  const int after = plat::RndSeed();
  plat::SeedRnd(7);
  for (std::size_t i = 0; i < velkaro::MAX_FEATHERS + 5; ++i) plat::Rand(3, 1);
  EXPECT_EQ(plat::RndSeed(), after);
}

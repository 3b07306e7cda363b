// The challenge road: cross-section creation, glide, pass filter, scoring,
// followers, life, retirement and the undrawable corners.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "platform/driver.h"
#include "platform/platform.h"
#include "platform/record.h"
#include "tests/test_game_support.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

using namespace velkaro;
using gametest::StepsBetween;

namespace {

// Segments reach the driver as one GL fan each; the fixture counts the fans
// and keeps their vertices.
int g_fans = 0;
std::vector<float> g_vertices;
void CountBegin(unsigned) { ++g_fans; }
void KeepVertex(float x, float y, float) {
  g_vertices.push_back(x);
  g_vertices.push_back(y);
}

class Road : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
    texturedpoly::TPoly::Initialise();
    arrow_.width = arrow_.height = 128;
    arrow_.rgba.assign(128 * 128 * 4, 255);
    g.arrowimg = &arrow_;
    plat::gl().Begin = CountBegin;
    plat::gl().Vertex3f = KeepVertex;
    g_fans = 0;
    g_vertices.clear();
    g.GAMESTATE = STATE_PLAYING;
    g.MODE = MODE_GAME;
    g.centery = 640.0f;  // no scroll term: only yspeed moves
    g.targetcenter = 480.0f;
  }

  std::shared_ptr<thing> Add(float x, float y, float elev, float yspeed = 0.0f) {
    auto c = std::make_shared<thing>();
    c->x = x;
    c->y = y;
    c->elev = elev;
    c->yspeed = yspeed;
    plat::ListAddLast(g.thingList, c);
    return c;
  }

  void Frame() {
    drawThings(0);
    drawThings(1);
  }

  plat::TImage arrow_;
};

TEST_F(Road, AddThingTakesGlidingCentreAndDrawsThreeToSix) {
  g.MODE = MODE_FREE_FLY;
  plat::SeedRnd(1);
  addThing();
  ASSERT_EQ(g.thingList.size(), 1u);
  const thing& first = *g.thingList.front();
  EXPECT_EQ(first.x, 320.0f);
  EXPECT_EQ(first.elev, 1.0f);
  EXPECT_EQ(first.y, -100.0f);
  EXPECT_EQ(first.yspeed, 0.01f);
  EXPECT_EQ(first.thingtype, 0);

  for (int i = 0; i < 300; ++i) {
    int before = plat::RndSeed();
    int x_before = g.thingx;
    float elev_before = g.thingelev;
    addThing();
    int steps = StepsBetween(before, plat::RndSeed());
    ASSERT_EQ(steps % 2, 0);
    int draws = steps / 2 - (g.thingelev != elev_before ? 1 : 0);
    // Coin, unread number, level coin; a wander adds one or two.
    ASSERT_GE(draws, g.thingx != x_before ? 4 : 3);
    ASSERT_LE(draws, 5);
    ASSERT_GE(g.thingx, 0);
    ASSERT_LE(g.thingx, 590);
  }
  // Outside the challenge nothing retires them; the list stays bounded,
  // and one that grew in the challenge is cut back to the bound.
  EXPECT_EQ(g.thingList.size(), MAX_THINGS);
  for (int i = 0; i < 8; ++i) Add(320, 100, 1.0f);
  auto newest = g.thingList.back();
  addThing();
  EXPECT_EQ(g.thingList.size(), MAX_THINGS);
  EXPECT_EQ(*std::next(g.thingList.rbegin()), newest);
}

TEST_F(Road, CentreGlidesToJustBelowItsTarget) {
  g.thingx = 330;
  for (int i = 0; i < 100; ++i) Frame();
  EXPECT_NEAR(g.curthingx, 329.9f, 0.01f);
  addThing();
  EXPECT_EQ(g.thingList.back()->x, 329.0f);

  g.thingx = 300;
  for (int i = 0; i < 200; ++i) Frame();
  EXPECT_LT(g.curthingx, 300.0f);
  EXPECT_GT(g.curthingx, 299.9f);
  addThing();
  EXPECT_EQ(g.thingList.back()->x, 299.0f);
}

TEST_F(Road, MenuAndFreeFlightFreezeTheRoad) {
  auto c = Add(320, 100, 1.0f, 0.01f);
  g.thingx = 400;
  plat::rec::Enable(true);
  for (int mode : {0, 1}) {
    g.GAMESTATE = mode == 0 ? STATE_MENU : STATE_PLAYING;
    g.MODE = mode == 0 ? MODE_GAME : MODE_FREE_FLY;
    Frame();
  }
  EXPECT_EQ(c->y, 100.0f);
  EXPECT_EQ(g.curthingx, 320.0f);
  EXPECT_TRUE(plat::rec::Calls().empty());
}

TEST_F(Road, LevelEqualToAltitudeIsVisitedTwiceAndNeverScores) {
  g.altitude = 1.0f;
  g.centerx = 320;
  g.targetcenter = 250;
  auto low = Add(320, 300, 1.0f, 1.0f);
  auto high = Add(320, 200, 1.0f, 1.0f);
  Frame();
  EXPECT_EQ(low->y, 302.0f);
  EXPECT_EQ(high->y, 202.0f);
  EXPECT_EQ(g_fans, 2);
  // Corners in fan order: c's left end, the older one's left and right
  // ends, c's right end (half-width 50).
  ASSERT_GE(g_vertices.size(), 8u);
  EXPECT_EQ(std::vector<float>(g_vertices.begin(), g_vertices.begin() + 8),
            (std::vector<float>{270, 201, 270, 301, 370, 301, 370, 201}));
  EXPECT_EQ(g.score, 0);
  EXPECT_EQ(high->thingtype, 0);
}

TEST_F(Road, ScoringColoursAndTheBandDownTo480) {
  g.altitude = 0.9f;
  g.centerx = 320;
  g.targetcenter = 479;
  // A visited cross-section at y 480 exactly leaves lasty at its mark, so
  // the next segment is not drawn and its band reaches 480.
  auto bottom = Add(320, 480, 2.0f);
  auto c = Add(320, 400, 1.0f);
  plat::rec::Enable(true);
  drawThings(0);
  EXPECT_EQ(g_fans, 0);
  EXPECT_EQ(g.score, 10);
  EXPECT_EQ(c->thingtype, 1);
  EXPECT_EQ(bottom->thingtype, 0);

  std::vector<std::vector<double>> colours;
  for (const auto& call : plat::rec::Calls())
    if (call.op == "SetColor") colours.push_back(call.args);
  ASSERT_EQ(colours.size(), 4u);  // red for bottom; red, blue, white for c
  EXPECT_EQ(colours[2], (std::vector<double>{100, 128, 255}));
  EXPECT_EQ(colours[3], (std::vector<double>{255, 255, 255}));

  // Outside the band (below lasty or beside the half-width) nothing scores.
  g.targetcenter = 481;
  drawThings(0);
  g.targetcenter = 450;
  g.centerx = 320 + 50 * 0.9f + 1;
  drawThings(0);
  EXPECT_EQ(g.score, 10);
}

TEST_F(Road, FollowersWonAtExactMultiplesAndLostWithLife) {
  g.altitude = 0.9f;
  g.centerx = 320;
  g.targetcenter = 450;
  g.score = 29990;
  Add(320, 400, 1.0f);
  drawThings(0);
  EXPECT_EQ(g.score, 30000);
  EXPECT_EQ(g.birdcount, 1);
  drawThings(0);
  EXPECT_EQ(g.score, 30010);
  EXPECT_EQ(g.birdcount, 1);

  // A passed cross-section retires for free; an unpassed one at life 1
  // costs a follower and refills life.
  g.thingList.clear();
  g.birdcount = 0;
  g.life = 1;
  auto passed = Add(320, 551, 2.0f);
  passed->thingtype = 1;
  drawThings(0);
  EXPECT_EQ(g.life, 1);
  EXPECT_EQ(g.birdcount, 0);
  EXPECT_TRUE(g.thingList.empty());
  Add(320, 551, 2.0f);
  drawThings(0);
  EXPECT_EQ(g.life, 100);
  EXPECT_EQ(g.birdcount, -1);
  EXPECT_TRUE(g.thingList.empty());
}

TEST_F(Road, WaitingCrossSectionsComeDownTogether) {
  // A long wait in the menu, a section every 100 passes: only the newest
  // 32 wait at the top.
  g.GAMESTATE = STATE_MENU;
  for (int pass = 1; pass <= 3300; ++pass) {
    if (pass % 100 == 0) addThing();
    Frame();
  }
  ASSERT_EQ(g.thingList.size(), MAX_THINGS);
  const std::vector<std::shared_ptr<thing>> waiting(g.thingList.begin(), g.thingList.end());

  // The challenge with no keys: the bird rests at its lowest, so the road
  // scrolls at its slowest. A section may leave the list only by retiring
  // below y 550, and each unpassed one costs exactly one life point.
  g.GAMESTATE = STATE_PLAYING;
  g.centery = 439.0f;
  g.targetcenter = 439.0f;
  g.centerx = 320.0f;
  std::size_t most = 0;
  int unpassed = 0;
  for (int pass = 1; pass <= 3000; ++pass) {
    const std::vector<std::shared_ptr<thing>> before(g.thingList.begin(), g.thingList.end());
    if (pass % 100 == 0) addThing();
    Frame();
    most = std::max(most, g.thingList.size());
    if (pass == 1) {
      // All together, but for those on the bird's level, which move twice.
      std::set<float> ys;
      for (const auto& c : waiting)
        if (c->elev != g.altitude) ys.insert(c->y);
      EXPECT_EQ(ys.size(), 1u);
    }
    for (const auto& c : before) {
      if (std::find(g.thingList.begin(), g.thingList.end(), c) != g.thingList.end()) continue;
      ASSERT_GT(c->y, 550.0f) << "pass " << pass;
      if (c->thingtype == 0) ++unpassed;
    }
    ASSERT_EQ(g.life, 100 - unpassed) << "pass " << pass;
  }
  EXPECT_GT(most, MAX_THINGS);
  EXPECT_GE(unpassed, 31);  // all but the scoring band's first section
  for (const auto& c : waiting)
    EXPECT_EQ(std::find(g.thingList.begin(), g.thingList.end(), c), g.thingList.end());
  EXPECT_EQ(g.birdcount, 0);
}

TEST_F(Road, UndrawableCornersSkipTheSegmentOnly) {
  // elev 0 gives an infinite half-width (NaN at altitude 0), a tiny elev one
  // far beyond the int range; none of it may reach the driver.
  for (float altitude : {1.0f, 0.0f}) {
    g.thingList.clear();
    g.altitude = altitude;
    g.life = 100;
    Add(320, 549, -1.0f, 2.0f);
    Add(320, 540, 0.0f, 2.0f);
    Add(320, 530, 0.001f, 2.0f);
    Add(320, 520, -1.0f, 2.0f);
    Frame();
    EXPECT_EQ(g_fans, 0);
    for (int i = 0; i < 20; ++i) Frame();
    EXPECT_TRUE(g.thingList.empty());
    EXPECT_EQ(g.life, 96);
  }
}

}  // namespace

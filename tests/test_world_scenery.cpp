// The world below the bird: clouds, specks, wave glints, sun and moon,
// island. Random draws are counted by replaying the generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "platform/record.h"
#include "tests/test_game_support.h"
#include "velkaro/velkaro.h"

using namespace velkaro;
using gametest::CallsOf;
using gametest::StepsBetween;

namespace {

// The k-th (from 1) of the next Rand draws with the given bounds, without
// consuming any.
int PeekRand(int k, int lo, int hi) {
  int saved = plat::RndSeed();
  int v = 0;
  for (int i = 0; i < k; ++i) v = plat::Rand(lo, hi);
  plat::SeedRnd(saved);
  return v;
}

class World : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    // Width and height differ so that a mix-up of the two shows.
    cloud_.width = 200;
    cloud_.height = 300;
    isle_.width = 400;
    isle_.height = 512;
    g.cloudimg = plat::HandleFromImage(&cloud_);
    g.isleimg = plat::HandleFromImage(&isle_);
    g.centery = 640.0f;  // no scroll term
    plat::SeedRnd(1);
    plat::rec::Enable(true);
  }

  template <class F>
  int StepsOf(F&& f) {
    int before = plat::RndSeed();
    f();
    return StepsBetween(before, plat::RndSeed());
  }

  plat::TImage cloud_, isle_;
};

TEST_F(World, DrawCountsFollowTheListsAndTheirChances) {
  g.centery = 300.0f;
  for (int frame = 0; frame < 400; ++frame) {
    std::size_t clouds = g.cloudList.size();
    auto last_cloud = clouds ? g.cloudList.back() : nullptr;
    int steps = StepsOf(drawClouds);
    bool added = !g.cloudList.empty() && g.cloudList.back() != last_cloud;
    ASSERT_EQ(steps, 2 * int(clouds) + 2 + (added ? 4 : 0));

    std::size_t specks = g.speckList.size();
    auto last_speck = specks ? g.speckList.back() : nullptr;
    steps = StepsOf(drawSpecks);
    added = !g.speckList.empty() && g.speckList.back() != last_speck;
    ASSERT_EQ(steps, 7 * int(specks) + 2 + (added ? 6 : 0));

    // Half the frames under the smallest size: neither coin nor oval.
    g.altitude = frame % 2 ? 1.0f : 0.1f;
    std::size_t waves = g.waveList.size();
    auto last_wave = waves ? g.waveList.back() : nullptr;
    plat::rec::Clear();
    steps = StepsOf(drawWaves);
    added = !g.waveList.empty() && g.waveList.back() != last_wave;
    int coins = frame % 2 ? int(waves) : 0;
    int ovals = int(CallsOf("DrawOval").size());
    ASSERT_EQ(steps, 2 * (6 * int(waves) + coins + 3 * ovals + 1 + (added ? 6 : 0)));
    if (frame % 2 == 0) {
      ASSERT_EQ(ovals, 0);
    }
  }
  EXPECT_GT(g.waveList.size(), 50u);
  EXPECT_GT(g.speckList.size(), 10u);
  EXPECT_EQ(g.cloudcount, int(g.cloudList.size()));

  for (float altitude : {0.0f, 0.1f, 1.0f, 2.0f, 1e9f}) {
    g.altitude = altitude;
    EXPECT_EQ(StepsOf(drawSunMoon), 154);
  }
}

TEST_F(World, CloudWrapsLeftFirstAndRetiresStrictly) {
  auto c = std::make_shared<cloud>();
  c->scale = 2.0f;  // bounds at -200 and 840
  plat::ListAddLast(g.cloudList, c);
  g.cloudcount = 1;
  struct Case {
    float after_jitter, expected;
  };
  for (Case k : {Case{-201, 840}, Case{841, -200}, Case{-200, -200}, Case{840, 840}}) {
    c->x = k.after_jitter - float(PeekRand(1, -1, 1));
    drawClouds();
    EXPECT_EQ(c->x, k.expected) << k.after_jitter;
  }

  g.cloudList = {c};
  g.cloudcount = 1;
  // The removal uses the unscaled height: y - 300 * 2 against 1000.
  c->y = 1600;
  drawClouds();
  EXPECT_EQ(g.cloudList.front(), c);
  c->y = 1600.5f;
  drawClouds();
  EXPECT_TRUE(g.cloudList.empty() || g.cloudList.front() != c);
  EXPECT_EQ(g.cloudcount, int(g.cloudList.size()));
}

TEST_F(World, SpecksShakeTintAndLeaveAtTheBottom) {
  auto s = std::make_shared<speck>();
  plat::ListAddLast(g.speckList, s);
  g.curr = 222;
  // The halved draw never moves a speck: x follows the first draw alone.
  int jx = PeekRand(1, -1, 1);
  int jy = PeekRand(3, -1, 1);
  s->x = 10;
  s->yspeed = 0;
  s->y = 480.0f - float(jy);
  drawSpecks();
  EXPECT_EQ(s->x, 10.0f + float(jx));
  EXPECT_EQ(s->y, 480.0f);
  EXPECT_EQ(g.speckList.front(), s);
  auto plots = CallsOf("Plot");
  ASSERT_EQ(plots.size(), 1u);
  EXPECT_EQ(plots[0].r, 272);  // passed raw; the platform clamps it
  EXPECT_EQ(plat::GetAlpha(), 1.0f);

  s->y = 481.5f;
  drawSpecks();
  EXPECT_TRUE(g.speckList.empty() || g.speckList.front() != s);
}

TEST_F(World, GlintOvalSizesAndBottom) {
  auto w = std::make_shared<wavelet>();
  plat::ListAddLast(g.waveList, w);
  // Placed so that its move lands it on the given offset from the glow.
  auto place = [&](float dx, float dy) {
    w->yspeed = 0;
    w->x = g.sunx + dx - float(PeekRand(1, -1, 1));
    w->y = g.suny + dy - float(PeekRand(3, -1, 1));
  };
  // The largest oval size is Int(3 * altitude * 2).
  for (auto [altitude, l] : {std::pair{0.5f, 3}, std::pair{1.0f, 6}, std::pair{2.0f, 12}}) {
    g.altitude = altitude;
    int biggest = 0;
    plat::rec::Clear();
    for (int i = 0; i < 300; ++i) {
      g.waveList = {w};
      place(0, 0);
      drawWaves();
    }
    for (const auto& o : CallsOf("DrawOval"))
      biggest = std::max({biggest, std::abs(int(o.args[2])), std::abs(int(o.args[3]))});
    EXPECT_EQ(biggest, l) << altitude;
  }
  EXPECT_EQ(plat::GetAlpha(), 0.2f);
  EXPECT_EQ(plat::GetLineWidth(), 1.0f);

  g.suny = 480;
  g.waveList = {w};
  place(0, 0);
  drawWaves();
  EXPECT_EQ(g.waveList.front(), w);
  place(0, 0.5f);
  drawWaves();
  EXPECT_TRUE(g.waveList.empty() || g.waveList.front() != w);
}

TEST_F(World, SunAndMoonPassRawColoursOn) {
  // Under the brightest day sky the raw values pass 255.
  g.curr = g.curg = g.curb = 200;
  drawSunMoon();
  int highest = 0;
  for (const auto& c : CallsOf("SetColor")) highest = std::max(highest, int(c.args[0]));
  EXPECT_GT(highest, 255);
}

TEST_F(World, IslandWrapsOnlyPastTheBottom) {
  // A scroll term of -0.01 cancels the island's own 0.01: it stays put.
  g.centery = 644.0f;
  g.isley = 480;
  int seed = plat::RndSeed();
  drawIsland();
  EXPECT_EQ(g.isley, 480.0f);
  EXPECT_EQ(plat::RndSeed(), seed);

  for (auto [altitude, top] : {std::pair{1.0f, -512.0f}, std::pair{0.25f, -128.0f},
                               std::pair{0.0f, 0.0f}}) {
    g.altitude = altitude;
    g.isley = 480.5f;
    int x = PeekRand(1, 0, 400);
    drawIsland();
    EXPECT_EQ(g.isley, top) << altitude;
    EXPECT_EQ(g.islex, float(x));
  }

  // Faded by altitude and tinted 100 above the sky, both passed on raw.
  g.altitude = 2.0f;
  g.curr = 222;
  plat::rec::Clear();
  drawIsland();
  auto images = CallsOf("DrawImage");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].alpha, 1.5f);
  EXPECT_EQ(images[0].r, 322);
}

}  // namespace

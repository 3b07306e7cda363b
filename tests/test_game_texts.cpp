// Screen texts, the story and its drawing, and the music phrase chooser.
#include <set>

#include "tests/test_game_support.h"

using namespace gametest;

namespace {

class Texts : public ::testing::Test {
 protected:
  void SetUp() override {
    StartProgram();
    plat::rec::Enable(true);
    plat::rec::Clear();
  }
};

std::string ClockText(int hour, int minute) {
  g.hour = hour;
  g.minute = minute;
  plat::rec::Clear();
  drawWind();
  const auto texts = CallsOf("DrawText");
  EXPECT_EQ(texts.size(), 9u);
  if (texts.size() != 9) return std::string();
  return texts.back().text;  // the outline first, then the text itself
}

TEST_F(Texts, ClockReadsHoursWithoutLeadingZeroAndTwoDigitMinutes) {
  EXPECT_EQ(ClockText(5, 55), "5:55am");
  EXPECT_EQ(ClockText(12, 5), "12:05am");
  EXPECT_EQ(ClockText(13, 0), "1:00pm");
  EXPECT_EQ(ClockText(0, 0), "0:00am");
  EXPECT_EQ(ClockText(23, 55), "11:55pm");
  EXPECT_EQ(ClockText(7, 10), "7:10am");
}

TEST_F(Texts, StoryLineGrowsFadesAndDrifts) {
  g.textlinecount = 1;
  g.textsize = 1.0f;
  g.textx = 10.0f; g.texttx = 10.02f;
  g.texty = 50.0f; g.textty = 40.0f;
  drawTextLine();
  auto texts = CallsOf("DrawText");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Long ago,");
  EXPECT_EQ(texts[0].sx, 1.0f);
  EXPECT_FLOAT_EQ(texts[0].alpha, 0.997f);
  EXPECT_EQ(texts[0].args, std::vector<double>({10.0, 50.0}));
  EXPECT_EQ(g.textsize, 1.003f);
  EXPECT_EQ(g.textx, 10.0f + 0.03f - 0.03f);  // raised past the target and back
  EXPECT_EQ(g.texty, 50.0f - 0.03f);
  EXPECT_EQ(plat::GetAlpha(), 1.0f);
  float sx = 0, sy = 0;
  plat::GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
  EXPECT_EQ(sy, 1.0f);

  // No line (0, an empty line, 115): it still grows and drifts unseen.
  for (int n : {0, 6, 115, 144}) {
    g.textlinecount = n;
    g.textsize = 2.5f;
    const float y = g.texty;
    plat::rec::Clear();
    drawTextLine();
    for (const auto& t : CallsOf("DrawText")) EXPECT_EQ(t.text, "") << n;
    EXPECT_EQ(g.textsize, 2.503f);
    EXPECT_LT(g.texty, y);
    EXPECT_EQ(plat::GetAlpha(), 1.0f);
  }
}

TEST(Story, ShapeOfTheStory) {
  const std::set<int> pauses = {6, 10, 16, 21, 25, 27, 32, 37, 41, 44, 50, 54,
                                59, 64, 70, 77, 79, 84, 91, 93, 98, 104, 108, 112};
  std::vector<int> stanzas;
  int run = 0;
  for (int n = 1; n <= 114; ++n) {
    const std::string& s = storyLine(n);
    if (pauses.count(n)) {
      EXPECT_EQ(s, "") << n;
      if (run) stanzas.push_back(run);
      run = 0;
      continue;
    }
    ++run;
    EXPECT_GE(s.size(), 4u) << n;
    EXPECT_LE(s.size(), 52u) << n;
    for (char c : s) EXPECT_TRUE(c >= 32 && c < 127) << n;
  }
  stanzas.push_back(run);
  EXPECT_EQ(stanzas, std::vector<int>({5, 3, 5, 4, 3, 1, 4, 4, 3, 2, 5, 3, 4, 4, 5, 6, 1, 4, 6,
                                        1, 4, 5, 3, 3, 2}));
  EXPECT_EQ(storyLine(1), "Long ago,");
  EXPECT_EQ(storyLine(114).size(), 4u);
  for (int n : {-1, 0, 115, 144, 1000}) EXPECT_EQ(storyLine(n), "") << n;
}

class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    StartProgram();
    plat::rec::Played().clear();
  }
  // Bird settled above the floor: no test of the layers holds.
  void Settle(float y) {
    g.GAMESTATE = STATE_PLAYING;
    g.centery = y; g.targetcenter = y;
    g.Leftwing = y; g.targetleft = y;
    g.rightwing = y; g.targetright = y;
  }
  // The three coins the next picksound will toss.
  std::vector<int> Coins() {
    const int s = plat::RndSeed();
    std::vector<int> c;
    for (int i = 0; i < 3; ++i) c.push_back(plat::Rand(0, 1));
    plat::SeedRnd(s);
    return c;
  }
};

TEST_F(Music, MenuDrawsOnePhraseAndStartsNothing) {
  g.soundtimer = 16005;
  std::vector<int> counts(9, 0);
  for (int i = 0; i < 9000; ++i) {
    const int s = plat::RndSeed();
    const int snd = picksound();
    ASSERT_EQ(plat::RndSeed(), AfterRands(s, 1));
    ASSERT_GE(snd, 101);
    ASSERT_LE(snd, 108);
    ++counts[static_cast<std::size_t>(snd - 100)];
  }
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_TRUE(plat::rec::Played().empty());
  // sound8 has two chances in nine.
  EXPECT_GT(counts[8], 1700);
  for (int k = 1; k <= 7; ++k) EXPECT_LT(counts[static_cast<std::size_t>(k)], 1200) << k;
}

TEST_F(Music, OnTheFloorTheBasePhraseAloneWithoutADraw) {
  Settle(439);
  g.targetcenter = 300;  // even when rising
  const int s = plat::RndSeed();
  EXPECT_EQ(picksound(), 108);
  EXPECT_EQ(plat::RndSeed(), s);
  EXPECT_TRUE(plat::rec::Played().empty());
}

TEST_F(Music, SettledBirdLayersTheBasePhraseOnEveryCoin) {
  Settle(300);
  for (int seed : {1, 2, 3, 4, 5, 6, 7, 8}) {
    plat::SeedRnd(seed);
    plat::rec::Played().clear();
    const std::vector<int> coins = Coins();
    const int s = plat::RndSeed();
    EXPECT_EQ(picksound(), 108);
    EXPECT_EQ(plat::RndSeed(), AfterRands(s, 3));
    std::vector<int> want = {8};
    for (int c : coins) {
      if (c) want.push_back(8);
    }
    EXPECT_EQ(PhraseNumbers(plat::rec::Played()), want);
  }
}

TEST_F(Music, LayersFollowTheBirdsMotion) {
  // Body sinking, both tips sinking, high on the screen.
  for (int seed = 1; seed < 40; ++seed) {
    Settle(150);
    g.targetcenter = 140;
    g.targetleft = 140; g.targetright = 140;
    plat::SeedRnd(seed);
    plat::rec::Played().clear();
    const std::vector<int> coins = Coins();
    EXPECT_EQ(picksound(), 107);
    std::vector<int> want = {8};
    const int layer[3] = {1, 4, 4};  // the rising test keeps sound4
    for (int i = 0; i < 3; ++i) {
      if (coins[static_cast<std::size_t>(i)]) want.push_back(layer[i]);
    }
    EXPECT_EQ(PhraseNumbers(plat::rec::Played()), want) << seed;
  }
  // Body rising, only the right tip sinking then both tips rising.
  Settle(300);
  g.targetcenter = 310;
  g.targetright = 290;
  EXPECT_EQ(picksound(), 103);
  Settle(300);
  g.targetleft = 310; g.targetright = 310;
  EXPECT_EQ(picksound(), 106);
}

}  // namespace

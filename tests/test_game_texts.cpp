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
  std::vector<plat::rec::Call> Texts_() { return CallsOf("DrawText"); }
};

std::string ClockText(int hour, int minute) {
  g.hour = hour;
  g.minute = minute;
  plat::rec::Clear();
  drawWind();
  const auto texts = CallsOf("DrawText");
  EXPECT_EQ(texts.size(), 9u);
  if (texts.size() != 9) return std::string();
  // The last one is the text itself; it stands centred at the top edge.
  const plat::rec::Call& t = texts.back();
  EXPECT_EQ(t.args[0], 320 - plat::TextWidth(t.text) / 2);
  EXPECT_EQ(t.args[1], 0.0);
  EXPECT_EQ(t.r, 255);
  return t.text;
}

TEST_F(Texts, ClockReadsHoursWithoutLeadingZeroAndTwoDigitMinutes) {
  EXPECT_EQ(ClockText(5, 55), "5:55am");
  EXPECT_EQ(ClockText(12, 5), "12:05am");
  EXPECT_EQ(ClockText(13, 0), "1:00pm");
  EXPECT_EQ(ClockText(0, 0), "0:00am");
  EXPECT_EQ(ClockText(23, 55), "11:55pm");
  EXPECT_EQ(ClockText(7, 10), "7:10am");
}

TEST_F(Texts, OutlineIsEightOffsetsAtThirtyPercentThenTheTextInTheKeptColour) {
  plat::SetColor(10, 20, 30);
  plat::SetAlpha(0.25f);
  drawOutlineText("Hi", 100, 200);
  const auto texts = CallsOf("DrawText");
  ASSERT_EQ(texts.size(), 9u);
  const double off[8][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}, {0, -1}, {0, 1}, {-1, 0}, {1, 0}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(texts[i].args[0], 100 + off[i][0]) << i;
    EXPECT_EQ(texts[i].args[1], 200 + off[i][1]) << i;
    EXPECT_EQ(texts[i].r + texts[i].g + texts[i].b, 0);
    EXPECT_FLOAT_EQ(texts[i].alpha, 0.3f);
  }
  EXPECT_EQ(texts[8].args, std::vector<double>({100, 200}));
  EXPECT_EQ(texts[8].r, 10);
  EXPECT_EQ(texts[8].b, 30);
  EXPECT_EQ(texts[8].alpha, 1.0f);
  int r = 0, gr = 0, b = 0;
  plat::GetColor(r, gr, b);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(gr, 20);
  EXPECT_EQ(b, 30);
  EXPECT_EQ(plat::GetAlpha(), 1.0f);

  plat::SetAlpha(0.5f);
  drawOutlineText("", 5, 5);
  plat::GetColor(r, gr, b);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(plat::GetAlpha(), 1.0f);
}

TEST_F(Texts, ScoreLineDependsOnStateAndMode) {
  plat::SetColor(1, 2, 3);
  plat::rec::Clear();
  drawScore();
  EXPECT_TRUE(plat::rec::Calls().empty());  // the menu: not even a colour

  g.GAMESTATE = STATE_PLAYING;
  g.score = 30000;
  drawScore();
  auto texts = CallsOf("DrawText");
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts.back().text, "Free flight - hit F1 to start the challenge.");

  g.MODE = MODE_GAME;
  plat::rec::Clear();
  drawScore();
  texts = CallsOf("DrawText");
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts.back().text, "Score: 30000");
  EXPECT_EQ(texts.back().args[1], 440.0);
  EXPECT_EQ(texts.back().r, 255);
}

TEST_F(Texts, MenuShowsTheFaintLogoAndThreeLines) {
  g.GAMESTATE = STATE_PLAYING;
  drawmenu();
  EXPECT_TRUE(plat::rec::Calls().empty());

  g.GAMESTATE = STATE_MENU;
  plat::SetColor(255, 255, 255);
  drawmenu();
  const auto images = CallsOf("DrawImage");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].args[1], 320 - plat::ImageWidth(g.logoimg) / 2);
  EXPECT_EQ(images[0].args[2], 50.0);
  EXPECT_FLOAT_EQ(images[0].alpha, 0.1f);
  EXPECT_EQ(images[0].blend, plat::ALPHABLEND);
  std::vector<std::pair<std::string, double>> lines;
  for (const auto& t : CallsOf("DrawText")) {
    if (t.alpha == 1.0f) lines.emplace_back(t.text, t.args[1]);
  }
  EXPECT_EQ(lines, (std::vector<std::pair<std::string, double>>{
                       {"Press Space to start flying.", 230},
                       {"Z and M to flap; hold them down to dive.", 360},
                       {"Stay on the blue sky road.", 390}}));
}

TEST_F(Texts, StoryColourIsTheSkysComplement) {
  const float skies[][3] = {{0, 0, 0}, {255, 255, 255}, {100.5f, 25, 5}, {200, 200, 200}};
  const int want[][3] = {{255, 255, 255}, {0, 0, 0}, {154, 230, 250}, {55, 55, 55}};
  for (int i = 0; i < 4; ++i) {
    g.curr = skies[i][0]; g.curg = skies[i][1]; g.curb = skies[i][2];
    drawFlapStats();
    int r = 0, gr = 0, b = 0;
    plat::GetColor(r, gr, b);
    EXPECT_EQ(r, want[i][0]);
    EXPECT_EQ(gr, want[i][1]);
    EXPECT_EQ(b, want[i][2]);
  }
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

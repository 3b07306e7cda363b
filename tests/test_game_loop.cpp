// The main loop: phrase timer and boundaries, day clock and sky colours,
// story pacing, the reset, the loop test, the road cadence and the veil.
#include <climits>

#include "tests/test_game_support.h"

using namespace gametest;

namespace {

class Loop : public ::testing::Test {
 protected:
  void SetUp() override { StartProgram(); }
  void TearDown() override { ReleaseKeys(); }

  void Pass(int clock) {
    plat::headless::SetClock(clock);
    plat::rec::Played().clear();
    mainPass();
  }
};

TEST_F(Loop, FirstReadingAboveAPhraseStartsTheMenuDayAtDawn) {
  Pass(100000);
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_EQ(g.hour, 6);
  EXPECT_EQ(g.minute, 0);
  EXPECT_EQ(g.clsr, 100);
  EXPECT_EQ(g.clsg, 25);
  EXPECT_EQ(g.clsb, 5);
  // The hour change puts the glow back at the left after this pass's drift.
  EXPECT_EQ(g.sunx, 0.0f);
  // One phrase in the menu: the first draw after the reset picks sound1.
  EXPECT_EQ(PhraseNumbers(plat::rec::Played()), std::vector<int>({1}));
  EXPECT_EQ(g.textlinecount, 0);
  EXPECT_EQ(g.oldtime, 100000);
}

TEST_F(Loop, FirstReadingWithinAPhraseWaitsForTheTimerToPass16000) {
  Pass(16000);
  EXPECT_EQ(g.soundtimer, 16000);
  EXPECT_EQ(g.minute, 55);
  EXPECT_TRUE(plat::rec::Played().empty());
  EXPECT_EQ(g.clsr, 0);
  Pass(16001);
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_EQ(g.hour, 6);
  EXPECT_EQ(plat::rec::Played().size(), 1u);
}

TEST_F(Loop, NegativeOrWrappingClockKeepsThePhraseTimerCountingUp) {
  // A first reading negative as a signed value is a phrase boundary.
  Pass(-5);
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_EQ(g.hour, 6);
  EXPECT_EQ(plat::rec::Played().size(), 1u);
  Pass(12);
  EXPECT_EQ(g.soundtimer, 17);

  // The clock wrapping from the top of the range to the bottom is 16 ms.
  Pass(INT_MAX - 5);
  const int before = g.soundtimer;
  ASSERT_LE(before, 16000);
  Pass(INT_MIN + 10);
  EXPECT_EQ(g.soundtimer, before + 16);

  // A reading behind the last one never leaves the timer negative.
  Pass(plat::WrapSub(INT_MIN + 10, 1000));
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_EQ(plat::rec::Played().size(), 1u);
}

TEST_F(Loop, JumpTooLongToAddIsStillOneBoundary) {
  Pass(16000);
  ASSERT_EQ(g.soundtimer, 16000);
  // 16000 + INT_MAX would wrap negative; the timer takes the boundary instead.
  Pass(plat::WrapAdd(16000, INT_MAX));
  EXPECT_EQ(g.soundtimer, 0);
  EXPECT_EQ(g.hour, 6);
  EXPECT_EQ(plat::rec::Played().size(), 1u);
}

TEST_F(Loop, MenuClockGainsFiftyMinutesAPhraseAndDropsTheSurplus) {
  const int expect[][2] = {{6, 0}, {6, 50}, {7, 0}, {7, 50}, {8, 0}};
  int clock = 100000;
  for (const auto& hm : expect) {
    Pass(clock);
    EXPECT_EQ(g.hour, hm[0]);
    EXPECT_EQ(g.minute, hm[1]);
    EXPECT_EQ(plat::rec::Played().size(), 1u);
    if (hm[0] == 6) {
      EXPECT_EQ(g.clsr, 100);
    }
    clock += 16001;
  }
  EXPECT_EQ(g.clsr, 32);
  EXPECT_EQ(g.clsg, 125);
  EXPECT_EQ(g.clsb, 222);
  EXPECT_EQ(g.textlinecount, 0);  // no story in the menu
}

TEST_F(Loop, PlayClockStepsFiveMinutesAndWrapsMidnight) {
  Pass(100000);
  g.GAMESTATE = STATE_PLAYING;
  g.hour = 23;
  g.minute = 55;
  g.clsr = 1; g.clsg = 2; g.clsb = 3;
  g.sunx = 50.0f;
  Pass(100000 + 16001);
  EXPECT_EQ(g.hour, 0);
  EXPECT_EQ(g.minute, 0);
  // Hour 0 has no colour of its own: the sky stays as it was.
  EXPECT_EQ(g.clsr, 1);
  EXPECT_EQ(g.clsb, 3);
  EXPECT_EQ(g.sunx, 50.03f);

  g.hour = 16;
  g.minute = 50;
  Pass(100000 + 2 * 16001);
  EXPECT_EQ(g.hour, 16);
  EXPECT_EQ(g.minute, 55);
  Pass(100000 + 3 * 16001);
  EXPECT_EQ(g.hour, 17);
  EXPECT_EQ(g.minute, 0);
  EXPECT_EQ(g.clsr, 128);
  EXPECT_EQ(g.clsg, 128);
  EXPECT_EQ(g.clsb, 128);
  EXPECT_EQ(g.sunx, 0.0f);
}

TEST_F(Loop, NarrativeStepDrawsFourPlacesAndWrapsTheLineCount) {
  const int s0 = plat::RndSeed();
  g.textlinecount = 143;
  g.textsize = 1.7f;
  narrativeStep();
  EXPECT_EQ(g.textlinecount, 144);
  EXPECT_EQ(g.textsize, 1.0f);
  EXPECT_EQ(plat::RndSeed(), AfterRands(s0, 4));
  const float got[4] = {g.textx, g.texty, g.texttx, g.textty};
  plat::SeedRnd(s0);
  for (float v : got) EXPECT_EQ(v, static_cast<float>(plat::Rand(0, 400)));
  narrativeStep();
  EXPECT_EQ(g.textlinecount, 114);
}

// Runs passes 17 ms apart until the second boundary after the first pass;
// returns the timer readings at which a story line started.
std::vector<int> LineStartsOverOnePhrase(int& boundaries) {
  std::vector<int> starts;
  int clock = 100000;
  int lines = g.textlinecount;
  boundaries = 0;
  for (int i = 0; i < 2000 && boundaries < 2; ++i) {
    plat::headless::SetClock(clock);
    plat::rec::Played().clear();
    const int timerBefore = plat::WrapAdd(g.soundtimer, plat::WrapSub(clock, g.oldtime));
    mainPass();
    if (!plat::rec::Played().empty()) ++boundaries;
    if (g.textlinecount != lines) starts.push_back(timerBefore);
    lines = g.textlinecount;
    clock += 17;
  }
  return starts;
}

TEST_F(Loop, TwoStoryLinesAPhraseWhilePlayingNoneInTheMenu) {
  g.GAMESTATE = STATE_PLAYING;
  int boundaries = 0;
  std::vector<int> starts = LineStartsOverOnePhrase(boundaries);
  ASSERT_EQ(boundaries, 2);
  // The first boundary, one line in the mid-phrase window, the next boundary.
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_GT(starts[0], 16000);
  EXPECT_GT(starts[1], 7900);
  EXPECT_LT(starts[1], 8100);
  EXPECT_LE(starts[1] - 17, 7900);  // the first pass inside the window
  EXPECT_GT(starts[2], 16000);
  EXPECT_EQ(g.textlinecount, 3);
}

TEST_F(Loop, MenuPhrasesPlayButTellNoStory) {
  int boundaries = 0;
  std::vector<int> starts = LineStartsOverOnePhrase(boundaries);
  EXPECT_EQ(boundaries, 2);
  EXPECT_TRUE(starts.empty());
  EXPECT_EQ(g.textlinecount, 0);
}

TEST_F(Loop, SpaceAfterTheMidWindowStartsTheStoryAtTheNextBoundary) {
  int clock = 100000;
  Pass(clock);
  while (g.soundtimer <= 8100) {
    clock += 17;
    Pass(clock);
  }
  Tap(plat::KEY_SPACE);
  clock += 17;
  Pass(clock);
  ASSERT_EQ(g.GAMESTATE, STATE_PLAYING);
  while (g.soundtimer != 0) {
    EXPECT_EQ(g.textlinecount, 0);
    clock += 17;
    Pass(clock);
  }
  EXPECT_EQ(g.textlinecount, 1);
}

TEST_F(Loop, ResetKeepsStorySkyTimerAndListsButRestartsTheGame) {
  g.textlinecount = 7; g.textsize = 1.5f; g.textx = 11; g.texty = 12; g.texttx = 13; g.textty = 14;
  g.clsr = 50; g.clsg = 60; g.clsb = 70; g.curr = 1.5f; g.curg = 2.5f; g.curb = 3.5f;
  g.sunx = 33; g.suny = 44; g.soundtimer = 4321; g.oldtime = 99; g.curtime = 98;
  g.MODE = MODE_GAME; g.GAMESTATE = STATE_PLAYING;
  g.centery = 200; g.Leftwing = 190; g.rightwing = 210; g.leftcount = 20; g.rightcount = 30;
  g.hour = 13; g.minute = 20; g.score = 900; g.life = 3; g.birdcount = 2; g.thingcount = 42;
  g.altitude = 3; g.fatigue = 50; g.wind = 0.2f; g.targetwind = 0.3f; g.cloudcount = 9;
  g.cloudList.push_back(std::make_shared<cloud>());
  initvars();
  EXPECT_EQ(plat::RndSeed(), 1);
  // Left alone.
  EXPECT_EQ(g.textlinecount, 7); EXPECT_EQ(g.textsize, 1.5f); EXPECT_EQ(g.texttx, 13.0f);
  EXPECT_EQ(g.clsr, 50); EXPECT_EQ(g.curb, 3.5f); EXPECT_EQ(g.sunx, 33.0f); EXPECT_EQ(g.suny, 44.0f);
  EXPECT_EQ(g.soundtimer, 4321); EXPECT_EQ(g.oldtime, 99); EXPECT_EQ(g.curtime, 98);
  EXPECT_EQ(g.MODE, MODE_GAME); EXPECT_EQ(g.GAMESTATE, STATE_PLAYING);
  EXPECT_EQ(g.cloudList.size(), 1u);
  // Reset, the smoothed values from the values just set.
  EXPECT_EQ(g.centery, 480.0f); EXPECT_EQ(g.targetcenter, 480.0f);
  EXPECT_EQ(g.targetleft, 480.0f); EXPECT_EQ(g.targetright, 480.0f);
  EXPECT_EQ(g.leftcountt, 0.0f); EXPECT_EQ(g.rightcountt, 0.0f);
  EXPECT_EQ(g.hour, 5); EXPECT_EQ(g.minute, 55); EXPECT_EQ(g.score, 0); EXPECT_EQ(g.life, 100);
  EXPECT_EQ(g.birdcount, 0); EXPECT_EQ(g.thingcount, 0); EXPECT_EQ(g.altitude, 1.0f);
  EXPECT_EQ(g.fatigue, 0.0f); EXPECT_EQ(g.wind, 0.0f); EXPECT_EQ(g.targetwind, 0.0f);
  EXPECT_EQ(g.cloudcount, 0);
}

TEST_F(Loop, LoopTestAsksEscapeFirstAndCloseOnlyWithoutIt) {
  EXPECT_TRUE(mainLoopTest());
  Tap(plat::KEY_ESCAPE);
  plat::headless::RequestClose();
  EXPECT_FALSE(mainLoopTest());  // Escape; the close request is not asked yet
  EXPECT_FALSE(mainLoopTest());  // now the close request
  EXPECT_TRUE(mainLoopTest());
}

TEST_F(Loop, RoadCrossSectionCadenceAndGameOver) {
  int clock = 100000;
  for (int i = 1; i <= 99; ++i) {
    Pass(clock += 17);
    EXPECT_EQ(g.thingcount, i);
  }
  Pass(clock += 17);
  EXPECT_EQ(g.thingcount, 0);

  g.GAMESTATE = STATE_PLAYING;
  g.MODE = MODE_GAME;
  g.birdcount = -1;
  Pass(clock += 17);
  EXPECT_EQ(g.GAMESTATE, STATE_MENU);
  EXPECT_EQ(g.MODE, MODE_GAME);
}

class Veil : public Loop {
 protected:
  void Frame() {
    plat::rec::Clear();
    drawScreen();
  }
};

TEST_F(Veil, StepsTenTimesFasterInTheMenu) {
  g.clsr = 100; g.clsg = 0; g.clsb = 200;
  g.curr = 0; g.curg = 0; g.curb = 250;
  Frame();
  EXPECT_EQ(g.curr, 0.1f);
  EXPECT_EQ(g.curg, 0.0f);
  EXPECT_EQ(g.curb, 250.0f - 0.1f);
  g.GAMESTATE = STATE_PLAYING;
  g.curr = 0;
  Frame();
  EXPECT_EQ(g.curr, 0.01f);
}

TEST_F(Veil, ChannelSettlesJustBelowItsTargetAndCoversTheWindow) {
  plat::rec::Enable(true);
  g.clsr = 100; g.clsg = 0; g.clsb = 0;
  g.curr = 95; g.curg = 5; g.curb = 0;
  for (int i = 0; i < 200; ++i) Frame();
  EXPECT_LT(g.curr, 100.0f);
  EXPECT_GT(g.curr, 99.9f);
  EXPECT_LE(g.curg, 0.0f);   // met from above: a fraction below 0
  EXPECT_GT(g.curg, -0.1f);
  const float settled = g.curr;
  Frame();
  EXPECT_EQ(g.curr, settled);

  const auto& calls = plat::rec::Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.back().op, "Flip");
  const plat::rec::Call& veil = calls[calls.size() - 2];
  EXPECT_EQ(veil.op, "DrawRect");
  EXPECT_EQ(veil.args, std::vector<double>({0, 0, 640, 480}));
  EXPECT_EQ(veil.r, 99);  // truncated, one below the target
  EXPECT_EQ(veil.g, 0);
  EXPECT_FLOAT_EQ(veil.alpha, 0.13f);
  EXPECT_EQ(veil.sx, 1.0f);
  EXPECT_EQ(veil.sy, 1.0f);
}

}  // namespace

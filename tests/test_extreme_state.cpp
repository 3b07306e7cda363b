// The game driven from states far outside ordinary play, set directly:
// nothing may fail, no global may become NaN or infinite, and (in the
// sanitizer build) nothing undefined may happen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/headless/controls.h"
#include "platform/numeric.h"
#include "platform/record.h"
#include "tests/test_game_support.h"
#include "velkaro/velkaro.h"

namespace {

using gametest::Tap;
using velkaro::g;

void Start(int first_clock = 100000) {
  velkaro::ResetProgramState();
  velkaro::registerEmbeddedFiles();
  ASSERT_TRUE(velkaro::startup());
  plat::headless::SetClock(first_clock);
  velkaro::mainPrepare();
  plat::rec::Played().clear();
}

// Runs n passes, the clock gaining step milliseconds after each (wrapping
// as the real 32-bit clock does).
void Passes(int n, int step = 17) {
  for (int i = 0; i < n; ++i) {
    velkaro::mainPass();
    plat::headless::SetClock(plat::WrapAdd(plat::headless::Clock(), step));
  }
}

// Every float global and every object field is finite; the lists stay
// within their bounds; the day clock reads a real time.
void ExpectSane(const std::string& where) {
  SCOPED_TRACE(where);
  const float globals[] = {g.textsize,  g.textx,       g.texty,       g.texttx,    g.textty,
                           g.centerx,   g.centery,     g.Leftwing,    g.leftcount, g.rightwing,
                           g.rightcount, g.targetcenter, g.targetleft, g.targetright,
                           g.leftcountt, g.rightcountt, g.fatigue,    g.wind,      g.targetwind,
                           g.islex,     g.isley,       g.altitude,    g.sunx,      g.suny,
                           g.thingelev, g.curthingelev, g.curthingx,  g.curr,      g.curg,
                           g.curb};
  for (std::size_t i = 0; i < std::size(globals); ++i) {
    EXPECT_TRUE(std::isfinite(globals[i])) << "float global #" << i << " = " << globals[i];
  }
  for (const auto& c : g.cloudList) {
    EXPECT_TRUE(std::isfinite(c->x) && std::isfinite(c->y) && std::isfinite(c->scale));
  }
  for (const auto& s : g.speckList) EXPECT_TRUE(std::isfinite(s->x) && std::isfinite(s->y));
  for (const auto& w : g.waveList) EXPECT_TRUE(std::isfinite(w->x) && std::isfinite(w->y));
  for (const auto& t : g.thingList) EXPECT_TRUE(std::isfinite(t->x) && std::isfinite(t->y));
  // The frozen road's bound, and at most 13 sections added while the
  // waiting ones come down in the challenge.
  EXPECT_LE(g.thingList.size(), velkaro::MAX_THINGS + 13);
  EXPECT_LE(g.featherList.size(), velkaro::MAX_FEATHERS);
  EXPECT_GE(g.hour, 0);
  EXPECT_LE(g.hour, 23);
  EXPECT_GE(g.minute, 0);
  EXPECT_LE(g.minute, 59);
  EXPECT_GE(g.soundtimer, 0);
}

// Playing in the given mode, reached the way a player reaches it.
void StartPlaying(bool challenge) {
  Tap(plat::KEY_SPACE);
  Passes(1);
  if (challenge) {
    Tap(plat::KEY_F1);
    Passes(1);
  }
  ASSERT_EQ(g.GAMESTATE, velkaro::STATE_PLAYING);
  ASSERT_EQ(g.MODE, challenge ? velkaro::MODE_GAME : velkaro::MODE_FREE_FLY);
}

TEST(ExtremeState, AltitudeAtZeroAndAtAThousand) {
  Start();
  StartPlaying(true);
  Passes(600);  // glints, specks, clouds and road on screen

  // Altitude 0: the world shrinks to nothing, the road is infinitely
  // narrow; beating both wings keeps pushing it to its floor.
  g.altitude = 0.0f;
  plat::headless::KeyDown(plat::KEY_Z);
  plat::headless::KeyDown(plat::KEY_M);
  for (int i = 0; i < 40; ++i) {
    Passes(10);
    EXPECT_GE(g.altitude, 0.0f);
    plat::headless::KeyUp(plat::KEY_Z);
    plat::headless::KeyUp(plat::KEY_M);
    Passes(3);
    plat::headless::KeyDown(plat::KEY_Z);
    plat::headless::KeyDown(plat::KEY_M);
    g.altitude = 0.0f;
  }
  plat::headless::KeyUp(plat::KEY_Z);
  plat::headless::KeyUp(plat::KEY_M);
  ExpectSane("altitude 0");

  // Altitude 1000: every glint an oval thousands of pixels wide, clouds
  // scaled ten thousand times, the road wider than any screen.
  g.altitude = 1000.0f;
  Passes(800);
  ExpectSane("altitude 1000");
  EXPECT_GE(g.altitude, 1000.0f);
  EXPECT_GT(g.waveList.size(), 0u);
}

TEST(ExtremeState, RoadLevelZeroAndNegative) {
  for (float level : {0.0f, -0.0f, -1.0f, -1e30f}) {
    SCOPED_TRACE("road level " + std::to_string(level));
    Start();
    StartPlaying(true);
    // Every cross-section to come and every one waiting gets the level;
    // at 0 the road's half-width is infinite (NaN at altitude 0 too).
    g.thingelev = level;
    g.curthingelev = level;
    for (auto& t : g.thingList) t->elev = level;
    Passes(1500);
    for (float altitude : {0.0f, 1.0f}) {
      g.altitude = altitude;
      for (auto& t : g.thingList) t->elev = level;
      Passes(300);
    }
    ExpectSane("after the road at its level");
    EXPECT_GT(g.thingList.size(), 0u);
    EXPECT_LE(g.life, 100);
  }
}

TEST(ExtremeState, FiftyFollowersThenLosingThemAll) {
  Start();
  StartPlaying(true);
  g.birdcount = 50;
  Passes(500);
  ExpectSane("birdcount 50");
  EXPECT_GE(g.birdcount, 49);

  // A quick loss: one life left and the road passing unscored.
  g.birdcount = 0;
  g.life = 1;
  for (int i = 0; i < 3000 && g.GAMESTATE == velkaro::STATE_PLAYING; ++i) Passes(1);
  EXPECT_EQ(g.GAMESTATE, velkaro::STATE_MENU);
  EXPECT_EQ(g.birdcount, -1);
  Passes(200);  // the menu with no follower figure at all
  ExpectSane("after the last follower was lost");
}

TEST(ExtremeState, ClockReadingsAtTheEdgesOfTheFirstPass) {
  for (int first : {-1, 0, 0x7FFFFFFF, static_cast<int>(0x80000000u)}) {
    SCOPED_TRACE("first clock reading " + std::to_string(first));
    Start(first);
    Passes(1);
    ExpectSane("first pass");
    EXPECT_LE(g.soundtimer, 16000);
    // The phrases go on at their pace afterwards: 16 s of passes start one.
    plat::rec::Played().clear();
    Passes(1000);
    EXPECT_GE(plat::rec::Played().size(), 1u);
    EXPECT_LE(plat::rec::Played().size(), 8u * 2);
    ExpectSane("after 1000 passes");
  }
}

TEST(ExtremeState, ClockWrapsMidGame) {
  // 2^31 ms (the signed wrap, 24.9 days) and 2^32 ms (49.7 days) of uptime
  // both pass during a challenge.
  for (std::uint32_t wrap : {0x80000000u, 0u}) {
    SCOPED_TRACE("wrap to " + std::to_string(wrap));
    Start();
    StartPlaying(true);
    Passes(300);
    plat::headless::SetClock(static_cast<int>(wrap - 20000u));
    const int score = g.score;
    plat::rec::Played().clear();
    Passes(1200);  // 20.4 s: the wrap comes after 1177 passes
    ExpectSane("across the wrap");
    EXPECT_GE(plat::rec::Played().size(), 1u);
    plat::rec::Played().clear();
    Passes(2000);
    // The music keeps its 16-second phrases after the wrap: two or three
    // boundaries in 34 s, not one for every pass nor none at all.
    EXPECT_GE(plat::rec::Played().size(), 2u);
    EXPECT_LE(plat::rec::Played().size(), 3u * 8);
    EXPECT_GE(g.score, score);
    ExpectSane("after the wrap");
  }
}

TEST(ExtremeState, ClockStandingStillAndGoingBackwards) {
  Start();
  StartPlaying(false);
  Passes(500, 0);  // a clock that does not move: no phrase boundary at all
  ExpectSane("clock stopped");
  Passes(300, -17);  // running backwards
  ExpectSane("clock running backwards");
  plat::rec::Played().clear();
  Passes(1200, 17);
  ExpectSane("clock running again");
  EXPECT_GE(plat::rec::Played().size(), 1u);
}

}  // namespace

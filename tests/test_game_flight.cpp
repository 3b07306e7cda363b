// Keys and flight: menu and mode switching, flap counters, the altitude
// table, the flight model's lift, ceiling, sides and fatigue, and the wind.
#include <cmath>

#include "tests/test_game_support.h"

using namespace gametest;

namespace {

class Keys : public ::testing::Test {
 protected:
  void SetUp() override { StartProgram(); }
  void TearDown() override { ReleaseKeys(); }
  void Play() {
    g.GAMESTATE = STATE_PLAYING;
    g.MODE = MODE_FREE_FLY;
  }
};

TEST_F(Keys, MenuReadsOnlySpaceAndSpaceResetsIntoPlay) {
  plat::headless::KeyDown(plat::KEY_Z);
  plat::headless::KeyDown(plat::KEY_M);
  Tap(plat::KEY_F1);
  g.hour = 9;
  getInput();
  EXPECT_EQ(g.GAMESTATE, STATE_MENU);
  EXPECT_EQ(g.MODE, MODE_FREE_FLY);
  EXPECT_EQ(g.leftcount, 0.0f);
  EXPECT_EQ(g.altitude, 1.0f);
  EXPECT_EQ(g.hour, 9);

  Tap(plat::KEY_SPACE);
  getInput();
  EXPECT_EQ(g.GAMESTATE, STATE_PLAYING);
  EXPECT_EQ(g.hour, 5);                 // initvars ran
  EXPECT_EQ(g.leftcount, 0.0f);         // no flap key read on that frame
  EXPECT_EQ(g.altitude, 1.0f);

  // The F1 press made in the menu counts on the first playing frame, and
  // entering the challenge resets a second time.
  g.hour = 9;
  getInput();
  EXPECT_EQ(g.MODE, MODE_GAME);
  EXPECT_EQ(g.hour, 5);
  EXPECT_EQ(g.leftcount, 1.0f);  // held keys count from 0 after that reset
}

TEST_F(Keys, SpacePressedDuringPlayStartsTheNextGameAtOnce) {
  Play();
  Tap(plat::KEY_SPACE);
  getInput();
  g.GAMESTATE = STATE_MENU;
  g.hour = 11;
  getInput();
  EXPECT_EQ(g.GAMESTATE, STATE_PLAYING);
  EXPECT_EQ(g.hour, 5);
}

TEST_F(Keys, SeveralF1PressesBetweenFramesSwitchOnceAndOnlyTheChallengeResets) {
  Play();
  Tap(plat::KEY_F1);
  Tap(plat::KEY_F1);
  Tap(plat::KEY_F1);
  g.hour = 9;
  getInput();
  EXPECT_EQ(g.MODE, MODE_GAME);
  EXPECT_EQ(g.hour, 5);
  getInput();
  EXPECT_EQ(g.MODE, MODE_GAME);

  g.hour = 9;
  Tap(plat::KEY_F1);
  getInput();
  EXPECT_EQ(g.MODE, MODE_FREE_FLY);
  EXPECT_EQ(g.hour, 9);  // leaving the challenge resets nothing
}

TEST_F(Keys, FlapCountersCountHeldFramesUpToTheCap) {
  Play();
  plat::headless::KeyDown(plat::KEY_Z);
  plat::headless::KeyDown(plat::KEY_LEFT);  // the same wing: still one a frame
  for (int i = 1; i <= 40; ++i) {
    getInput();
    EXPECT_EQ(g.leftcount, static_cast<float>(std::min(i, 35)));
    EXPECT_EQ(g.rightcount, 0.0f);
  }
  plat::headless::KeyUp(plat::KEY_Z);
  getInput();
  EXPECT_EQ(g.leftcount, 35.0f);  // the arrow key still holds the wing
  plat::headless::KeyUp(plat::KEY_LEFT);
  getInput();
  EXPECT_EQ(g.leftcount, 0.0f);

  plat::headless::KeyDown(plat::KEY_RIGHT);
  getInput();
  EXPECT_EQ(g.rightcount, 1.0f);
}

TEST_F(Keys, BothWingStrokeRaisesTheTipsOnlyWhileFatigueIsBelow85) {
  Play();
  g.Leftwing = 300; g.rightwing = 310;
  plat::headless::KeyDown(plat::KEY_Z);
  getInput();
  EXPECT_EQ(g.Leftwing, 300.0f);  // one wing alone does not stroke
  plat::headless::KeyDown(plat::KEY_M);
  getInput();
  EXPECT_EQ(g.Leftwing, 298.0f);
  EXPECT_EQ(g.rightwing, 308.0f);
  g.fatigue = 85;
  const float alt = g.altitude;
  getInput();
  EXPECT_EQ(g.Leftwing, 298.0f);
  EXPECT_EQ(g.rightwing, 308.0f);
  EXPECT_EQ(g.leftcount, 3.0f);
  EXPECT_NEAR(g.altitude - alt, -0.0009f, 1e-6);  // altitude still follows the table
}

// Altitude change of one playing frame with the given keys and counters.
float AltitudeChange(bool left, bool right, float leftBefore, float rightBefore) {
  ReleaseKeys();
  if (left) plat::headless::KeyDown(plat::KEY_Z);
  if (right) plat::headless::KeyDown(plat::KEY_M);
  g.leftcount = leftBefore;
  g.rightcount = rightBefore;
  g.altitude = 1.0f;
  getInput();
  return g.altitude - 1.0f;
}

TEST_F(Keys, AltitudeTable) {
  Play();
  EXPECT_NEAR(AltitudeChange(false, false, 0, 0), 0.0001, 1e-6);
  EXPECT_NEAR(AltitudeChange(true, false, 10, 0), 0.0001, 1e-6);
  EXPECT_NEAR(AltitudeChange(false, true, 0, 35), 0.0006, 1e-6);
  EXPECT_NEAR(AltitudeChange(true, true, 5, 5), -0.0009, 1e-6);
  EXPECT_NEAR(AltitudeChange(true, true, 35, 5), 0.0006, 1e-6);
  EXPECT_NEAR(AltitudeChange(true, true, 35, 35), 0.0011, 1e-6);
  // The 35th held frame already counts as at the cap.
  EXPECT_NEAR(AltitudeChange(true, false, 34, 0), 0.0006, 1e-6);

  // Near zero the climb stops at exactly 0.
  plat::headless::KeyDown(plat::KEY_Z);
  plat::headless::KeyDown(plat::KEY_M);
  g.leftcount = 0; g.rightcount = 0;
  g.altitude = 0.0005f;
  getInput();
  EXPECT_EQ(g.altitude, 0.0f);
}

class Flight : public ::testing::Test {
 protected:
  void SetUp() override {
    StartProgram();
    g.GAMESTATE = STATE_PLAYING;
  }
  void TearDown() override { ReleaseKeys(); }
};

TEST_F(Flight, FatigueSequenceWithBothKeysHeldFromRest) {
  plat::headless::KeyDown(plat::KEY_Z);
  plat::headless::KeyDown(plat::KEY_M);
  const float first[6] = {1.5f, 5.0f, 10.5f, 10.0f, 9.5f, 21.0f};
  for (int frame = 1; frame <= 33; ++frame) {
    getInput();
    updatebird();
    if (frame <= 6) {
      EXPECT_EQ(g.fatigue, first[frame - 1]) << "frame " << frame;
    }
    if (frame < 33) {
      EXPECT_LT(g.fatigue, 85.0f) << "frame " << frame;
    }
    EXPECT_EQ(std::fmod(g.fatigue, 0.5f), 0.0f);
  }
  EXPECT_EQ(g.fatigue, 129.5f);
  // Released: it falls half a point a frame.
  ReleaseKeys();
  getInput();
  updatebird();
  EXPECT_EQ(g.fatigue, 129.0f);
}

TEST_F(Flight, BodyFallsWholePixelsToTheFloorAndRisesIntoView) {
  g.centery = 201;
  updatebird();
  EXPECT_EQ(g.centery, 202.0f);

  initvars();
  updatebird();
  EXPECT_EQ(g.centery, 439.0f);
  EXPECT_EQ(g.Leftwing, 439.0f);
  EXPECT_EQ(g.rightwing, 439.0f);
  EXPECT_EQ(g.targetcenter, 480.0f - 0.7f);
  for (int i = 0; i < 100; ++i) updatebird();
  EXPECT_EQ(g.centery, 439.0f);
  // The drawn body sinks 1 and rises 0.7 a frame, so it hovers about 439.
  EXPECT_GT(g.targetcenter, 438.0f);
  EXPECT_LT(g.targetcenter, 440.0f);
}

TEST_F(Flight, CeilingComesBeforeTheLift) {
  g.centery = 50;
  g.targetcenter = 60;
  g.Leftwing = 0; g.rightwing = 0;
  g.targetleft = 55; g.targetright = 55;
  g.leftcount = 35; g.rightcount = 35;
  g.leftcountt = 20; g.rightcountt = 20;
  updatebird();
  EXPECT_EQ(g.centery, 64.0f);
  EXPECT_EQ(g.centerx, 320.0f);  // equal pushes cancel
}

TEST_F(Flight, WingSpanSetsTheTrueTipFromTheDrawnBody) {
  g.centery = 300; g.targetcenter = 299;  // the body falls to 301, the drawn one to 300
  g.Leftwing = 200; g.targetleft = 285.0f;   // steps to 284.3
  g.rightwing = 300; g.targetright = 300;
  updatebird();
  EXPECT_EQ(g.targetcenter, 300.0f);
  EXPECT_EQ(g.targetleft, 285.0f - 0.7f);
  EXPECT_EQ(g.Leftwing, 290.0f);
}

TEST_F(Flight, SidewaysPushAndTheSides) {
  // A held key pushes even with its wing below the body.
  g.centery = 300; g.Leftwing = 400; g.rightwing = 400;
  g.targetcenter = 300; g.targetleft = 400; g.targetright = 400;
  g.leftcount = 35; g.leftcountt = 25;
  g.wind = 0.25f;
  updatebird();
  EXPECT_FLOAT_EQ(g.centerx, 320.0f + 0.25f * 0.7f - (25.0f / 50.0f + 0.25f));

  plat::SeedRnd(7);
  for (int i = 0; i < 3000; ++i) {
    g.wind = (plat::RndFloat() - 0.5f) * 200.0f;
    g.leftcount = static_cast<float>(plat::Rand(0, 35));
    g.rightcount = static_cast<float>(plat::Rand(0, 35));
    g.leftcountt = plat::RndFloat() * 35; g.rightcountt = plat::RndFloat() * 35;
    g.Leftwing = static_cast<float>(plat::Rand(0, 480));
    g.rightwing = static_cast<float>(plat::Rand(0, 480));
    updatebird();
    ASSERT_GE(g.centerx, 65.0f);
    ASSERT_LE(g.centerx, 575.0f);
    ASSERT_LE(g.centery, 439.0f);
    ASSERT_EQ(g.centery, std::trunc(g.centery));
    ASSERT_GE(g.fatigue, 0.0f);
  }
}

TEST_F(Flight, WindFollowsItsTargetAndDrawsOncePerFrame) {
  g.wind = 0; g.targetwind = 0.0025f;
  plat::SeedRnd(12345);
  updatewind();
  EXPECT_EQ(g.wind, 0.001f);
  // One Rand per frame, plus a RndFloat on a hit of 50.
  int hits = 0;
  for (int i = 0; i < 20000; ++i) {
    const int s = plat::RndSeed();
    const float before = g.targetwind;
    updatewind();
    const int one = AfterRands(s, 1);
    if (plat::RndSeed() != one) {
      ++hits;
      ASSERT_NE(g.targetwind, before);
      ASSERT_GE(g.targetwind, -0.5f);
      ASSERT_LT(g.targetwind, 0.5f);
    }
  }
  EXPECT_GT(hits, 5);
  EXPECT_LT(hits, 60);
  // Within a step of the target it swings across and back.
  g.targetwind = 0.1f;
  g.wind = 0.1f - 0.0004f;
  plat::SeedRnd(3);
  updatewind();
  EXPECT_LT(g.wind, 0.1f);
}

}  // namespace

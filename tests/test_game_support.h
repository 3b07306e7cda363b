// Shared helpers of the headless tests: a fresh program brought up to the
// point where main's loop would start, keys, the recorded calls and the
// generator's steps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/controls.h"
#include "platform/numeric.h"
#include "platform/platform.h"
#include "platform/record.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

namespace gametest {

using namespace velkaro;

// Distinct stand-in handles, so phrase checks work with or without the real
// sound assets.
inline void UseFakeSounds() {
  g.sound1 = 101; g.sound2 = 102; g.sound3 = 103; g.sound4 = 104;
  g.sound5 = 105; g.sound6 = 106; g.sound7 = 107; g.sound8 = 108;
}

// The number of a fake phrase handle (1 to 8).
inline std::vector<int> PhraseNumbers(const std::vector<int>& handles) {
  std::vector<int> out;
  for (int h : handles) out.push_back(h - 100);
  return out;
}

// Release every key the tests use, so no press leaks between tests.
inline void ReleaseKeys() {
  for (int k : {plat::KEY_ESCAPE, plat::KEY_SPACE, plat::KEY_F1, plat::KEY_Z, plat::KEY_M,
                plat::KEY_LEFT, plat::KEY_RIGHT}) {
    plat::headless::KeyUp(k);
    plat::KeyHit(k);
  }
}

inline void StartProgram() {
  ResetProgramState();
  ReleaseKeys();
  registerEmbeddedFiles();
  ASSERT_TRUE(startup());
  mainPrepare();
  UseFakeSounds();
}

// One step of the seeded generator, as an independent reference: Rand takes
// two, RndFloat one.
inline int GeneratorStep(int s) { return static_cast<int>(std::int64_t{s} * 48271 % 2147483647); }

// The generator state after `draws` calls of Rand from `state`.
inline int AfterRands(int state, int draws) {
  for (int i = 0; i < 2 * draws; ++i) state = GeneratorStep(state);
  return state;
}

// Generator steps from one state to another; -1 when more than 100000.
inline int StepsBetween(int from, int to) {
  for (int n = 0; n <= 100000; ++n, from = GeneratorStep(from))
    if (from == to) return n;
  return -1;
}

// Tap a key once: one press for KeyHit, not held afterwards.
inline void Tap(int key) {
  plat::headless::KeyDown(key);
  plat::headless::KeyUp(key);
}

// The recorded calls of one operation.
inline std::vector<plat::rec::Call> CallsOf(const std::string& op) {
  std::vector<plat::rec::Call> out;
  for (const auto& c : plat::rec::Calls()) {
    if (c.op == op) out.push_back(c);
  }
  return out;
}

}  // namespace gametest

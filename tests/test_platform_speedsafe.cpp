// Faster platform paths must give exactly what the plain ones gave.
#include <gtest/gtest.h>

#include "platform/platform.h"

using namespace plat;

namespace {
// The generator's step as first written (Schrage's method in 32-bit ints),
// kept here as the reference for the 64-bit one in use.
int SchrageStep(int s) {
  int next = 48271 * (s % 44488) - 3399 * (s / 44488);
  if (next < 0) next += 2147483647;
  return next;
}
}  // namespace

TEST(SpeedSafe, GeneratorStepsMatchTheReferenceFromManySeeds) {
  // The smallest and largest states, the start state, the multiplier and its
  // neighbours of the reference's split point, and states with high bits set.
  for (int seed : {1, 2, 4660, 44487, 44488, 48271, 65536, 0x40000000, 2147483646}) {
    SeedRnd(seed);
    int ref = RndSeed();
    // RndFloat takes one step, Rand two at once.
    for (int i = 0; i < 1000000; ++i) {
      ref = SchrageStep(ref);
      RndFloat();
      ASSERT_EQ(RndSeed(), ref) << "seed " << seed << ", float " << i + 1;
    }
    for (int i = 0; i < 500000; ++i) {
      ref = SchrageStep(SchrageStep(ref));
      Rand(0, 9);
      ASSERT_EQ(RndSeed(), ref) << "seed " << seed << ", rand " << i + 1;
    }
  }
}

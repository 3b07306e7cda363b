// The seeded generator: known values, range mapping and step counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/platform.h"
#include "tests/test_game_support.h"

using namespace plat;
using gametest::GeneratorStep;

TEST(Random, KnownSequencesSeedingAndStepCounts) {
  ResetPlatformState();
  EXPECT_EQ(RndSeed(), 4660);
  SeedRnd(1);
  for (int v : {0, 162, 349, 24, 20}) EXPECT_EQ(Rand(0, 400), v);

  // Rand takes two steps even for a one-value range, RndFloat one.
  SeedRnd(12345);
  int s = GeneratorStep(GeneratorStep(12345));
  EXPECT_EQ(Rand(7, 7), 7);
  EXPECT_EQ(RndSeed(), s);
  float f = RndFloat();
  EXPECT_EQ(RndSeed(), GeneratorStep(s));
  EXPECT_EQ(f, static_cast<float>((GeneratorStep(s) & 0x0ffffff0) / 268435456.0));

  // Only the low 31 bits seed; the two fixed points fall back to 4660.
  for (int seed : {0, 2147483647, -1}) {
    SeedRnd(seed);
    EXPECT_EQ(RndSeed(), 4660) << seed;
  }
  SeedRnd(static_cast<int>(0x80000005u));
  EXPECT_EQ(RndSeed(), 5);
  ResetPlatformState();
  EXPECT_EQ(RndSeed(), 4660);
}

TEST(Random, RangesInEitherOrderAndUnevenBelowZero) {
  for (int seed = 1; seed < 200; ++seed) {
    SeedRnd(seed);
    int a = Rand(1, 3);
    SeedRnd(seed);
    ASSERT_EQ(Rand(3, 1), a) << seed;
  }
  // Truncation toward zero: 0 collects two values' worth, -1 practically never comes.
  SeedRnd(1);
  std::map<int, int> n;
  for (int i = 0; i < 30000; ++i) n[Rand(-1, 1)]++;
  EXPECT_LT(n[-1], 5);
  EXPECT_NEAR(double(n[0]) / n[1], 2.0, 0.2);
  // A range from zero up is even, and RndFloat fills [0, 1).
  std::map<int, int> even;
  float lo = 1, hi = 0;
  for (int i = 0; i < 30000; ++i) {
    even[Rand(0, 2)]++;
    float v = RndFloat();
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  ASSERT_EQ(even.size(), 3u);
  for (auto [v, count] : even) EXPECT_NEAR(count, 10000, 600) << v;
  EXPECT_GE(lo, 0.0f);
  EXPECT_LT(lo, 0.01f);
  EXPECT_GT(hi, 0.99f);
  EXPECT_LT(hi, 1.0f);
  // The widest range does not overflow: the first draw after SeedRnd(1)
  // lies in the lowest 1/401 of any range.
  SeedRnd(1);
  EXPECT_LT(static_cast<long long>(Rand(-2147483647 - 1, 2147483647)),
            -2147483648LL + 4294967296LL / 401 + 1);
}

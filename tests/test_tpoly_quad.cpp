// The textured quadrilateral: the packed vertex colour, the corner order and
// the fan it hands to the drawer.
#include <gtest/gtest.h>

#include "tests/tpoly_fakes.h"
#include "velkaro/velkaro.h"

using namespace tpoly_test;

namespace {
// The colour word all four vertices of one quadrilateral carry.
std::uint32_t PackedColour(FakeDevice& device) {
  EXPECT_FALSE(device.prims.empty());
  const FakeDevice::Primitive& p = device.prims.back();
  EXPECT_EQ(p.count, 4u);
  for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(p.bits[k * 9 + 6], p.bits[6]);
  return p.bits[6];
}
}  // namespace

class QuadTest : public DrawerTest {
 protected:
  std::uint32_t Draw(int r, int g, int b, float alpha) {
    plat::SetColor(r, g, b);
    plat::SetAlpha(alpha);
    velkaro::drawTextPoly(&img_, 0, 0, 0, 1, 1, 0, 1, 1);
    return PackedColour(device_);
  }
  plat::TImage img_;
};

TEST_F(QuadTest, ColourIsPackedBitForBitWithoutClamping) {
  UseD3D7();
  EXPECT_EQ(Draw(255, 0, 0, 0.25f), 0x3FFF0000u);
  EXPECT_EQ(Draw(255, 255, 255, 1.0f), 0xFFFFFFFFu);  // reads as a NaN
  EXPECT_EQ(Draw(0, 0, 255, 0.5f), 0x7F0000FFu);
  // Out-of-range components spill into their neighbours.
  EXPECT_EQ(Draw(256, 0, 0, 0.0f), 0x01000000u);
  EXPECT_EQ(Draw(0, -1, 0x12, 0.0f), 0xFFFFFF12u);
  EXPECT_EQ(Draw(0, 0, 0, 2.0f), 0xFE000000u);  // alpha 510: bit 32 lost
  EXPECT_EQ(Draw(0, 0, 0, -0.5f), 0x81000000u);  // alpha -127

  for (std::uint32_t bits : {0x7F800001u, 0xFFC81234u, 0x80000000u, 0x00000001u}) {
    float f = velkaro::FloatInt(static_cast<int>(bits));
    EXPECT_EQ(plat::FloatToBits(f), bits);
  }
}

TEST_F(QuadTest, CornersFormAFanOnePerBracket) {
  UseD3D7();
  plat::SetColor(255, 255, 255);
  plat::SetAlpha(1);
  velkaro::drawTextPoly(&img_, 10, 10, 10, 20, 30, 10, 30, 20);
  plat::SetScale(2, 2);
  velkaro::drawTextPoly(&img_, 10, 10, 10, 20, 30, 10, 30, 20);
  ASSERT_EQ(device_.prims.size(), 2u);
  // The scale of the 2D layer plays no part.
  EXPECT_EQ(device_.prims[0].bits, device_.prims[1].bits);

  const FakeDevice::Primitive& p = device_.prims[0];
  EXPECT_EQ(p.type, 6);
  // Corner 1, 2, 4, 3 with the texture's top-left, bottom-left,
  // bottom-right and top-right.
  const float expected[4][4] = {{10, 10, 0, 0}, {10, 20, 0, 1}, {30, 20, 1, 1}, {30, 10, 1, 0}};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const std::size_t b = std::size_t(k) * 9;
    EXPECT_EQ(p.f(b), expected[k][0]);
    EXPECT_EQ(p.f(b + 1), expected[k][1]);
    EXPECT_EQ(p.f(b + 2), 0.0f);
    EXPECT_EQ(p.f(b + 3), 0.0f);
    EXPECT_EQ(p.f(b + 4), 0.0f);
    EXPECT_EQ(p.f(b + 5), 1.0f);
    EXPECT_EQ(p.f(b + 7), expected[k][2]);
    EXPECT_EQ(p.f(b + 8), expected[k][3]);
  }

  // On OpenGL each quadrilateral is one polygon batch, closed by the bracket.
  UseGL();
  velkaro::drawTextPoly(&img_, 10, 10, 10, 20, 30, 10, 30, 20);
  velkaro::drawTextPoly(&img_, 10, 10, 10, 20, 30, 10, 30, 20);
  auto begins = CallsNamed("Begin");
  ASSERT_EQ(begins.size(), 2u);
  EXPECT_EQ(begins[0].args[0], 9);
  EXPECT_EQ(CallsNamed("End").size(), 2u);
  EXPECT_EQ(CallsNamed("Vertex3f").size(), 8u);
  EXPECT_TRUE(BatchesWellFormed());
}

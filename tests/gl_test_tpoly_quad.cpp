// Textured quadrilaterals on the real OpenGL backend under Xvfb, read back
// from the picture.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/extras.h"
#include "png_encode.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

namespace {

using Rgb = std::array<int, 3>;
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kBlack{0, 0, 0}, kWhite{255, 255, 255};

Rgb At(const std::vector<std::uint8_t>& px, int x, int y) {
  const std::size_t i = (std::size_t(y) * 640 + std::size_t(x)) * 4;
  return {px[i], px[i + 1], px[i + 2]};
}

// A 4 by 4 PNG in quadrants: red, green over blue, yellow.
const std::vector<unsigned char>& QuadrantPng() {
  static std::vector<unsigned char> out;
  std::vector<std::uint8_t> px;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const Rgb& c = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow);
      px.insert(px.end(), {std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2]), 255});
    }
  out = testpng::Encode(4, 4, PNG_COLOR_TYPE_RGBA, 8, px);
  return out;
}

TEST(GlQuad, UprightRectangleTintAndTheShapesDrawnAfter) {
  plat::AppTitle("textured quadrilateral test");
  ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
  texturedpoly::TPoly::Initialise();
  const auto& bytes = QuadrantPng();
  plat::IncbinAdd("quadrants.png", bytes.data(), bytes.size());
  plat::TImage* image = plat::LoadImage("incbin::quadrants.png", 0);
  ASSERT_NE(image, nullptr);
  plat::SetBlend(plat::ALPHABLEND);
  plat::SetClsColor(0, 0, 0);

  // Upright, from (10, 10) to (30, 20), whatever the scale.
  for (float scale : {1.0f, 2.0f}) {
    plat::Cls();
    plat::SetScale(scale, scale);
    plat::SetColor(255, 255, 255);
    plat::SetAlpha(1);
    velkaro::drawTextPoly(image, 10, 10, 10, 20, 30, 10, 30, 20);
    const auto px = plat::sdl::ReadBackBuffer8();
    EXPECT_EQ(At(px, 10, 10), kRed) << scale;
    EXPECT_EQ(At(px, 29, 10), kGreen) << scale;
    EXPECT_EQ(At(px, 10, 19), kBlue) << scale;
    EXPECT_EQ(At(px, 29, 19), kYellow) << scale;
    for (auto [x, y] : {std::pair{9, 10}, {10, 9}, {30, 19}, {29, 20}, {45, 35}})
      EXPECT_EQ(At(px, x, y), kBlack) << x << "," << y << " at scale " << scale;
  }

  // Tinted red at half alpha over black; a plain rectangle right after
  // stays untextured.
  plat::Cls();
  plat::SetScale(1, 1);
  plat::SetColor(255, 0, 0);
  plat::SetAlpha(0.5f);
  velkaro::drawTextPoly(image, 10, 10, 10, 20, 30, 10, 30, 20);
  plat::SetColor(255, 255, 255);
  plat::SetAlpha(1);
  plat::DrawRect(100, 100, 10, 10);
  const auto px = plat::sdl::ReadBackBuffer8();
  EXPECT_NEAR(At(px, 12, 12)[0], 127, 2);
  EXPECT_EQ(At(px, 12, 12)[1], 0);
  EXPECT_EQ(At(px, 12, 17), kBlack);  // blue texel times red tint
  EXPECT_EQ(At(px, 105, 105), kWhite);
}

}  // namespace

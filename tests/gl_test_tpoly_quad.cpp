// Textured quadrilaterals on the real OpenGL backend under Xvfb: where the
// image lands, read back from the picture.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl_backend.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

namespace {

using Rgb = std::array<int, 3>;

struct Picture {
  std::vector<std::uint8_t> px = plat::sdl::ReadBackBuffer8();
  Rgb At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 4;
    return {px[i], px[i + 1], px[i + 2]};
  }
};

std::vector<unsigned char> EncodeRgbaPng(int w, int h, const std::vector<std::uint8_t>& px) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y)
    png_write_row(png, const_cast<png_bytep>(px.data() + static_cast<std::size_t>(y) * w * 4));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kBlack{0, 0, 0}, kWhite{255, 255, 255};

// A 4 by 4 image in four coloured quadrants: red top-left, green top-right,
// blue bottom-left, yellow bottom-right.
plat::TImage* QuadrantImage() {
  std::vector<std::uint8_t> px;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const Rgb& c = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow);
      px.insert(px.end(), {std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2]), 255});
    }
  static const std::vector<unsigned char> bytes = EncodeRgbaPng(4, 4, px);
  plat::IncbinAdd("quadrants.png", bytes.data(), bytes.size());
  return plat::LoadImage("incbin::quadrants.png", 0);
}

class GlQuad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    plat::AppTitle("textured quadrilateral test");
    ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
    texturedpoly::TPoly::Initialise();
    image_ = QuadrantImage();
  }
  void SetUp() override {
    ASSERT_NE(image_, nullptr);
    plat::SetBlend(plat::ALPHABLEND);
    plat::SetAlpha(1);
    plat::SetColor(255, 255, 255);
    plat::SetScale(1, 1);
    plat::SetClsColor(0, 0, 0);
    plat::Cls();
  }
  static plat::TImage* image_;
};
plat::TImage* GlQuad::image_ = nullptr;

TEST_F(GlQuad, UprightRectangleShowsTheImageUprightAndScaleDoesNotApply) {
  EXPECT_EQ(texturedpoly::state().usingD3D7, 0);
  for (float scale : {1.0f, 2.0f}) {
    SCOPED_TRACE(scale);
    plat::Cls();
    plat::SetScale(scale, scale);
    velkaro::drawTextPoly(image_, 10, 10, 10, 20, 30, 10, 30, 20);
    Picture p;
    EXPECT_EQ(p.At(10, 10), kRed);
    EXPECT_EQ(p.At(29, 10), kGreen);
    EXPECT_EQ(p.At(10, 19), kBlue);
    EXPECT_EQ(p.At(29, 19), kYellow);
    for (auto [x, y] : {std::pair{9, 10}, {10, 9}, {30, 19}, {29, 20}, {45, 35}})
      EXPECT_EQ(p.At(x, y), kBlack) << x << "," << y;
  }
}

TEST_F(GlQuad, TintAlphaAndTheShapesDrawnAfterwards) {
  // Tinted red at half alpha over black: only the red channel, halved.
  plat::SetColor(255, 0, 0);
  plat::SetAlpha(0.5f);
  velkaro::drawTextPoly(image_, 10, 10, 10, 20, 30, 10, 30, 20);
  // Untextured 2D drawing right after a quadrilateral stays untextured.
  plat::SetColor(255, 255, 255);
  plat::SetAlpha(1);
  plat::DrawRect(100, 100, 10, 10);
  Picture p;
  const Rgb tl = p.At(12, 12), br = p.At(27, 17), bl = p.At(12, 17);
  EXPECT_NEAR(tl[0], 127, 2);
  EXPECT_EQ(tl[1], 0);
  EXPECT_NEAR(br[0], 127, 2);
  EXPECT_EQ(br[1], 0);
  EXPECT_EQ(bl, kBlack);  // blue texel times red tint
  EXPECT_EQ(p.At(105, 105), kWhite);
}

}  // namespace

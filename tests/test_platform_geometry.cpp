// The geometry the common drawing code hands to a backend, captured by the
// headless backend: scale, handles, bands, ovals and clamped paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/headless/controls.h"
#include "platform/platform.h"

using namespace plat;

namespace {
struct Geometry : ::testing::Test {
  void SetUp() override {
    ResetPlatformState();
    headless::CapturePrimitives(true);
  }
  void TearDown() override { headless::CapturePrimitives(false); }
  static const headless::Primitive& Last() { return headless::Primitives().back(); }
};

// x0, y0, x1, y1 of a point list.
std::vector<float> Bounds(const std::vector<float>& xy) {
  std::vector<float> b{xy[0], xy[1], xy[0], xy[1]};
  for (std::size_t i = 0; i < xy.size(); i += 2) {
    b[0] = std::min(b[0], xy[i]), b[2] = std::max(b[2], xy[i]);
    b[1] = std::min(b[1], xy[i + 1]), b[3] = std::max(b[3], xy[i + 1]);
  }
  return b;
}
}  // namespace

TEST_F(Geometry, ShapesScaleAboutTheirPosition) {
  SetScale(2, 3);
  DrawRect(10, 20, 5, -4);
  EXPECT_EQ(Last().xy, (std::vector<float>{10, 20, 20, 20, 20, 8, 10, 8}));
  SetScale(1, 1);
  DrawOval(100, 100, -40, -20);  // spans left and up; Int(20 + 10) = 30 -> 28 points
  EXPECT_EQ(Last().xy.size(), 2u * 28);
  std::vector<float> b = Bounds(Last().xy);
  EXPECT_NEAR(b[0], 60, 1e-3);
  EXPECT_NEAR(b[2], 100, 1e-3);
  EXPECT_NEAR(b[1], 80, 0.2);
  EXPECT_NEAR(b[3], 100, 0.2);
  SetScale(4, 4);
  DrawOval(0, 0, 10, 10);  // counted at the drawn size: 40 points
  EXPECT_EQ(Last().xy.size(), 2u * 40);
  std::size_t n = headless::Primitives().size();
  DrawOval(0, 0, 0, 10);
  EXPECT_EQ(headless::Primitives().size(), n);

  TImage image;
  image.width = 8, image.height = 4, image.handle_x = 4, image.handle_y = 2;
  SetScale(2, 0.5f);
  DrawImage(&image, 100, 50, 0);
  EXPECT_EQ(Last().image, &image);
  EXPECT_EQ(Last().xy, (std::vector<float>{92, 49, 108, 49, 108, 51, 92, 51}));
  n = headless::Primitives().size();
  DrawImage(&image, 0, 0, 1);
  DrawImage(12345, 0, 0, 0);
  EXPECT_EQ(headless::Primitives().size(), n);
}

TEST_F(Geometry, LinesBandsAndPoints) {
  // A one-pixel line runs between the pixels that hold its ends; its end
  // point is the pixel that holds the scaled end, (29.5, 21.4).
  const auto& prims = headless::Primitives();
  SetScale(2, 2);
  DrawLine(10.5f, 10, 20, 15.7f, 1);
  ASSERT_EQ(prims.size(), 2u);
  EXPECT_EQ(prims[0].kind, "DrawThinLine");
  EXPECT_EQ(prims[0].xy, (std::vector<float>{10, 10, 29, 21}));
  EXPECT_EQ(prims[1].kind, "DrawPoint");
  EXPECT_EQ(prims[1].xy, (std::vector<float>{29, 21}));
  SetScale(1, 1);
  DrawLine(-0.5f, 3, 5, -0.2f, 0);  // just left of and above 0: pixels -1
  EXPECT_EQ(Last().kind, "DrawThinLine");
  EXPECT_EQ(Last().xy, (std::vector<float>{-1, 3, 5, -1}));
  SetLineWidth(3);
  DrawLine(0, 0, 10.6f, 2.2f, 1);  // shallow: widened along y, end point plotted
  EXPECT_EQ(Last().kind, "DrawPoint");
  EXPECT_EQ(Last().xy, (std::vector<float>{10, 2}));
  EXPECT_EQ(Bounds(prims[prims.size() - 2].xy), (std::vector<float>{0, -1.5f, 10.6f, 3.7f}));
  DrawLine(0, 0, 2, 10, 0);  // steep: widened along x
  EXPECT_EQ(Bounds(Last().xy), (std::vector<float>{-1.5f, 0, 3.5f, 10}));

  // A point takes the pixel that holds it, whatever the width and scale;
  // one that is not a number lies on no pixel.
  SetScale(5, 5);
  Plot(3.5f, 4);
  EXPECT_EQ(Last().xy, (std::vector<float>{3, 4}));
  Plot(-0.7f, 20.7f);
  EXPECT_EQ(Last().xy, (std::vector<float>{-1, 20}));
  const std::size_t n = prims.size();
  Plot(std::nanf(""), 4);
  Plot(3, -INFINITY);
  EXPECT_EQ(prims.size(), n);
}

TEST_F(Geometry, PaintIsClampedOnlyWhenDrawn) {
  SetColor(300, -20, 51);
  SetAlpha(1.7f);
  SetBlend(LIGHTBLEND);
  Plot(0, 0);
  const backend::Paint p = Last().paint;
  EXPECT_EQ(p.r, 1.0f);
  EXPECT_EQ(p.g, 0.0f);
  EXPECT_FLOAT_EQ(p.b, 0.2f);
  EXPECT_EQ(p.a, 1.0f);
  EXPECT_EQ(p.blend, LIGHTBLEND);
  SetAlpha(-0.5f);
  Plot(0, 0);
  EXPECT_EQ(Last().paint.a, 0.0f);
  EXPECT_EQ(GetAlpha(), -0.5f);
  SetClsColor(-5, 128, 999);
  Cls();
  EXPECT_EQ(Last().xy, (std::vector<float>{0, 128, 255}));
}

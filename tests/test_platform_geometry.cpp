// The geometry the common drawing code hands to a backend, captured by the
// headless backend: scale, handles, bands, ovals and clamped paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/headless.h"
#include "platform/platform.h"

using namespace plat;
using headless::Primitive;

namespace {
struct Geometry : ::testing::Test {
  void SetUp() override {
    ResetPlatformState();
    headless::CapturePrimitives(true);
  }
  void TearDown() override { headless::CapturePrimitives(false); }
  const std::vector<Primitive>& Prims() { return headless::Primitives(); }
};

struct Box {
  float x0, y0, x1, y1;
};
Box Bounds(const std::vector<float>& xy) {
  Box b{xy[0], xy[1], xy[0], xy[1]};
  for (std::size_t i = 0; i < xy.size(); i += 2) {
    b.x0 = std::min(b.x0, xy[i]);
    b.x1 = std::max(b.x1, xy[i]);
    b.y0 = std::min(b.y0, xy[i + 1]);
    b.y1 = std::max(b.y1, xy[i + 1]);
  }
  return b;
}
}  // namespace

TEST_F(Geometry, RectsAndOvalsScaleFromTheirPosition) {
  SetScale(2, 3);
  DrawRect(10, 20, 5, -4);
  ASSERT_EQ(Prims().size(), 1u);
  EXPECT_EQ(Prims()[0].kind, "FillPolygon");
  EXPECT_EQ(Prims()[0].xy, (std::vector<float>{10, 20, 20, 20, 20, 8, 10, 8}));

  // Negative sizes span the box left of x and above y.
  SetScale(1, 1);
  DrawOval(100, 100, -40, -20);
  ASSERT_EQ(Prims().size(), 2u);
  const Primitive& oval = Prims()[1];
  EXPECT_EQ(oval.xy.size(), 2u * 28);  // Int(20 + 10) = 30 -> 28 points
  Box b = Bounds(oval.xy);
  EXPECT_NEAR(b.x0, 60, 1e-3);
  EXPECT_NEAR(b.x1, 100, 1e-3);
  EXPECT_NEAR(b.y0, 80, 0.2);
  EXPECT_NEAR(b.y1, 100, 0.2);

  // The point count follows the scaled size; an empty box draws nothing.
  SetScale(4, 4);
  DrawOval(0, 0, 10, 10);  // 40 x 40 drawn: 40 points
  EXPECT_EQ(Prims().back().xy.size(), 2u * 40);
  std::size_t before = Prims().size();
  DrawOval(0, 0, 0, 10);
  EXPECT_EQ(Prims().size(), before);
}

TEST_F(Geometry, LinesBandsAndPoints) {
  SetScale(2, 2);
  DrawLine(10, 10, 20, 15, 1);
  ASSERT_EQ(Prims().size(), 1u);
  EXPECT_EQ(Prims()[0].kind, "DrawThinLine");
  EXPECT_EQ(Prims()[0].xy, (std::vector<float>{10, 10, 30, 20}));
  EXPECT_TRUE(Prims()[0].last_pixel);

  // Wider lines: shallow ones widen along y, steep ones along x; the end
  // point is plotted when asked.
  headless::CapturePrimitives(true);
  SetScale(1, 1);
  SetLineWidth(3);
  DrawLine(0, 0, 10, 2, 1);
  ASSERT_EQ(Prims().size(), 2u);
  EXPECT_EQ(Prims()[0].kind, "FillPolygon");
  Box shallow = Bounds(Prims()[0].xy);
  EXPECT_FLOAT_EQ(shallow.x0, 0);
  EXPECT_FLOAT_EQ(shallow.x1, 10);
  EXPECT_FLOAT_EQ(shallow.y0, -1.5f);
  EXPECT_FLOAT_EQ(shallow.y1, 3.5f);
  EXPECT_EQ(Prims()[1].kind, "DrawPoint");
  EXPECT_EQ(Prims()[1].xy, (std::vector<float>{10, 2}));

  headless::CapturePrimitives(true);
  DrawLine(0, 0, 2, 10, 0);
  ASSERT_EQ(Prims().size(), 1u);
  Box steep = Bounds(Prims()[0].xy);
  EXPECT_FLOAT_EQ(steep.x0, -1.5f);
  EXPECT_FLOAT_EQ(steep.x1, 3.5f);
  EXPECT_FLOAT_EQ(steep.y0, 0);
  EXPECT_FLOAT_EQ(steep.y1, 10);

  // Plot ignores width and scale.
  headless::CapturePrimitives(true);
  SetScale(5, 5);
  Plot(3.5f, 4);
  ASSERT_EQ(Prims().size(), 1u);
  EXPECT_EQ(Prims()[0].kind, "DrawPoint");
  EXPECT_EQ(Prims()[0].xy, (std::vector<float>{3.5f, 4}));
}

TEST_F(Geometry, PaintIsClampedOnlyWhenDrawn) {
  SetColor(300, -20, 51);
  SetAlpha(1.7f);
  SetBlend(LIGHTBLEND);
  Plot(0, 0);
  SetAlpha(-0.5f);
  Plot(0, 0);
  ASSERT_EQ(Prims().size(), 2u);
  const auto& p = Prims()[0].paint;
  EXPECT_EQ(p.r, 1.0f);
  EXPECT_EQ(p.g, 0.0f);
  EXPECT_FLOAT_EQ(p.b, 0.2f);
  EXPECT_EQ(p.a, 1.0f);
  EXPECT_EQ(p.blend, LIGHTBLEND);
  EXPECT_EQ(Prims()[1].paint.a, 0.0f);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(GetAlpha(), -0.5f);

  SetClsColor(-5, 128, 999);
  Cls();
  EXPECT_EQ(Prims().back().kind, "Clear");
  EXPECT_EQ(Prims().back().xy, (std::vector<float>{0, 128, 255}));
}

TEST_F(Geometry, ImagesFromMinusHandleScaledAndPlaced) {
  TImage image;
  image.width = 8;
  image.height = 4;
  image.rgba.assign(8 * 4 * 4, 255);
  image.handle_x = 4;
  image.handle_y = 2;
  SetScale(2, 0.5f);
  DrawImage(&image, 100, 50, 0);
  ASSERT_EQ(Prims().size(), 1u);
  const Primitive& q = Prims()[0];
  EXPECT_EQ(q.kind, "DrawTexturedQuad");
  EXPECT_EQ(q.image, &image);
  EXPECT_EQ(q.xy, (std::vector<float>{92, 49, 108, 49, 108, 51, 92, 51}));
  EXPECT_EQ(q.uv, (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));

  // No other frame, no image: nothing.
  DrawImage(&image, 0, 0, 1);
  DrawImage(static_cast<TImage*>(nullptr), 0, 0, 0);
  DrawImage(12345, 0, 0, 0);
  EXPECT_EQ(Prims().size(), 1u);
}

TEST_F(Geometry, TextGlyphsHangFromTheLineTop) {
  std::ifstream in("/usr/share/fonts/truetype/comfortaa/Comfortaa-Regular.ttf", std::ios::binary);
  static const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                                std::istreambuf_iterator<char>()};
  ASSERT_FALSE(bytes.empty());
  IncbinAdd("geometry.ttf", bytes.data(), bytes.size());
  int font = LoadImageFont("incbin::geometry.ttf", 32, 4);
  ASSERT_GE(font, 1);
  SetImageFont(font);
  SetColor(255, 0, 0);
  DrawText("T ", 10, 100);
  ASSERT_EQ(Prims().size(), 1u);  // the space has no bitmap
  const Primitive& t = Prims()[0];
  EXPECT_EQ(t.kind, "DrawTexturedQuad");
  EXPECT_EQ(t.paint.r, 1.0f);
  EXPECT_EQ(t.paint.g, 0.0f);
  Box b = Bounds(t.xy);
  // A capital's top sits a little below the ascender, never above the line.
  EXPECT_GE(b.y0, 100.0f);
  EXPECT_LT(b.y0, 100.0f + 16);
  EXPECT_GT(b.y1, b.y0 + 10);
  EXPECT_NEAR(b.x0, 10, 4);

  // The glyph image is white with the coverage in alpha.
  ASSERT_NE(t.image, nullptr);
  const auto& px = t.image->rgba;
  EXPECT_TRUE(std::all_of(px.begin(), px.end(), [&, i = 0](std::uint8_t v) mutable {
    return (i++ % 4 == 3) || v == 255;
  }));
  EXPECT_NE(std::count_if(px.begin(), px.end(), [](std::uint8_t v) { return v > 0 && v < 255; }),
            0);  // anti-aliased edges

  headless::CapturePrimitives(true);
  DrawText("", 10, 100);
  EXPECT_TRUE(Prims().empty());
}

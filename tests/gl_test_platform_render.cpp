// The real renderer under Xvfb: what the 2D operations leave in the back
// buffer, read back pixel by pixel.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/core_font.h"
#include "platform/core_state.h"
#include "platform/driver.h"
#include "platform/platform.h"
#include "platform/sdl/extras.h"
#include "png_encode.h"

namespace {

using Rgba = std::array<int, 4>;

struct Picture {
  std::vector<std::uint8_t> px = plat::sdl::ReadBackBuffer8();
  Rgba At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 4;
    return {px[i], px[i + 1], px[i + 2], px[i + 3]};
  }
  bool Lit(int x, int y) const { return At(x, y)[0] > 0 || At(x, y)[1] > 0 || At(x, y)[2] > 0; }
  int CountLit() const {
    int n = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) n += Lit(x, y) ? 1 : 0;
    return n;
  }
  // Bounding box of the lit pixels: left, top, right, bottom (inclusive).
  std::array<int, 4> LitBox() const {
    std::array<int, 4> box = {640, 480, -1, -1};
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (Lit(x, y)) box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x),
                              std::max(box[3], y)};
    return box;
  }
};

void ExpectRgb(const Rgba& got, int r, int g, int b, int tolerance = 1) {
  EXPECT_NEAR(got[0], r, tolerance);
  EXPECT_NEAR(got[1], g, tolerance);
  EXPECT_NEAR(got[2], b, tolerance);
}

// Encodes an 8-bit PNG (RGB or RGBA) in memory.
std::vector<unsigned char> EncodePng(int w, int h, bool alpha, const std::vector<std::uint8_t>& px) {
  return testpng::Encode(w, h, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, 8, px);
}

// Draws the square (from, from)-(to, to) in a texture's top-left texel the
// way the textured polygon drawer does: through the GL table, beneath the 2D
// layer.
void DrawSquareBeneath(unsigned texture, float from, float to) {
  plat::GLTable& gl = plat::gl();
  const unsigned char white[4] = {255, 255, 255, 255};
  gl.Enable(GL_TEXTURE_2D);
  gl.BindTexture(GL_TEXTURE_2D, texture);
  gl.ShadeModel(GL_SMOOTH);
  gl.Begin(GL_POLYGON);
  const float corners[4][2] = {{from, from}, {to, from}, {to, to}, {from, to}};
  for (const auto& c : corners) {
    gl.Color4ubv(white);
    gl.Normal3f(0, 0, 1);
    gl.TexCoord2f(0, 0);
    gl.Vertex3f(c[0], c[1], 0);
  }
  gl.End();
}

// Registers bytes under a name for the rest of the process.
void Embed(const std::string& name, std::vector<unsigned char> bytes) {
  static std::vector<std::vector<unsigned char>> keep;
  keep.push_back(std::move(bytes));
  plat::IncbinAdd(name, keep.back().data(), keep.back().size());
}

// A 2x2 image of one colour, embedded under `name` and loaded unfiltered,
// with its texture (nullptr when either is missing).
std::pair<plat::TImage*, std::shared_ptr<plat::TGLImageFrame>> SolidTexture(
    const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> rgb(2 * 2 * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
  Embed(name, EncodePng(2, 2, false, rgb));
  plat::TImage* image = plat::LoadImage("incbin::" + name, 0);
  if (image == nullptr) return {nullptr, nullptr};
  return {image, std::dynamic_pointer_cast<plat::TGLImageFrame>(image->Frame(0))};
}

class GlRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (plat::backend::WindowOpen()) return;
    plat::AppTitle("render test");
    ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
  }
  void SetUp() override {
    ASSERT_TRUE(plat::backend::WindowOpen());
    plat::SetBlend(plat::ALPHABLEND);
    plat::SetAlpha(1);
    plat::SetColor(255, 255, 255);
    plat::SetScale(1, 1);
    plat::SetLineWidth(1);
    plat::SetClsColor(0, 0, 0);
    plat::Cls();
  }
};

TEST_F(GlRender, RectCoversExactlyItsPixelsAndScalesFromItsCorner) {
  plat::DrawRect(10, 20, 30, 40);
  plat::SetScale(2, 3);
  plat::DrawRect(100, 100, 10, 10);
  Picture p;
  EXPECT_EQ(p.CountLit(), 30 * 40 + 20 * 30);
  ExpectRgb(p.At(10, 20), 255, 255, 255, 0);
  ExpectRgb(p.At(39, 59), 255, 255, 255, 0);
  EXPECT_TRUE(p.Lit(100, 100) && p.Lit(119, 129));
  EXPECT_FALSE(p.Lit(40, 59) || p.Lit(39, 60) || p.Lit(9, 20) || p.Lit(10, 19));
  EXPECT_FALSE(p.Lit(120, 129) || p.Lit(119, 130));
}

TEST_F(GlRender, AlphaAndLightBlendFollowTheirFormulas) {
  plat::SetClsColor(100, 100, 200);
  plat::Cls();
  plat::SetBlend(plat::ALPHABLEND);
  plat::SetColor(200, 50, 0);
  plat::SetAlpha(0.25f);
  plat::DrawRect(0, 0, 10, 10);
  plat::SetBlend(plat::LIGHTBLEND);
  plat::SetColor(100, 255, 255);
  plat::SetAlpha(0.5f);
  plat::DrawRect(20, 0, 10, 10);
  // Light only brightens, saturating, and twice on the same spot adds twice.
  plat::DrawRect(40, 0, 10, 10);
  plat::DrawRect(40, 0, 10, 10);
  Picture p;
  ExpectRgb(p.At(5, 5), 125, 88, 150);   // 100*.75+200*.25, 100*.75+50*.25, 200*.75
  ExpectRgb(p.At(25, 5), 150, 228, 255);  // 100+50, 100+127.5, 200+127.5 saturated
  ExpectRgb(p.At(45, 5), 200, 255, 255);
  ExpectRgb(p.At(15, 5), 100, 100, 200, 0);
}

TEST_F(GlRender, OutOfRangeColourAndAlphaAreClampedOnlyWhenDrawn) {
  plat::SetClsColor(10, 20, 30);
  plat::Cls();
  plat::SetColor(300, -20, 128);
  plat::SetAlpha(1.5f);
  plat::DrawRect(0, 0, 4, 4);
  plat::SetAlpha(-0.5f);
  plat::SetColor(255, 255, 255);
  plat::DrawRect(10, 0, 4, 4);
  plat::SetColor(300, -20, 128);
  int r = 0, g = 0, b = 0;
  plat::GetColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(g, -20);
  EXPECT_EQ(b, 128);
  plat::SetAlpha(1.5f);
  EXPECT_EQ(plat::GetAlpha(), 1.5f);
  Picture p;
  ExpectRgb(p.At(1, 1), 255, 0, 128, 0);
  ExpectRgb(p.At(11, 1), 10, 20, 30, 0);  // below zero draws nothing visible
}

TEST_F(GlRender, OvalFillsItsBoxWhicheverWayTheSizesPoint) {
  plat::DrawOval(200, 200, -40, -20);  // box 160..200 x 180..200
  plat::DrawOval(300, 300, 0, 50);     // nothing visible
  Picture p;
  EXPECT_EQ(p.LitBox(), (std::array<int, 4>{160, 180, 199, 199}));
  EXPECT_FALSE(p.Lit(160, 180) || p.Lit(199, 199));  // the corners stay outside the ellipse
  // Roughly the ellipse's area (pi * 20 * 10), not the box's.
  EXPECT_NEAR(p.CountLit(), 628, 30);
}

TEST_F(GlRender, LineWidthOneIsAPixelLineAndOtherWidthsABand) {
  plat::DrawLine(50, 100, 80, 100);  // with its last pixel
  plat::DrawLine(50, 110, 80, 110, 0);
  plat::DrawLine(10, 200, 20, 210);
  plat::SetLineWidth(3);
  plat::DrawLine(50, 300, 80, 300);   // flat: widened along y
  plat::DrawLine(400, 50, 402, 90);   // steep: widened along x
  Picture p;
  for (int x = 50; x <= 80; ++x) EXPECT_TRUE(p.Lit(x, 100)) << x;
  EXPECT_FALSE(p.Lit(49, 100) || p.Lit(81, 100) || p.Lit(65, 99) || p.Lit(65, 101));
  EXPECT_TRUE(p.Lit(79, 110));
  EXPECT_FALSE(p.Lit(80, 110));
  for (int i = 0; i <= 10; ++i) EXPECT_TRUE(p.Lit(10 + i, 200 + i)) << i;
  int band_rows = 0;
  for (int y = 290; y < 310; ++y) band_rows += p.Lit(65, y) ? 1 : 0;
  EXPECT_EQ(band_rows, 3);
  EXPECT_TRUE(p.Lit(65, 299) && p.Lit(65, 300));
  int band_columns = 0;
  for (int x = 390; x < 410; ++x) band_columns += p.Lit(x, 70) ? 1 : 0;
  EXPECT_EQ(band_columns, 3);

  // Every way a line can go, straight, diagonal and at 2:1 and 1:2 in each
  // octant, at a few places (where a line lies changes how its ends round):
  // one pixel per step from the first, and the last only when its point is
  // asked for. Added light shows a pixel drawn twice.
  plat::SetLineWidth(1);
  plat::Cls();
  plat::SetBlend(plat::LIGHTBLEND);
  plat::SetColor(100, 100, 100);
  const int ways[16][2] = {{1, 0},  {2, 1},   {1, 1},   {1, 2},   {0, 1},  {-1, 2},
                           {-1, 1}, {-2, 1},  {-1, 0},  {-2, -1}, {-1, -1}, {-1, -2},
                           {0, -1}, {1, -2},  {1, -1},  {2, -1}};
  struct Line {
    int x0, y0, dx, dy, last;
  };
  std::vector<Line> lines;
  for (int row = 0; row < 6; ++row)
    for (int i = 0; i < 16; ++i) {
      const int length = 5 + row % 3;
      const Line l = {40 * i + 20 + row, 40 * row + 20 + row % 2, ways[i][0] * length,
                      ways[i][1] * length, row < 3 ? 0 : 1};
      plat::DrawLine(static_cast<float>(l.x0), static_cast<float>(l.y0),
                     static_cast<float>(l.x0 + l.dx), static_cast<float>(l.y0 + l.dy), l.last);
      lines.push_back(l);
    }
  Picture q;
  for (const Line& l : lines) {
    const std::string line = std::to_string(l.x0) + "," + std::to_string(l.y0) + " by " +
                             std::to_string(l.dx) + "," + std::to_string(l.dy) +
                             (l.last ? " with its last pixel" : "");
    const int steps = std::max(std::abs(l.dx), std::abs(l.dy));
    int lit = 0;
    for (int y = l.y0 - 19; y < l.y0 + 19; ++y)
      for (int x = l.x0 - 19; x < l.x0 + 19; ++x) lit += q.Lit(x, y) ? 1 : 0;
    EXPECT_EQ(lit, steps + l.last) << line;
    for (int s = 0; s <= steps; ++s) {
      // Halfway between two pixels (2:1 lines) either may be the one.
      const double fx = l.x0 + static_cast<double>(l.dx * s) / steps;
      const double fy = l.y0 + static_cast<double>(l.dy * s) / steps;
      int x = static_cast<int>(std::floor(fx)), y = static_cast<int>(std::floor(fy));
      if (!q.Lit(x, y)) {
        x = static_cast<int>(std::ceil(fx));
        y = static_cast<int>(std::ceil(fy));
      }
      if (s == steps && !l.last) {
        EXPECT_FALSE(q.Lit(x, y)) << line;
      } else {
        EXPECT_NEAR(q.At(x, y)[0], 100, 1) << line << ", step " << s;
      }
    }
  }
}

// A point, and the end of a one-pixel line, land on the pixel that holds
// them: left of 0 is off the window.
TEST_F(GlRender, PointsAndLineEndsTakeThePixelThatHoldsThem) {
  plat::SetScale(5, 7);
  plat::SetLineWidth(4);
  plat::Plot(300.7f, 200.2f);  // one pixel whatever the scale and width
  plat::Plot(-0.7f, 10);
  plat::Plot(30, -0.2f);
  plat::SetScale(1, 1);
  plat::SetLineWidth(1);
  plat::DrawLine(10, 50, 20.7f, 50);         // x 10 to 20
  plat::DrawLine(40.7f, 60, 40.7f, 70.6f);   // column 40, rows 60 to 70
  plat::DrawLine(-0.3f, 100, -0.3f, 110);    // column -1: nothing
  plat::DrawLine(5, 120, -0.7f, 120.9f);     // x 5 down to 0
  Picture p;
  EXPECT_TRUE(p.Lit(300, 200));
  EXPECT_FALSE(p.Lit(301, 200) || p.Lit(300, 201) || p.Lit(0, 10) || p.Lit(30, 0));
  for (int x = 10; x <= 20; ++x) EXPECT_TRUE(p.Lit(x, 50)) << x;
  EXPECT_FALSE(p.Lit(21, 50));
  for (int y = 60; y <= 70; ++y) EXPECT_TRUE(p.Lit(40, y)) << y;
  for (int y = 55; y <= 75; ++y) EXPECT_FALSE(p.Lit(39, y) || p.Lit(41, y)) << y;
  EXPECT_FALSE(p.Lit(40, 71));
  for (int y = 95; y <= 115; ++y) EXPECT_FALSE(p.Lit(0, y)) << y;
  for (int x = 0; x <= 5; ++x) EXPECT_TRUE(p.Lit(x, 120)) << x;
  EXPECT_FALSE(p.Lit(6, 120) || p.Lit(0, 121));
  EXPECT_EQ(p.LitBox(), (std::array<int, 4>{0, 50, 300, 200}));
}

// DejaVu Sans at 24 pixels, smoothed; 0 when it cannot be had.
int LoadTestFont() {
  static const std::string kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  static bool embedded = false;
  if (!embedded) {
    std::ifstream in(kFont, std::ios::binary);
    if (!in) {
      ADD_FAILURE() << kFont << " is missing (Debian package fonts-dejavu-core)";
      return 0;
    }
    Embed("DejaVuSans.ttf", std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}));
    embedded = true;
  }
  return plat::LoadImageFont("incbin::DejaVuSans.ttf", 24, 4);
}

TEST_F(GlRender, TextTopIsAtYAndGlyphsStepByTheirAdvances) {
  const int font = LoadTestFont();
  ASSERT_NE(font, 0);
  plat::SetImageFont(font);

  const int w_h = plat::TextWidth("H");
  ASSERT_GT(w_h, 0);
  EXPECT_EQ(plat::TextWidth("HiH"), 2 * w_h + plat::TextWidth("i"));
  EXPECT_EQ(plat::TextWidth(""), 0);

  plat::DrawText("H", 100, 100);
  Picture one;
  const auto h1 = one.LitBox();
  // Capital H starts below the ascender but well inside the line.
  EXPECT_GE(h1[1], 100);
  EXPECT_LE(h1[1], 108);
  EXPECT_GE(h1[0], 100);

  plat::Cls();
  plat::DrawText("HH", 100, 137);
  Picture two;
  const auto h2 = two.LitBox();
  EXPECT_EQ(h2[1], h1[1] + 37);
  EXPECT_EQ(h2[2], h1[2] + w_h);  // the second H one advance further

  plat::Cls();
  plat::SetScale(2, 2);
  EXPECT_EQ(plat::TextWidth("H"), w_h);  // measured at scale 1 whatever the scale
  plat::DrawText("HH", 100, 100);
  Picture scaled;
  const auto hs = scaled.LitBox();
  EXPECT_NEAR(hs[1] - 100, 2 * (h1[1] - 100), 1);
  EXPECT_NEAR(hs[2] - hs[0], (h2[2] - h2[0]) * 2, 2);
}

// Text is drawn from the font's one atlas texture; every glyph must come out
// exactly as its own image would, plain and scaled with filtering (the
// ring around each glyph stands for the clamped edge), also for a glyph
// first met after the atlas was made into a texture.
TEST_F(GlRender, TextFromTheAtlasMatchesEachGlyphsOwnImage) {
  const int font = LoadTestFont();
  ASSERT_NE(font, 0);
  plat::SetImageFont(font);
  plat::Font& f = *plat::core().fonts[static_cast<std::size_t>(font - 1)];
  const std::string text = "Wing, 6:00am! \xc3\xa9";  // the last one beyond ASCII
  for (float scale : {1.0f, 1.5f}) {
    plat::SetScale(scale, scale);
    plat::Cls();
    plat::DrawText(text, 20.25f, 100);
    Picture atlas;
    plat::Cls();
    float pen = 0;
    for (std::uint32_t ch : plat::DecodeUtf8(text)) {
      const plat::Glyph& g = plat::GlyphOf(f, ch);
      ASSERT_TRUE(g.present) << ch;
      if (g.image) {
        EXPECT_TRUE(g.in_atlas) << ch;
        g.image->handle_x = -(pen + static_cast<float>(g.left));
        g.image->handle_y = -static_cast<float>(f.ascender - g.top);
        plat::DrawImage(g.image.get(), 20.25f, 100);
      }
      pen += static_cast<float>(g.advance);
    }
    Picture own;
    int differing = 0;
    for (int y = 60; y < 200; ++y)
      for (int x = 0; x < 640; ++x) differing += atlas.At(x, y) != own.At(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "at scale " << scale;
    EXPECT_GT(own.CountLit(), 200);
  }
}

TEST_F(GlRender, ImagesDrawTheirPixelsMaskedAndFilteredAsAsked) {
  // 4x2 RGB: two magenta columns then two green ones.
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool magenta = x < 2;
      rgb.insert(rgb.end(), {std::uint8_t(magenta ? 255 : 0), std::uint8_t(magenta ? 0 : 255),
                             std::uint8_t(magenta ? 255 : 0)});
    }
  Embed("mask_rgb.png", EncodePng(4, 2, false, rgb));
  std::vector<std::uint8_t> rgba;
  for (std::size_t i = 0; i < rgb.size(); i += 3)
    rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
  Embed("mask_rgba.png", EncodePng(4, 2, true, rgba));

  plat::SetMaskColor(255, 0, 255);
  plat::TImage* masked = plat::LoadImage("incbin::mask_rgb.png", 1);
  plat::TImage* plain = plat::LoadImage("incbin::mask_rgb.png", 0);
  plat::TImage* has_alpha = plat::LoadImage("incbin::mask_rgba.png", 1);
  ASSERT_TRUE(masked && plain && has_alpha);
  plat::SetMaskColor(0, 0, 0);

  ASSERT_NE(plat::ActiveDriver(), nullptr);
  EXPECT_EQ(plat::ActiveDriver()->ToString(), "OpenGL");
  auto frame = std::dynamic_pointer_cast<plat::TGLImageFrame>(masked->Frame(0));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(masked->Frame(0).get(), frame.get());
  EXPECT_TRUE(glIsTexture(frame->name));

  plat::SetClsColor(0, 0, 255);
  plat::Cls();
  plat::SetScale(4, 4);
  plat::DrawImage(masked, 0, 0);
  plat::DrawImage(plain, 0, 20);
  plat::DrawImage(has_alpha, 0, 40);
  plat::SetColor(255, 128, 255);  // images are modulated by the colour
  plat::DrawImage(plain, 40, 0);
  Picture p;
  ExpectRgb(p.At(2, 2), 0, 0, 255, 0);    // masked out: the background shows
  ExpectRgb(p.At(12, 2), 0, 255, 0, 0);
  ExpectRgb(p.At(16, 2), 0, 0, 255, 0);  // the image ends at 4 * 4 pixels
  ExpectRgb(p.At(2, 22), 255, 0, 255, 0);
  ExpectRgb(p.At(2, 42), 255, 0, 255, 0);  // an alpha channel wins over the mask
  ExpectRgb(p.At(52, 2), 0, 128, 0, 1);

  // Unfiltered images scale with hard edges, filtered ones blend across.
  std::vector<std::uint8_t> bw = {0, 0, 0, 255, 255, 255};
  Embed("black_white.png", EncodePng(2, 1, false, bw));
  plat::TImage* sharp = plat::LoadImage("incbin::black_white.png", 0);
  plat::TImage* smooth = plat::LoadImage("incbin::black_white.png", 2);
  ASSERT_TRUE(sharp && smooth);
  plat::SetColor(255, 255, 255);
  plat::SetScale(32, 8);
  plat::Cls();
  plat::DrawImage(sharp, 100, 100);
  plat::DrawImage(smooth, 100, 200);
  Picture q;
  int sharp_mid = 0, smooth_mid = 0;
  for (int x = 100; x < 164; ++x) {
    const int s = q.At(x, 104)[0], f = q.At(x, 204)[0];
    sharp_mid += s > 0 && s < 255 ? 1 : 0;
    smooth_mid += f > 0 && f < 255 ? 1 : 0;
  }
  EXPECT_EQ(sharp_mid, 0);
  EXPECT_GT(smooth_mid, 20);
}

TEST_F(GlRender, PictureSurvivesFlipAndAVeilFadesItToBlack) {
  plat::DrawRect(100, 100, 50, 50);
  plat::Flip(0);
  plat::Flip(0);
  Picture kept;
  ExpectRgb(kept.At(120, 120), 255, 255, 255, 0);
  EXPECT_EQ(kept.CountLit(), 2500);

  EXPECT_TRUE(plat::sdl::BackBufferIs16Bit());
  plat::SetColor(0, 0, 0);
  plat::SetAlpha(0.13f);
  for (int i = 0; i < 200; ++i) {
    plat::DrawRect(0, 0, 640, 480);
    if (i % 50 == 0) plat::Flip(0);
  }
  Picture veiled;
  const Rgba c = veiled.At(120, 120);
  EXPECT_LE(c[0], 1);
  EXPECT_LE(c[1], 1);
  EXPECT_LE(c[2], 1);
}

TEST_F(GlRender, TexturedPolygonDrawsInTheBlendModeAndLeavesShapesUntextured) {
  auto [image, frame] = SolidTexture("red.png", 255, 0, 0);
  ASSERT_NE(frame, nullptr);

  plat::SetClsColor(0, 100, 0);
  plat::Cls();
  plat::SetBlend(plat::LIGHTBLEND);  // no 2D draw applies it before the polygon
  DrawSquareBeneath(frame->name, 10, 50);

  // Still textured with red, a green rectangle would come out black.
  plat::SetBlend(plat::ALPHABLEND);
  plat::SetColor(0, 255, 0);
  plat::DrawRect(100, 10, 20, 20);
  plat::DrawOval(140, 10, 20, 20);
  Picture p;
  ExpectRgb(p.At(30, 30), 255, 100, 0, 0);  // added to the green background
  ExpectRgb(p.At(110, 20), 0, 255, 0, 0);
  ExpectRgb(p.At(150, 20), 0, 255, 0, 0);
}

}  // namespace

// Draws wait in batches: each must still land over the one drawn before it,
// across the textured polygon drawer's own calls, and a quad must be drawn
// with its texture even when the image goes away before the batch does.
TEST_F(GlRender, BatchedDrawsKeepTheirOrderAndOutliveTheirImage) {
  auto [image, frame] = SolidTexture("batch_blue.png", 0, 0, 255);
  ASSERT_NE(frame, nullptr);

  plat::SetColor(0, 255, 0);
  plat::DrawRect(10, 10, 20, 20);
  DrawSquareBeneath(frame->name, 20, 40);
  plat::SetColor(255, 255, 255);
  plat::Plot(25.9f, 25.2f);
  plat::SetScale(4, 4);
  plat::DrawImage(image, 60, 10);
  frame.reset();
  plat::ResetPlatformState();  // every image and its texture gone

  Picture p;
  ExpectRgb(p.At(12, 12), 0, 255, 0, 0);
  ExpectRgb(p.At(22, 22), 0, 0, 255, 0);  // the polygon over the rectangle
  ExpectRgb(p.At(35, 35), 0, 0, 255, 0);
  ExpectRgb(p.At(25, 25), 255, 255, 255, 0);
  ExpectRgb(p.At(26, 25), 0, 0, 255, 0);
  ExpectRgb(p.At(25, 26), 0, 0, 255, 0);
  ExpectRgb(p.At(60, 10), 0, 0, 255, 0);
  ExpectRgb(p.At(67, 17), 0, 0, 255, 0);
  EXPECT_FALSE(p.Lit(68, 17) || p.Lit(67, 18));
}

namespace {

// A 16x16 soft glow: black border, brightest in the middle.
std::vector<std::uint8_t> GlowTexels() {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const double dx = (x + 0.5 - 8) / 7.0, dy = (y + 0.5 - 8) / 7.0;
      const double r2 = dx * dx + dy * dy;
      const bool border = x == 0 || y == 0 || x == 15 || y == 15;
      const auto v = static_cast<std::uint8_t>(border || r2 >= 1 ? 0 : 220 * (1 - r2) * (1 - r2));
      rgb.insert(rgb.end(), {v, std::uint8_t(v / 2), std::uint8_t(v / 4)});
    }
  return rgb;
}

// Red of the 16x16 glow drawn from (0, 0) at `scale`, bilinear as the GL
// filters it, at the centre of pixel (x, y).
double GlowRedAt(const std::vector<std::uint8_t>& rgb, float scale, int x, int y) {
  auto texel = [&](int tx, int ty) {
    tx = std::clamp(tx, 0, 15);
    ty = std::clamp(ty, 0, 15);
    return static_cast<double>(rgb[(static_cast<std::size_t>(ty) * 16 + tx) * 3]);
  };
  const double fx = (x + 0.5) / scale - 0.5, fy = (y + 0.5) / scale - 0.5;
  const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  const double ax = fx - x0, ay = fy - y0;
  return (1 - ay) * ((1 - ax) * texel(x0, y0) + ax * texel(x0 + 1, y0)) +
         ay * ((1 - ax) * texel(x0, y0 + 1) + ax * texel(x0 + 1, y0 + 1));
}

}  // namespace

// An added, soft-edged image enlarged many times goes through the reduced
// glow buffer: the sum must still come out as drawing it at full size
// would, in its place among the draws before and after it. Less enlarged,
// the same image takes the exact path.
TEST_F(GlRender, EnlargedGlowsAddUpAsAtFullSizeAndKeepTheirPlace) {
  const std::vector<std::uint8_t> rgb = GlowTexels();
  Embed("glow.png", EncodePng(16, 16, false, rgb));
  plat::TImage* glow = plat::LoadImage("incbin::glow.png", 2);
  ASSERT_NE(glow, nullptr);

  plat::SetClsColor(10, 10, 10);
  plat::Cls();
  plat::SetColor(0, 0, 100);
  plat::DrawRect(300, 0, 20, 20);  // before the glows: they add onto it
  plat::SetBlend(plat::LIGHTBLEND);
  plat::SetColor(255, 255, 255);
  plat::SetAlpha(0.5f);
  plat::SetScale(20, 20);
  plat::DrawImage(glow, 0, 0);  // 320x320, in the glow buffer
  plat::DrawImage(glow, 0, 0);  // twice: the glows add up
  plat::SetScale(4, 4);
  plat::DrawImage(glow, 400, 0);  // 64x64, drawn as it is
  plat::SetBlend(plat::ALPHABLEND);
  plat::SetScale(1, 1);
  plat::SetAlpha(1);
  plat::SetColor(0, 200, 0);
  plat::DrawRect(140, 140, 20, 20);  // after the glows: it covers them
  Picture p;

  int worst = 0;
  for (int y = 0; y < 320; y += 3)
    for (int x = 0; x < 320; x += 3) {
      if ((x >= 140 && x < 160 && y >= 140 && y < 160) || (x >= 300 && y < 20)) continue;
      const double want = std::min(255.0, 10 + 2 * 0.5 * GlowRedAt(rgb, 20, x, y));
      worst = std::max(worst, static_cast<int>(std::lround(std::fabs(p.At(x, y)[0] - want))));
    }
  EXPECT_LE(worst, 2);
  ExpectRgb(p.At(150, 150), 0, 200, 0, 0);
  ExpectRgb(p.At(310, 10), 0, 0, 100, 0);  // the glow is black there
  ExpectRgb(p.At(160, 100), 10 + static_cast<int>(std::lround(GlowRedAt(rgb, 20, 160, 100))),
            p.At(160, 100)[1], p.At(160, 100)[2], 2);
  for (int y = 0; y < 64; y += 2)
    for (int x = 0; x < 64; x += 2)
      EXPECT_NEAR(p.At(400 + x, y)[0], 10 + 0.5 * GlowRedAt(rgb, 4, x, y), 1.5) << x << "," << y;
  EXPECT_FALSE(p.At(330, 100)[0] > 10 || p.At(100, 330)[0] > 10);
}

// The textured polygon drawer's strips and polygons join the batches as the
// triangles the GL would have drawn: every pixel of the band, none beyond.
TEST_F(GlRender, DrawerStripsAndPolygonsCoverTheirShape) {
  auto [image, frame] = SolidTexture("strip_white.png", 255, 255, 255);
  ASSERT_NE(frame, nullptr);

  plat::GLTable& gl = plat::gl();
  const unsigned char red[4] = {255, 0, 0, 255};
  gl.Enable(GL_TEXTURE_2D);
  gl.BindTexture(GL_TEXTURE_2D, frame->name);
  gl.ShadeModel(GL_SMOOTH);
  gl.Begin(GL_TRIANGLE_STRIP);  // three squares side by side, 10..40 x 10..20
  for (int i = 0; i < 8; ++i) {
    gl.Color4ubv(red);
    gl.TexCoord2f(0.5f, 0.5f);
    gl.Vertex3f(10.0f + 10.0f * static_cast<float>(i / 2), i % 2 == 0 ? 10.0f : 20.0f, 0);
  }
  gl.End();
  gl.Begin(GL_POLYGON);  // a pentagon-free square, 50..60 x 10..20
  for (auto [x, y] : {std::pair{50.0f, 10.0f}, {60.0f, 10.0f}, {60.0f, 20.0f}, {50.0f, 20.0f}}) {
    gl.Color4ubv(red);
    gl.TexCoord2f(0.5f, 0.5f);
    gl.Vertex3f(x, y, 0);
  }
  gl.End();
  Picture p;
  EXPECT_EQ(p.CountLit(), 30 * 10 + 10 * 10);
  EXPECT_EQ(p.LitBox(), (std::array<int, 4>{10, 10, 59, 19}));
  ExpectRgb(p.At(25, 15), 255, 0, 0, 0);
  EXPECT_FALSE(p.Lit(45, 15));
}

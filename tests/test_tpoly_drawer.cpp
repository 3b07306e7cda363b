// The textured polygon drawer and the textured quadrilateral, seen from the
// driver: driver choice, batches, the length check, colour words, the
// Direct3D 7 hand-over, thick lines and packed tints.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tpoly_fakes.h"
#include "velkaro/velkaro.h"

using texturedpoly::TPoly;
using namespace tpoly_test;
using Strings = std::vector<std::string>;

namespace {
// n vertices, vertex k at (k, 10k), all with the given colour word.
std::vector<float> Verts(int n, std::uint32_t colour = 0xFFFFFFFFu) {
  std::vector<float> v(std::size_t(n) * 9, 0.0f);
  for (int k = 0; k < n; ++k) {
    float* p = &v[std::size_t(k) * 9];
    p[0] = float(k), p[1] = float(10 * k), p[5] = 1, p[7] = 0.25f, p[8] = 0.75f;
    std::memcpy(p + 6, &colour, 4);
  }
  return v;
}
void Bracket(plat::TImage* img, const std::vector<float>& v, int type, int line, int times = 1) {
  TPoly::_Begin();
  for (int i = 0; i < times; ++i) TPoly::Draw(img, 0, v, type, line);
  TPoly::_End();
}
}  // namespace

TEST_F(DrawerTest, DriverChoiceIsAnExactNameMatch) {
  UseD3D7();
  EXPECT_EQ(texturedpoly::state().usingD3D7, 1);
  EXPECT_TRUE(GL().empty());
  for (const char* name : {"OpenGL", "directX7", "DIRECTX7"}) {
    GL().clear();
    UseGL(name);
    EXPECT_EQ(texturedpoly::state().usingD3D7, 0) << name;
    EXPECT_EQ(GL(), Strings{"Enable 0xb57"}) << name;
  }
}

TEST_F(DrawerTest, LengthCheckAndBatches) {
  plat::TImage a, b;
  UseGL();
  GL().clear();
  for (int n : {0, 5, 27, 45}) Bracket(&a, std::vector<float>(n, 1.0f), 6, 1);
  Bracket(nullptr, Verts(4), 6, 0);  // no image: refused, not a crash
  EXPECT_TRUE(GL().empty());

  // Six floats pass the check but hold no vertex.
  Bracket(&a, std::vector<float>(6, 0.0f), 6, 0);
  EXPECT_EQ(GL(), (Strings{"Enable 0xde1", "Bind 0xde1 7", "Shade 0x1d01", "Begin 9", "End"}));

  auto expect = [&](const std::string& summary) {
    EXPECT_EQ(Summary(), summary);
    GL().clear();
  };
  GL().clear();
  TPoly::_Begin();
  TPoly::_End();
  expect("");
  Bracket(&a, std::vector<float>(8, 0.0f), 5, 1);
  expect("bind7 begin5 end");
  Bracket(&a, Verts(2), 6, 0, 2);  // same frame, Line 0: one batch
  expect("bind7 begin9 v v v v end");
  Bracket(&a, Verts(2), 4, 1, 2);  // Line 1: a strip batch each
  expect("bind7 begin5 v v end begin5 v v end");
  TPoly::_Begin();
  TPoly::Draw(&a, 0, Verts(2), 6, 0);
  TPoly::Draw(&b, 0, Verts(2), 6, 0);  // a new frame closes and rebinds
  // Mixed Line values never nest batches nor send vertices outside one.
  TPoly::Draw(&b, 0, Verts(2), 6, 1);
  TPoly::Draw(&b, 0, Verts(2), 6, 0);
  TPoly::_End();
  expect("bind7 begin9 v v end bind8 begin9 v v end begin9 v v end begin9 v v end");
}

TEST_F(DrawerTest, ColourWordsAndVertexOrder) {
  plat::TImage img;
  UseGL();
  std::vector<float> v = Verts(4, 0x80FF0000u);
  const std::uint32_t quiet_nan = 0xFFC81234u, signalling_nan = 0x7F800001u;
  std::memcpy(&v[9 + 6], &quiet_nan, 4);
  std::memcpy(&v[18 + 6], &signalling_nan, 4);
  v.resize(v.size() + 6, 1.0f);  // floats after the last whole vertex go unread
  GL().clear();
  Bracket(&img, v, 6, 0);
  ASSERT_EQ(GL().size(), 4u + 16u + 1u);
  EXPECT_EQ(Strings(GL().begin() + 4, GL().begin() + 12),
            (Strings{"Color 255 0 0 128", "Normal 0 0 1", "Tex 0.25 0.75", "Vertex 0 0 0",
                     "Color 200 18 52 255", "Normal 0 0 1", "Tex 0.25 0.75", "Vertex 1 10 0"}));
  EXPECT_EQ(GL()[12], "Color 128 0 1 127");

  UseD3D7();
  TPoly::_Begin();
  TPoly::GetFrame(&img, 0, 6, 0);
  EXPECT_TRUE(device_.prims.empty() && d3d_driver_.activated.empty());
  TPoly::Draw(&img, 0, v, 6, 0);
  TPoly::_End();
  ASSERT_EQ(device_.prims.size(), 1u);
  const FakeDevice::Primitive& p = device_.prims[0];
  EXPECT_EQ(p.type, 6);
  EXPECT_EQ(p.format, 0x152u);
  EXPECT_EQ(p.vertices, static_cast<const void*>(v.data()));  // the array itself
  EXPECT_EQ(p.count, 4u);
  EXPECT_EQ(p.flags, 0u);
  EXPECT_EQ(0, std::memcmp(p.bits.data(), v.data(), 36 * 4));
  ASSERT_EQ(d3d_driver_.activated.size(), 1u);
  EXPECT_EQ(d3d_driver_.activated[0], img.Frame(0).get());

  Bracket(&img, std::vector<float>(8, 0.0f), 5, 0);
  EXPECT_EQ(device_.prims.back().count, 0u);
}

TEST_F(DrawerTest, ThickLines) {
  plat::TImage img;
  UseD3D7();
  const int c0 = static_cast<int>(0xFF102030u), c1 = 0x40A0B0C0;
  TPoly::_Begin();
  TPoly::Line(&img, 0, 5, 5, c0, 5, 5, c1, 3, 1, 0);  // coinciding ends: nothing at all
  EXPECT_TRUE(device_.prims.empty() && d3d_driver_.activated.empty());
  for (int caps : {0, 1})
    for (int rot : {0, 1}) TPoly::Line(&img, 0, 0, 0, c0, 10, 0, c1, 2, caps, rot);
  TPoly::Line(&img, 0, 0, 0, c0, 10, 0, c1, -2, 0, 0);
  // So short that its length squared is below the smallest float: it keeps
  // its direction and its caps.
  TPoly::Line(&img, 0, 0, 0, c0, 1e-30f, 0, c1, 2, 1, 0);
  TPoly::_End();
  ASSERT_EQ(device_.prims.size(), 6u);

  // Each vertex as "x y u v colour-end", z and normal checked on the way.
  auto table = [&](std::size_t i) {
    const FakeDevice::Primitive& p = device_.prims[i];
    EXPECT_EQ(p.type, 5);
    Strings out;
    for (std::size_t b = 0; b < std::size_t(p.count) * 9; b += 9) {
      EXPECT_EQ(p.f(b + 2), 0.0f);
      EXPECT_EQ(p.f(b + 5), 1.0f);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g %g %g %g %c", p.f(b), p.f(b + 1), p.f(b + 7), p.f(b + 8),
                    p.bits[b + 6] == 0xFF102030u ? 'a' : p.bits[b + 6] == 0x40A0B0C0u ? 'b' : '?');
      out.push_back(buf);
    }
    return out;
  };
  EXPECT_EQ(table(0), (Strings{"0 -2 0 0 a", "0 2 0 1 a", "10 -2 1 0 b", "10 2 1 1 b"}));
  EXPECT_EQ(table(1), (Strings{"0 -2 0 0 a", "0 2 1 0 a", "10 -2 0 1 b", "10 2 1 1 b"}));
  const Strings capped{"-2 -2 1 0 a",      "-2 2 1 1 a",      "0 -2 0.4985 0 a", "0 2 0.4985 1 a",
                       "10 -2 0.5015 0 b", "10 2 0.5015 1 b", "12 -2 1 0 b",     "12 2 1 1 b"};
  EXPECT_EQ(table(2), capped);
  EXPECT_EQ(table(3), capped);
  EXPECT_EQ(table(4), (Strings{"0 2 0 0 a", "0 -2 0 1 a", "10 2 1 0 b", "10 -2 1 1 b"}));
  EXPECT_EQ(table(5)[0], capped[0]);
  EXPECT_EQ(table(5)[7], (std::string{"2 2 1 1 b"}));

  // Without its device Direct3D 7 draws nothing, and says so once a run.
  plat::D3D7GraphicsDriver()->device = nullptr;
  auto lines_said = [&] {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) TPoly::Line(&img, 0, 0, 0, c0, 10, 0, c1, 2, 1, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    return std::count(said.begin(), said.end(), '\n');
  };
  EXPECT_EQ(lines_said(), 1);
  EXPECT_EQ(lines_said(), 0);
  EXPECT_EQ(device_.prims.size(), 6u);

  UseGL();
  GL().clear();
  TPoly::_Begin();
  TPoly::Line(&img, 0, 1, 1, c0, 1, 1, c1, 3, 0, 0);
  TPoly::Line(&img, 0, 0, 0, c0, 10, 0, c1, 2, 1, 0);
  TPoly::Line(&img, 0, 0, 5, c0, 10, 5, c1, 2, 0, 0);
  TPoly::_End();
  EXPECT_EQ(Summary(), "bind7 begin5 v v v v v v v v end begin5 v v v v end");

  // A reset to the program's start forgets the drawer too, as a new
  // process would: its driver choice and the warning it gave.
  UseD3D7();
  plat::D3D7GraphicsDriver()->device = nullptr;
  velkaro::ResetProgramState();
  EXPECT_EQ(texturedpoly::state().usingD3D7, 0);
  UseD3D7();
  plat::D3D7GraphicsDriver()->device = nullptr;
  EXPECT_EQ(lines_said(), 1);
}

TEST_F(DrawerTest, QuadrilateralTintIsPackedBitForBit) {
  plat::TImage img;
  UseD3D7();
  auto packed = [&](int r, int g, int b, float alpha) {
    plat::SetColor(r, g, b);
    plat::SetAlpha(alpha);
    velkaro::drawTextPoly(&img, 0, 0, 0, 1, 1, 0, 1, 1);
    const auto& p = device_.prims.back();
    for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(p.bits[k * 9 + 6], p.bits[6]);
    return p.bits[6];
  };
  EXPECT_EQ(packed(255, 0, 0, 0.25f), 0x3FFF0000u);
  EXPECT_EQ(packed(255, 255, 255, 1.0f), 0xFFFFFFFFu);
  // No clamping or masking: components spill into the bytes above.
  EXPECT_EQ(packed(256, 0, 0, 0.0f), 0x01000000u);
  EXPECT_EQ(packed(0, -1, 0x12, 0.0f), 0xFFFFFF12u);
  EXPECT_EQ(packed(0, 0, 0, 2.0f), 0xFE000000u);
  EXPECT_EQ(plat::FloatToBits(velkaro::FloatInt(0x7F800001)), 0x7F800001u);
}

TEST_F(DrawerTest, QuadrilateralCornersIgnoreTheScale) {
  plat::TImage img;
  UseGL();
  GL().clear();
  plat::SetScale(2, 2);
  velkaro::drawTextPoly(&img, 10, 10, 10, 20, 30, 10, 30, 20);
  Strings vertices;
  for (const std::string& c : GL())
    if (c.rfind("Tex", 0) == 0 || c.rfind("Vertex", 0) == 0) vertices.push_back(c);
  // Corners 1, 2, 4, 3: the texture's top-left, bottom-left, bottom-right,
  // top-right.
  EXPECT_EQ(vertices, (Strings{"Tex 0 0", "Vertex 10 10 0", "Tex 0 1", "Vertex 10 20 0",
                               "Tex 1 1", "Vertex 30 20 0", "Tex 1 0", "Vertex 30 10 0"}));
  EXPECT_EQ(Summary(), "bind7 begin9 v v v v end");
}

// The textured polygon drawer's driver calls: driver choice, batches, the
// length check, colour unpacking, the Direct3D 7 hand-over and thick lines.
#include <gtest/gtest.h>

#include "tests/tpoly_fakes.h"

using texturedpoly::TPoly;
using namespace tpoly_test;

using Ops_ = std::vector<std::string>;

TEST_F(DrawerTest, DriverChoiceIsAnExactNameMatch) {
  UseD3D7();
  EXPECT_EQ(texturedpoly::state().usingD3D7, 1);
  EXPECT_TRUE(GLCalls().empty());

  for (const char* name : {"OpenGL", "directx7", "DIRECTX7", "DirectX7 "}) {
    SCOPED_TRACE(name);
    gl_driver_.name = name;
    plat::SetActiveDriver(&gl_driver_);
    GLCalls().clear();
    TPoly::Initialise();
    EXPECT_EQ(texturedpoly::state().usingD3D7, 0);
    ASSERT_EQ(Ops(), Ops_{"Enable"});
    EXPECT_EQ(GLCalls()[0].args[0], 0x0B57);
  }
}

TEST_F(DrawerTest, ArraysThatFailTheLengthCheckReachNoDriver) {
  plat::TImage img;
  UseGL();
  for (int n : {0, 5, 27, 45}) {
    TPoly::_Begin();
    TPoly::Draw(&img, 0, std::vector<float>(n, 1.0f), 6, 1);
    TPoly::_End();
  }
  EXPECT_TRUE(GLCalls().empty());

  UseD3D7();
  for (int n : {0, 5, 27, 45}) {
    TPoly::_Begin();
    TPoly::Draw(&img, 0, std::vector<float>(n, 1.0f), 6, 0);
    TPoly::_End();
  }
  EXPECT_TRUE(d3d_driver_.activated.empty());
  EXPECT_TRUE(device_.prims.empty());
}

TEST_F(DrawerTest, ShortArraysOpenABatchWithoutVertices) {
  plat::TImage img;
  UseGL();
  TPoly::_Begin();
  TPoly::Draw(&img, 0, std::vector<float>(6, 0.0f), 6, 0);
  TPoly::_End();
  EXPECT_EQ(Ops(), (Ops_{"Enable", "BindTexture", "ShadeModel", "Begin", "End"}));
  EXPECT_EQ(GLCalls()[0].args[0], 0x0DE1);
  EXPECT_EQ(GLCalls()[1].args, (std::vector<double>{0x0DE1, 7}));
  EXPECT_EQ(GLCalls()[2].args[0], 0x1D01);
  EXPECT_EQ(GLCalls()[3].args[0], 9);

  GLCalls().clear();
  TPoly::_Begin();
  TPoly::Draw(&img, 0, std::vector<float>(8, 0.0f), 5, 1);
  TPoly::_End();
  // Line 1 closes its own batch; _End finds none open.
  EXPECT_EQ(Ops(), (Ops_{"Enable", "BindTexture", "ShadeModel", "Begin", "End"}));
  EXPECT_EQ(GLCalls()[3].args[0], 5);

  UseD3D7();
  TPoly::_Begin();
  TPoly::Draw(&img, 0, std::vector<float>(8, 0.0f), 5, 0);
  TPoly::_End();
  ASSERT_EQ(device_.prims.size(), 1u);
  EXPECT_EQ(device_.prims[0].count, 0u);
}

TEST_F(DrawerTest, BatchesFollowFramesAndLineFlag) {
  plat::TImage a, b;
  UseGL();

  // _Begin and an empty bracket send nothing.
  TPoly::_Begin();
  TPoly::_End();
  EXPECT_TRUE(GLCalls().empty());

  // Same frame, Line 0: one batch for both draws, closed by _End only.
  TPoly::_Begin();
  TPoly::Draw(&a, 0, Vertices(4), 6, 0);
  TPoly::Draw(&a, 0, Vertices(4), 6, 0);
  EXPECT_EQ(CallsNamed("Begin").size(), 1u);
  EXPECT_EQ(CallsNamed("BindTexture").size(), 1u);
  EXPECT_EQ(CallsNamed("Vertex3f").size(), 8u);
  EXPECT_TRUE(CallsNamed("End").empty());
  TPoly::_End();
  EXPECT_EQ(Ops().back(), "End");
  EXPECT_TRUE(BatchesWellFormed());

  // Same frame, Line 1: a batch each, bound once; _End adds no glEnd.
  GLCalls().clear();
  TPoly::_Begin();
  TPoly::Draw(&a, 0, Vertices(4, 0), 4, 1);
  TPoly::Draw(&a, 0, Vertices(4, 0), 4, 1);
  TPoly::_End();
  EXPECT_EQ(CallsNamed("BindTexture").size(), 1u);
  auto begins = CallsNamed("Begin");
  ASSERT_EQ(begins.size(), 2u);
  EXPECT_EQ(begins[0].args[0], 5);  // anything but 6 is a strip
  EXPECT_EQ(CallsNamed("End").size(), 2u);
  EXPECT_EQ(Ops().back(), "End");
  EXPECT_TRUE(BatchesWellFormed());

  // A new frame closes the open batch and binds its own texture.
  GLCalls().clear();
  TPoly::_Begin();
  TPoly::Draw(&a, 0, Vertices(4), 6, 0);
  TPoly::Draw(&b, 0, Vertices(4), 6, 0);
  TPoly::_End();
  auto binds = CallsNamed("BindTexture");
  ASSERT_EQ(binds.size(), 2u);
  EXPECT_NE(binds[0].args[1], binds[1].args[1]);
  EXPECT_EQ(CallsNamed("Begin").size(), 2u);
  EXPECT_EQ(CallsNamed("End").size(), 2u);
  EXPECT_TRUE(BatchesWellFormed());
}

TEST_F(DrawerTest, ALineFlagMixOnOneFrameNeverSendsVerticesOutsideABatch) {
  plat::TImage a;
  UseGL();
  TPoly::_Begin();
  TPoly::Draw(&a, 0, Vertices(4), 6, 1);
  TPoly::Draw(&a, 0, Vertices(4), 6, 0);
  TPoly::_End();
  EXPECT_EQ(CallsNamed("Vertex3f").size(), 8u);
  EXPECT_EQ(CallsNamed("Begin").size(), 2u);
  EXPECT_TRUE(BatchesWellFormed());
}

TEST_F(DrawerTest, VerticesGoOutInOrderWithTheirColourBytes) {
  plat::TImage img;
  UseGL();
  // Bytes from the top: 128, 255, 0, 0 → red 255, green 0, blue 0, alpha 128.
  std::vector<float> v = Vertices(2, 0x80FF0000u);
  v[3] = 0.5f, v[4] = -1.0f, v[5] = 2.0f;  // a recognisable normal
  TPoly::_Begin();
  TPoly::Draw(&img, 0, v, 6, 0);
  TPoly::_End();
  Ops_ ops = Ops();
  ASSERT_EQ(ops, (Ops_{"Enable", "BindTexture", "ShadeModel", "Begin", "Color4ubv", "Normal3f",
                       "TexCoord2f", "Vertex3f", "Color4ubv", "Normal3f", "TexCoord2f",
                       "Vertex3f", "End"}));
  EXPECT_EQ(GLCalls()[4].args, (std::vector<double>{255, 0, 0, 128}));
  EXPECT_EQ(GLCalls()[5].args, (std::vector<double>{0.5, -1, 2}));
  EXPECT_EQ(GLCalls()[6].args, (std::vector<double>{0.25, 0.75}));

  // Colour words that read as NaNs (quiet and signalling) pass unchanged.
  GLCalls().clear();
  std::vector<float> nan = Vertices(4, 0xFFC81234u);
  const std::uint32_t snan = 0x7F800001u;
  std::memcpy(&nan[2 * 9 + 6], &snan, 4);
  TPoly::_Begin();
  TPoly::Draw(&img, 0, nan, 6, 0);
  TPoly::_End();
  auto colours = CallsNamed("Color4ubv");
  ASSERT_EQ(colours.size(), 4u);
  EXPECT_EQ(colours[0].args, (std::vector<double>{200, 0x12, 0x34, 255}));
  EXPECT_EQ(colours[2].args, (std::vector<double>{0x80, 0, 1, 0x7F}));

  // Floats after the last whole vertex are never read.
  GLCalls().clear();
  std::vector<float> extra = Vertices(4);
  extra.resize(extra.size() + 6, 1.0f);
  TPoly::_Begin();
  TPoly::Draw(&img, 0, extra, 6, 0);
  TPoly::_End();
  EXPECT_EQ(CallsNamed("Vertex3f").size(), 4u);
}

TEST_F(DrawerTest, Direct3D7GetsTheArrayItself) {
  plat::TImage img;
  UseD3D7();
  std::vector<float> v = Vertices(8, 0xFFC80000u);

  TPoly::_Begin();
  TPoly::GetFrame(&img, 0, 6, 0);
  EXPECT_TRUE(device_.prims.empty());
  EXPECT_TRUE(d3d_driver_.activated.empty());
  TPoly::Draw(&img, 0, v, 6, 0);
  TPoly::_End();
  EXPECT_TRUE(GLCalls().empty());

  ASSERT_EQ(d3d_driver_.activated.size(), 1u);
  ASSERT_NE(d3d_driver_.activated[0], nullptr);
  EXPECT_EQ(d3d_driver_.activated[0], img.Frame(0).get());
  ASSERT_EQ(device_.prims.size(), 1u);
  const FakeDevice::Primitive& p = device_.prims[0];
  EXPECT_EQ(p.type, 6);
  EXPECT_EQ(p.format, 0x152u);
  EXPECT_EQ(p.vertices, static_cast<const void*>(v.data()));
  EXPECT_EQ(p.count, 8u);
  EXPECT_EQ(p.flags, 0u);
  EXPECT_EQ(0, std::memcmp(p.bits.data(), v.data(), 72 * 4));
  EXPECT_EQ(texturedpoly::state().currentD3DFrame, nullptr);
}

TEST_F(DrawerTest, MissingImageDrawsNothing) {
  UseGL();
  TPoly::_Begin();
  TPoly::Draw(nullptr, 0, Vertices(4), 6, 0);
  TPoly::_End();
  EXPECT_TRUE(GLCalls().empty());
  UseD3D7();
  TPoly::_Begin();
  TPoly::Draw(nullptr, 0, Vertices(4), 6, 0);
  TPoly::_End();
  EXPECT_TRUE(device_.prims.empty());
}

// ------------------------------------------------------------ thick lines

namespace {
struct Vtx {
  float x, y, u, v;
  std::uint32_t colour;
};
std::vector<Vtx> Unpack(const FakeDevice::Primitive& p) {
  std::vector<Vtx> out;
  for (unsigned k = 0; k < p.count; ++k) {
    const std::size_t b = std::size_t(k) * 9;
    EXPECT_EQ(p.f(b + 2), 0.0f);
    EXPECT_EQ(p.f(b + 5), 1.0f);
    out.push_back({p.f(b), p.f(b + 1), p.f(b + 7), p.f(b + 8), p.bits[b + 6]});
  }
  return out;
}
void ExpectVertex(const Vtx& v, float x, float y, float u, float vv, std::uint32_t c) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.u, u);
  EXPECT_EQ(v.v, vv);
  EXPECT_EQ(v.colour, c);
}
constexpr int kC0 = static_cast<int>(0xFF102030u);  // a NaN pattern
constexpr int kC1 = 0x40A0B0C0;
}  // namespace

TEST_F(DrawerTest, LineVertexTables) {
  plat::TImage img;
  UseD3D7();
  TPoly::_Begin();
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 2, 0, 0);
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 2, 0, 1);
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 2, 1, 0);
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 2, 1, 1);
  TPoly::_End();
  ASSERT_EQ(device_.prims.size(), 4u);
  for (const auto& p : device_.prims) EXPECT_EQ(p.type, 5);
  const std::uint32_t a = 0xFF102030u, b = 0x40A0B0C0u;

  auto plain = Unpack(device_.prims[0]);
  ASSERT_EQ(plain.size(), 4u);
  ExpectVertex(plain[0], 0, -2, 0, 0, a);
  ExpectVertex(plain[1], 0, 2, 0, 1, a);
  ExpectVertex(plain[2], 10, -2, 1, 0, b);
  ExpectVertex(plain[3], 10, 2, 1, 1, b);

  auto turned = Unpack(device_.prims[1]);
  ASSERT_EQ(turned.size(), 4u);
  ExpectVertex(turned[0], 0, -2, 0, 0, a);
  ExpectVertex(turned[1], 0, 2, 1, 0, a);
  ExpectVertex(turned[2], 10, -2, 0, 1, b);
  ExpectVertex(turned[3], 10, 2, 1, 1, b);

  for (int i : {2, 3}) {
    SCOPED_TRACE(i);
    auto capped = Unpack(device_.prims[i]);
    ASSERT_EQ(capped.size(), 8u);
    ExpectVertex(capped[0], -2, -2, 1, 0, a);
    ExpectVertex(capped[1], -2, 2, 1, 1, a);
    ExpectVertex(capped[2], 0, -2, 0.4985f, 0, a);
    ExpectVertex(capped[3], 0, 2, 0.4985f, 1, a);
    ExpectVertex(capped[4], 10, -2, 0.5015f, 0, b);
    ExpectVertex(capped[5], 10, 2, 0.5015f, 1, b);
    ExpectVertex(capped[6], 12, -2, 1, 0, b);
    ExpectVertex(capped[7], 12, 2, 1, 1, b);
  }
}

TEST_F(DrawerTest, LineEdgeWidthsAndBatches) {
  plat::TImage img;
  UseD3D7();
  TPoly::_Begin();
  // Coinciding ends have no direction: nothing is drawn, nothing is called.
  TPoly::Line(&img, 0, 5, 5, kC0, 5, 5, kC1, 3, 1, 0);
  EXPECT_TRUE(device_.prims.empty());
  EXPECT_TRUE(d3d_driver_.activated.empty());
  // Width 0 still draws, every vertex on the centre line.
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 0, 0, 0);
  // A negative width mirrors the strip across the line.
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, -2, 0, 0);
  TPoly::_End();
  ASSERT_EQ(device_.prims.size(), 2u);
  for (const Vtx& v : Unpack(device_.prims[0])) EXPECT_EQ(v.y, 0.0f);
  auto mirrored = Unpack(device_.prims[1]);
  EXPECT_EQ(mirrored[0].y, 2.0f);
  EXPECT_EQ(mirrored[1].y, -2.0f);

  // On OpenGL every line is a strip batch of its own.
  UseGL();
  TPoly::_Begin();
  TPoly::Line(&img, 0, 1, 1, kC0, 1, 1, kC1, 3, 0, 0);
  EXPECT_TRUE(GLCalls().empty());
  TPoly::Line(&img, 0, 0, 0, kC0, 10, 0, kC1, 2, 1, 0);
  TPoly::Line(&img, 0, 0, 5, kC0, 10, 5, kC1, 2, 0, 0);
  TPoly::_End();
  auto begins = CallsNamed("Begin");
  ASSERT_EQ(begins.size(), 2u);
  EXPECT_EQ(begins[0].args[0], 5);
  EXPECT_EQ(CallsNamed("End").size(), 2u);
  EXPECT_EQ(CallsNamed("Vertex3f").size(), 12u);
  EXPECT_TRUE(BatchesWellFormed());
}

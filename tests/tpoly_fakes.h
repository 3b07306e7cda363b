// Stand-ins beneath the 2D layer for the textured polygon tests: a recording
// OpenGL table, an OpenGL-named driver, a Direct3D 7 driver and its device.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/driver.h"
#include "platform/numeric.h"
#include "platform/platform.h"
#include "texturedpoly/texturedpoly.h"

namespace tpoly_test {

// Every OpenGL call as text, e.g. "Begin 9", "Color 255 0 0 128".
inline std::vector<std::string>& GL() {
  static std::vector<std::string> calls;
  return calls;
}
inline std::string N(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " %g", v);
  return buf;
}
inline std::string H(unsigned v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " %#x", v);
  return buf;
}

// The calls in short: "bind7" for enable/bind/shade of texture 7, "begin9",
// "v" per vertex, "end"; colours, normals and texture coordinates left out.
inline std::string Summary() {
  std::string s;
  for (const std::string& c : GL()) {
    if (c.rfind("Bind 0xde1 ", 0) == 0) s += " bind" + c.substr(11);
    if (c.rfind("Begin ", 0) == 0) s += " begin" + c.substr(6);
    if (c == "End") s += " end";
    if (c.rfind("Vertex ", 0) == 0) s += " v";
  }
  return s.empty() ? s : s.substr(1);
}

struct FakeGLDriver : plat::TMax2DDriver {
  std::string name = "OpenGL";
  unsigned next_texture = 7;
  std::string ToString() const override { return name; }
  std::shared_ptr<plat::TImageFrame> CreateFrame(plat::TImage&) override {
    auto f = std::make_shared<plat::TGLImageFrame>();
    f->name = next_texture++;
    return f;
  }
};

struct FakeD3DDriver : plat::TD3D7Max2DDriver {
  std::vector<plat::TD3D7ImageFrame*> activated;
  std::shared_ptr<plat::TImageFrame> CreateFrame(plat::TImage&) override {
    return std::make_shared<plat::TD3D7ImageFrame>();
  }
  void SetActiveFrame(plat::TD3D7ImageFrame* frame) override { activated.push_back(frame); }
};

struct FakeDevice : plat::IDirect3DDevice7 {
  struct Primitive {
    int type;
    unsigned format, count, flags;
    const void* vertices;
    std::vector<std::uint32_t> bits;  // copied during the call
    float f(std::size_t i) const { return plat::BitsToFloat(static_cast<std::int32_t>(bits[i])); }
  };
  std::vector<Primitive> prims;
  long DrawPrimitive(int type, unsigned format, void* vertices, unsigned count,
                     unsigned flags) override {
    Primitive p{type, format, count, flags, vertices, std::vector<std::uint32_t>(count * 9u)};
    if (count) std::memcpy(p.bits.data(), vertices, p.bits.size() * 4);
    prims.push_back(std::move(p));
    return 0;
  }
};

class DrawerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ResetPlatformState();
    texturedpoly::ResetModuleState();
    saved_ = plat::gl();
    plat::GLTable& t = plat::gl();
    t.Enable = [](unsigned cap) { GL().push_back("Enable" + H(cap)); };
    t.BindTexture = [](unsigned target, unsigned name) {
      GL().push_back("Bind" + H(target) + N(name));
    };
    t.ShadeModel = [](unsigned mode) { GL().push_back("Shade" + H(mode)); };
    t.Begin = [](unsigned mode) { GL().push_back("Begin" + N(mode)); };
    t.End = [] { GL().push_back("End"); };
    t.Color4ubv = [](const unsigned char* c) {
      GL().push_back("Color" + N(c[0]) + N(c[1]) + N(c[2]) + N(c[3]));
    };
    t.Normal3f = [](float x, float y, float z) { GL().push_back("Normal" + N(x) + N(y) + N(z)); };
    t.TexCoord2f = [](float u, float v) { GL().push_back("Tex" + N(u) + N(v)); };
    t.Vertex3f = [](float x, float y, float z) { GL().push_back("Vertex" + N(x) + N(y) + N(z)); };
    GL().clear();
  }
  void TearDown() override {
    plat::gl() = saved_;
    plat::SetActiveDriver(nullptr);
    plat::D3D7GraphicsDriver()->device = nullptr;
    texturedpoly::ResetModuleState();
  }
  void UseGL(const std::string& name = "OpenGL") {
    gl_driver_.name = name;
    plat::SetActiveDriver(&gl_driver_);
    texturedpoly::TPoly::Initialise();
  }
  void UseD3D7() {
    plat::SetActiveDriver(&d3d_driver_);
    plat::D3D7GraphicsDriver()->device = &device_;
    texturedpoly::TPoly::Initialise();
  }

  plat::GLTable saved_{};
  FakeGLDriver gl_driver_;
  FakeD3DDriver d3d_driver_;
  FakeDevice device_;
};

}  // namespace tpoly_test

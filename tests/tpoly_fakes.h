// Stand-ins beneath the 2D layer for the textured polygon tests: a recording
// OpenGL function table, an OpenGL-named driver, a Direct3D 7 2D driver and
// its device, all capturing what the drawer hands them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/numeric.h"
#include "platform/platform.h"
#include "texturedpoly/texturedpoly.h"

namespace tpoly_test {

// One OpenGL call: its name and arguments (Color4ubv: the four bytes).
struct GLCall {
  std::string op;
  std::vector<double> args;
};

inline std::vector<GLCall>& GLCalls() {
  static std::vector<GLCall> calls;
  return calls;
}

inline void InstallRecordingGL() {
  plat::GLTable& t = plat::gl();
  t.Enable = [](unsigned cap) { GLCalls().push_back({"Enable", {double(cap)}}); };
  t.BindTexture = [](unsigned target, unsigned name) {
    GLCalls().push_back({"BindTexture", {double(target), double(name)}});
  };
  t.ShadeModel = [](unsigned mode) { GLCalls().push_back({"ShadeModel", {double(mode)}}); };
  t.Begin = [](unsigned mode) { GLCalls().push_back({"Begin", {double(mode)}}); };
  t.End = [] { GLCalls().push_back({"End", {}}); };
  t.Color4ubv = [](const unsigned char* c) {
    GLCalls().push_back({"Color4ubv", {double(c[0]), double(c[1]), double(c[2]), double(c[3])}});
  };
  t.Normal3f = [](float x, float y, float z) { GLCalls().push_back({"Normal3f", {x, y, z}}); };
  t.TexCoord2f = [](float u, float v) { GLCalls().push_back({"TexCoord2f", {u, v}}); };
  t.Vertex3f = [](float x, float y, float z) { GLCalls().push_back({"Vertex3f", {x, y, z}}); };
}

// The call names in order, e.g. "Begin", "Vertex3f", "End".
inline std::vector<std::string> Ops() {
  std::vector<std::string> ops;
  for (const GLCall& c : GLCalls()) ops.push_back(c.op);
  return ops;
}

inline std::vector<GLCall> CallsNamed(const std::string& op) {
  std::vector<GLCall> out;
  for (const GLCall& c : GLCalls())
    if (c.op == op) out.push_back(c);
  return out;
}

// True when every vertex lies inside a Begin/End pair and the pairs nest
// properly (no Begin inside an open batch, no End without a Begin).
inline bool BatchesWellFormed(bool allowOpenAtEnd = false) {
  bool open = false;
  for (const GLCall& c : GLCalls()) {
    if (c.op == "Begin") {
      if (open) return false;
      open = true;
    } else if (c.op == "End") {
      if (!open) return false;
      open = false;
    } else if (c.op == "Vertex3f" && !open) {
      return false;
    }
  }
  return allowOpenAtEnd || !open;
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
  int next_id = 1;
  std::vector<plat::TD3D7ImageFrame*> activated;
  std::shared_ptr<plat::TImageFrame> CreateFrame(plat::TImage&) override {
    auto f = std::make_shared<plat::TD3D7ImageFrame>();
    f->id = next_id++;
    return f;
  }
  void SetActiveFrame(plat::TD3D7ImageFrame* frame) override { activated.push_back(frame); }
};

struct FakeDevice : plat::IDirect3DDevice7 {
  struct Primitive {
    int type;
    unsigned format;
    const void* vertices;
    unsigned count;
    unsigned flags;
    std::vector<std::uint32_t> bits;  // the vertices' 32-bit words, copied at the call
    float f(std::size_t i) const { return plat::BitsToFloat(static_cast<std::int32_t>(bits[i])); }
  };
  std::vector<Primitive> prims;
  long DrawPrimitive(int type, unsigned format, void* vertices, unsigned count,
                     unsigned flags) override {
    Primitive p{type, format, vertices, count, flags, {}};
    p.bits.resize(std::size_t(count) * 9);
    if (count) std::memcpy(p.bits.data(), vertices, p.bits.size() * 4);
    prims.push_back(std::move(p));
    return 0;
  }
};

// Fresh platform and drawer state, the recording table in place; drivers are
// installed by UseGL / UseD3D7, which also run Initialise.
class DrawerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ResetPlatformState();
    texturedpoly::ResetModuleState();
    saved_ = plat::gl();
    InstallRecordingGL();
    GLCalls().clear();
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
    GLCalls().clear();
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

// A vertex array of n vertices, vertex k at (k, 10k) with the given colour.
inline std::vector<float> Vertices(int n, std::uint32_t colour = 0xFFFFFFFFu) {
  std::vector<float> v;
  for (int k = 0; k < n; ++k) {
    v.insert(v.end(), {float(k), float(10 * k), 0, 0, 0, 1, 0, 0.25f, 0.75f});
    std::memcpy(&v[v.size() - 3], &colour, 4);
  }
  return v;
}

}  // namespace tpoly_test

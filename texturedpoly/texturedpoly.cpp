// Textured, vertex-coloured fans, strips and thick lines drawn straight on
// the active graphics driver. Under OpenGL the vertices go out in immediate
// mode inside batches that span consecutive draws of one frame; under
// Direct3D 7 the caller's array is handed to the device as it is.
#include "texturedpoly/texturedpoly.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "platform/driver.h"
#include "platform/numeric.h"

namespace texturedpoly {

namespace {

constexpr unsigned GL_COLOR_MATERIAL_ = 0x0B57;
constexpr unsigned GL_TEXTURE_2D_ = 0x0DE1;
constexpr unsigned GL_SMOOTH_ = 0x1D01;
constexpr unsigned GL_POLYGON_ = 9;
constexpr unsigned GL_TRIANGLE_STRIP_ = 5;

// Position, normal, diffuse colour and one texture coordinate pair: the
// exact layout of nine floats per vertex.
constexpr unsigned kVertexFormat = 0x152;
constexpr int kFloatsPerVertex = 9;

unsigned PrimitiveFor(int RenderType) {
  return RenderType == 6 ? GL_POLYGON_ : GL_TRIANGLE_STRIP_;
}

void OpenBatch(int RenderType) {
  plat::gl().Begin(PrimitiveFor(RenderType));
  state().batchOpen = true;
}

void CloseBatch() {
  plat::gl().End();
  state().batchOpen = false;
}

// The body of a capped thick line takes this narrow stripe around the
// texture's middle column, stretched along the line; the caps take the right
// half of the texture, from about the middle out to its edge.
constexpr float kBodyStripeLeft = 0.4985f;
constexpr float kBodyStripeRight = 0.5015f;

void WarnNoFrame(int Frame) {
  if (state().warnedNoFrame) return;
  state().warnedNoFrame = true;
  std::fprintf(stderr, "texturedpoly: no image frame %d for the active driver; not drawn\n", Frame);
}

// dynamic_cast of a frame, with a shortcut for the exact type that the
// drivers make.
template <class To>
std::shared_ptr<To> FrameAs(const std::shared_ptr<plat::TImageFrame>& f) {
  if (f && typeid(*f) == typeid(To)) return std::static_pointer_cast<To>(f);
  return std::dynamic_pointer_cast<To>(f);
}

// Makes `f` the bound OpenGL frame and leaves a batch open for the draw.
void UseGLFrame(ModuleState& st, std::shared_ptr<plat::TGLImageFrame> f, int RenderType,
                int Line) {
  if (f != st.currentGLFrame) {
    if (st.batchOpen) CloseBatch();
    const unsigned name = f->name;
    st.currentGLFrame = std::move(f);
    plat::GLTable& gl = plat::gl();
    gl.Enable(GL_TEXTURE_2D_);
    gl.BindTexture(GL_TEXTURE_2D_, name);
    gl.ShadeModel(GL_SMOOTH_);
    OpenBatch(RenderType);
  } else if (Line == 1) {
    // Same texture: a line gets a batch of its own. Closing one left open
    // by an earlier draw keeps glBegin from nesting.
    if (st.batchOpen) CloseBatch();
    OpenBatch(RenderType);
  } else if (!st.batchOpen) {
    // Only after a line on the same frame: without this the vertices would
    // go out with no batch open.
    OpenBatch(RenderType);
  }
}

float ColourSlot(int packed) { return plat::BitsToFloat(packed); }

}  // namespace

ModuleState& state() {
  static ModuleState s;
  return s;
}
void ResetModuleState() { state() = ModuleState{}; }

void TPoly::_Begin() {
  state().currentD3DFrame = nullptr;
  state().currentGLFrame = nullptr;
}

void TPoly::_End() {
  ModuleState& st = state();
  st.currentD3DFrame = nullptr;
  st.currentGLFrame = nullptr;
  if (st.usingD3D7 == 0 && st.batchOpen) CloseBatch();
}

void TPoly::Initialise() {
  plat::TMax2DDriver* driver = plat::ActiveDriver();
  if (driver == nullptr) {
    std::fprintf(stderr, "texturedpoly: no graphics window is open; assuming OpenGL\n");
    state().usingD3D7 = 0;
    return;
  }
  // Exact comparison: any other spelling takes the OpenGL path.
  if (driver->ToString() == "DirectX7") {
    state().usingD3D7 = 1;
    return;
  }
  state().usingD3D7 = 0;
  plat::gl().Enable(GL_COLOR_MATERIAL_);
}

void TPoly::GetFrame(plat::TImage* Image, int Frame, int RenderType, int Line) {
  ModuleState& st = state();
  std::shared_ptr<plat::TImageFrame> frame = Image ? Image->Frame(Frame) : nullptr;
  if (st.usingD3D7 != 0) {
    st.currentD3DFrame = FrameAs<plat::TD3D7ImageFrame>(frame);
    return;
  }
  std::shared_ptr<plat::TGLImageFrame> f = FrameAs<plat::TGLImageFrame>(frame);
  if (f == nullptr) return;  // nothing to bind; Draw has already refused it
  UseGLFrame(st, std::move(f), RenderType, Line);
}

void TPoly::Draw(plat::TImage* Image, int Frame, const std::vector<float>& xyuv, int RenderType,
                 int Line) {
  const std::size_t length = xyuv.size();
  if (length < 6 || length % 2 != 0) return;
  ModuleState& st = state();
  // One look at the frame serves both the check and the binding (as
  // GetFrame would bind it): the image keeps a frame once made, so a second
  // look would find the same one.
  std::shared_ptr<plat::TImageFrame> frame = Image ? Image->Frame(Frame) : nullptr;
  if (st.usingD3D7 != 0) {
    std::shared_ptr<plat::TD3D7ImageFrame> f = FrameAs<plat::TD3D7ImageFrame>(frame);
    if (f == nullptr) {
      WarnNoFrame(Frame);
      return;
    }
    st.currentD3DFrame = std::move(f);
  } else {
    std::shared_ptr<plat::TGLImageFrame> f = FrameAs<plat::TGLImageFrame>(frame);
    if (f == nullptr) {
      WarnNoFrame(Frame);
      return;
    }
    UseGLFrame(st, std::move(f), RenderType, Line);
  }
  const int segs = static_cast<int>(length / kFloatsPerVertex);

  if (st.usingD3D7 == 0) {
    plat::GLTable& gl = plat::gl();
    unsigned char ub[4];
    for (int k = 0; k < segs; ++k) {
      const float* v = xyuv.data() + static_cast<std::size_t>(k) * kFloatsPerVertex;
      // The colour slot holds packed bits, not a number: read them as such.
      std::uint32_t w;
      std::memcpy(&w, v + 6, sizeof w);
      ub[0] = static_cast<unsigned char>((w >> 16) & 0xFF);
      ub[1] = static_cast<unsigned char>((w >> 8) & 0xFF);
      ub[2] = static_cast<unsigned char>(w & 0xFF);
      ub[3] = static_cast<unsigned char>((w >> 24) & 0xFF);
      gl.Color4ubv(ub);
      gl.Normal3f(v[3], v[4], v[5]);
      gl.TexCoord2f(v[7], v[8]);
      gl.Vertex3f(v[0], v[1], v[2]);
    }
    if (Line == 1) CloseBatch();
    return;
  }

  auto* driver = dynamic_cast<plat::TD3D7Max2DDriver*>(plat::ActiveDriver());
  plat::TD3D7GraphicsDriver* graphics = plat::D3D7GraphicsDriver();
  plat::IDirect3DDevice7* device = graphics ? graphics->Direct3DDevice7() : nullptr;
  if (driver == nullptr || device == nullptr) {
    if (!st.warnedNoDevice) {
      std::fprintf(stderr, "texturedpoly: the Direct3D 7 driver has no device; not drawn\n");
      st.warnedNoDevice = true;
    }
    return;
  }
  driver->SetActiveFrame(st.currentD3DFrame.get());
  // The array itself is the vertex buffer; the device only reads it.
  device->DrawPrimitive(RenderType, kVertexFormat, const_cast<float*>(xyuv.data()),
                        static_cast<unsigned>(segs), 0);
}

void TPoly::Line(plat::TImage* Image, int Frame, float x0, float y0, int c0, float x1, float y1,
                 int c1, float width, unsigned char endpoints, unsigned char rot) {
  float DX = x0 - x1;
  float dy = y0 - y1;
  // Squared in double: in float a very short line's squares vanish and it
  // would lose its caps.
  const double Mag = std::sqrt(static_cast<double>(DX) * DX + static_cast<double>(dy) * dy);
  // Coinciding ends give no direction; dividing by zero would send NaN
  // vertices to the driver.
  if (Mag == 0.0) return;
  DX = static_cast<float>(DX / Mag * width);
  dy = static_cast<float>(dy / Mag * width);

  const float a = ColourSlot(c0);
  const float b = ColourSlot(c1);
  std::vector<float> verts;
  auto vertex = [&verts](float x, float y, float colour, float u, float v) {
    verts.insert(verts.end(), {x, y, 0.0f, 0.0f, 0.0f, 1.0f, colour, u, v});
  };

  if (endpoints != 0) {
    verts.reserve(72);
    vertex(x0 - dy + DX, y0 + DX + dy, a, 1.0f, 0.0f);
    vertex(x0 + dy + DX, y0 - DX + dy, a, 1.0f, 1.0f);
    vertex(x0 - dy, y0 + DX, a, kBodyStripeLeft, 0.0f);
    vertex(x0 + dy, y0 - DX, a, kBodyStripeLeft, 1.0f);
    vertex(x1 - dy, y1 + DX, b, kBodyStripeRight, 0.0f);
    vertex(x1 + dy, y1 - DX, b, kBodyStripeRight, 1.0f);
    vertex(x1 - dy - DX, y1 + DX - dy, b, 1.0f, 0.0f);
    vertex(x1 + dy - DX, y1 - DX - dy, b, 1.0f, 1.0f);
  } else {
    verts.reserve(36);
    const bool turned = rot != 0;
    vertex(x0 - dy, y0 + DX, a, 0.0f, 0.0f);
    vertex(x0 + dy, y0 - DX, a, turned ? 1.0f : 0.0f, turned ? 0.0f : 1.0f);
    vertex(x1 - dy, y1 + DX, b, turned ? 0.0f : 1.0f, turned ? 1.0f : 0.0f);
    vertex(x1 + dy, y1 - DX, b, 1.0f, 1.0f);
  }
  Draw(Image, Frame, verts, 5, 1);
}

}  // namespace texturedpoly

// The headless backend: no window, no picture, no audio output. The clock,
// keys and close requests are scripted through plat::headless.
#include "platform/backend.h"
#include "platform/core_state.h"
#include "platform/headless/controls.h"

namespace plat {

namespace {

struct HeadlessDriver : TMax2DDriver {
  unsigned last_texture = 0;
  std::string ToString() const override { return "OpenGL"; }
  std::shared_ptr<TImageFrame> CreateFrame(TImage& /*image*/) override {
    auto frame = std::make_shared<TGLImageFrame>();
    frame->name = ++last_texture;
    return frame;
  }
};

// The textured polygon drawer's calls draw nothing here; while recording they
// are kept with the 2D calls, in order, so a record shows its vertices too.
// Else they go to the silent table, whose entries do nothing: a pass makes
// hundreds of per-vertex calls.
void GlEnable(unsigned cap) { Record("glEnable", {double(cap)}); }
void GlBindTexture(unsigned target, unsigned name) {
  Record("glBindTexture", {double(target), double(name)});
}
void GlShadeModel(unsigned mode) { Record("glShadeModel", {double(mode)}); }
void GlBegin(unsigned mode) { Record("glBegin", {double(mode)}); }
void GlEnd() { Record("glEnd", {}); }
void GlColor4ubv(const unsigned char* c) {
  Record("glColor4ubv", {double(c[0]), double(c[1]), double(c[2]), double(c[3])});
}
void GlNormal3f(float x, float y, float z) { Record("glNormal3f", {x, y, z}); }
void GlTexCoord2f(float u, float v) { Record("glTexCoord2f", {u, v}); }
void GlVertex3f(float x, float y, float z) { Record("glVertex3f", {x, y, z}); }

void SilentEnable(unsigned) {}
void SilentBindTexture(unsigned, unsigned) {}
void SilentShadeModel(unsigned) {}
void SilentBegin(unsigned) {}
void SilentEnd() {}
void SilentColor4ubv(const unsigned char*) {}
void SilentNormal3f(float, float, float) {}
void SilentTexCoord2f(float, float) {}
void SilentVertex3f(float, float, float) {}

constexpr GLTable kRecordingTable{GlEnable,    GlBindTexture, GlShadeModel, GlBegin,   GlEnd,
                                  GlColor4ubv, GlNormal3f,    GlTexCoord2f, GlVertex3f};
constexpr GLTable kSilentTable{SilentEnable,     SilentBindTexture, SilentShadeModel,
                               SilentBegin,      SilentEnd,         SilentColor4ubv,
                               SilentNormal3f,   SilentTexCoord2f,  SilentVertex3f};

struct HeadlessState {
  int clock = 0;
  bool window_open = false;
  int last_sample = 0;
  HeadlessDriver driver;
  bool capture = false;
  std::vector<headless::Primitive> primitives;
};

HeadlessState& hs() {
  static HeadlessState state;
  return state;
}

}  // namespace

namespace backend {
bool OpenWindow(int, int, int, const std::string&, std::string*) {
  hs().window_open = true;
  return true;
}
bool WindowOpen() { return hs().window_open; }
void Clear(int r, int g, int b) {
  if (hs().capture) hs().primitives.push_back({"Clear", {}, {float(r), float(g), float(b)}, {}});
}
void Present(int) {}
void PumpEvents() {}
int Millisecs() { return hs().clock; }
TMax2DDriver* Driver() { return hs().window_open ? &hs().driver : nullptr; }
const GLTable& GLFunctions(bool recording) {
  return recording ? kRecordingTable : kSilentTable;
}
void SetTableBlend(int) {}
bool Renders() { return hs().capture; }
void FillPolygon(const Paint& p, const float* xy, int count) {
  if (hs().capture) hs().primitives.push_back({"FillPolygon", p, {xy, xy + 2 * count}, {}});
}
void DrawTexturedQuad(const Paint& p, TImage& image, const float xy[8], const float uv[8]) {
  if (hs().capture)
    hs().primitives.push_back({"DrawTexturedQuad", p, {xy, xy + 8}, {uv, uv + 8}, &image});
}
void DrawThinLine(const Paint& p, float x0, float y0, float x1, float y1) {
  if (hs().capture) hs().primitives.push_back({"DrawThinLine", p, {x0, y0, x1, y1}, {}});
}
void DrawPoint(const Paint& p, float x, float y) {
  if (hs().capture) hs().primitives.push_back({"DrawPoint", p, {x, y}, {}});
}
int LoadSample(const unsigned char*, std::size_t, std::string*) { return ++hs().last_sample; }
void PlaySample(int) {}
}  // namespace backend

namespace headless {
void SetClock(int ms) { hs().clock = ms; }
int Clock() { return hs().clock; }
void KeyDown(int key_code) { internal::KeyEvent(key_code, true); }
void KeyUp(int key_code) { internal::KeyEvent(key_code, false); }
void RequestClose() { internal::CloseRequested(); }
void CapturePrimitives(bool on) {
  hs().capture = on;
  hs().primitives.clear();
}
std::vector<Primitive>& Primitives() { return hs().primitives; }
}  // namespace headless

}  // namespace plat

// The headless backend: no window, no picture, no audio output. The clock,
// keys and close requests are scripted through plat::headless.
#include "platform/backend.h"
#include "platform/headless.h"

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

void NoEnable(unsigned) {}
void NoBindTexture(unsigned, unsigned) {}
void NoShadeModel(unsigned) {}
void NoBegin(unsigned) {}
void NoEnd() {}
void NoColor4ubv(const unsigned char*) {}
void NoNormal3f(float, float, float) {}
void NoTexCoord2f(float, float) {}
void NoVertex3f(float, float, float) {}

struct HeadlessState {
  int clock = 0;
  bool window_open = false;
  int last_sample = 0;
  HeadlessDriver driver;
  bool capture = false;
  std::vector<headless::Primitive> primitives;
  GLTable gl{NoEnable, NoBindTexture, NoShadeModel, NoBegin, NoEnd,
             NoColor4ubv, NoNormal3f, NoTexCoord2f, NoVertex3f};
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
GLTable& GLFunctions() { return hs().gl; }
void SetTableBlend(int) {}
bool Renders() { return hs().capture; }
void FillPolygon(const Paint& p, const float* xy, int count) {
  if (hs().capture) hs().primitives.push_back({"FillPolygon", p, {xy, xy + 2 * count}, {}});
}
void DrawTexturedQuad(const Paint& p, TImage& image, const float xy[8], const float uv[8]) {
  if (hs().capture)
    hs().primitives.push_back({"DrawTexturedQuad", p, {xy, xy + 8}, {uv, uv + 8}, &image});
}
void DrawThinLine(const Paint& p, float x0, float y0, float x1, float y1, bool last_pixel) {
  if (hs().capture)
    hs().primitives.push_back({"DrawThinLine", p, {x0, y0, x1, y1}, {}, nullptr, last_pixel});
}
void DrawPoint(const Paint& p, float x, float y) {
  if (hs().capture) hs().primitives.push_back({"DrawPoint", p, {x, y}, {}});
}
int LoadSample(const unsigned char*, std::size_t) { return ++hs().last_sample; }
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

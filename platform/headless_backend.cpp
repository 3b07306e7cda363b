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
void Clear(int, int, int) {}
void Present(int) {}
void PumpEvents() {}
int Millisecs() { return hs().clock; }
TMax2DDriver* Driver() { return hs().window_open ? &hs().driver : nullptr; }
GLTable& GLFunctions() { return hs().gl; }
bool Renders() { return false; }
void FillPolygon(const Paint&, const float*, int) {}
void DrawTexturedQuad(const Paint&, TImage&, const float[8], const float[8]) {}
void DrawThinLine(const Paint&, float, float, float, float, bool) {}
void DrawPoint(const Paint&, float, float) {}
int LoadSample(const unsigned char*, std::size_t) { return ++hs().last_sample; }
void PlaySample(int) {}
}  // namespace backend

namespace headless {
void SetClock(int ms) { hs().clock = ms; }
int Clock() { return hs().clock; }
void KeyDown(int key_code) { internal::KeyEvent(key_code, true); }
void KeyUp(int key_code) { internal::KeyEvent(key_code, false); }
void RequestClose() { internal::CloseRequested(); }
}  // namespace headless

}  // namespace plat

// The platform state object, its reset, embedded files, the window, the 2D
// state, input and recording.
#include "platform/core_state.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/core_font.h"

namespace plat {

namespace {
std::unique_ptr<CoreState>& CorePtr() {
  static std::unique_ptr<CoreState> state = std::make_unique<CoreState>();
  return state;
}

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float ClampChannel(int v) { return static_cast<float>(std::clamp(v, 0, 255)) / 255.0f; }
}  // namespace

namespace detail {
constinit CoreState* core_ptr = nullptr;

CoreState& MakeCore() {
  core_ptr = CorePtr().get();
  return *core_ptr;
}
}  // namespace detail

CoreState::CoreState() = default;

CoreState::~CoreState() {
  fonts.clear();
  if (ft_library) FT_Done_FreeType(static_cast<FT_Library>(ft_library));
  if (detail::core_ptr == this) detail::core_ptr = nullptr;
}

void ResetPlatformState() {
  auto fresh = std::make_unique<CoreState>();
  fresh->embedded = std::move(core().embedded);
  // The new state is current before the old one is destroyed.
  detail::core_ptr = fresh.get();
  CorePtr().swap(fresh);
  backend::SetTableBlend(core().blend);
}

backend::Paint CurrentPaint() {
  const CoreState& st = core();
  return backend::Paint{ClampChannel(st.color_r), ClampChannel(st.color_g),
                        ClampChannel(st.color_b), Clamp01(st.alpha), st.blend};
}

void RecordCall(const char* op, std::initializer_list<double> args, const std::string& text) {
  CoreState& st = core();
  rec::Call c;
  c.op = op;
  c.args.assign(args.begin(), args.end());
  c.text = text;
  c.r = st.color_r;
  c.g = st.color_g;
  c.b = st.color_b;
  c.alpha = st.alpha;
  c.sx = st.scale_x;
  c.sy = st.scale_y;
  c.line_width = st.line_width;
  c.blend = st.blend;
  st.rec_calls.push_back(std::move(c));
}

// ---------------------------------------------------------- embedded files
void IncbinAdd(const std::string& name, const void* data, std::size_t size) {
  core().embedded.emplace(name, EmbeddedFile{static_cast<const unsigned char*>(data), size});
}

bool IncbinLookup(const std::string& url, const unsigned char** data, std::size_t* size) {
  static const std::string kPrefix = "incbin::";
  if (url.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  const auto& files = core().embedded;
  auto it = files.find(url.substr(kPrefix.size()));
  if (it == files.end()) return false;
  *data = it->second.data;
  *size = it->second.size;
  return true;
}

void CannotLoad(const std::string& url, const std::string& why) {
  std::fprintf(stderr, "velkaro: cannot load '%s': %s\n", url.c_str(), why.c_str());
}

bool EmbeddedBytes(const std::string& url, const unsigned char** data, std::size_t* size) {
  if (IncbinLookup(url, data, size)) return true;
  CannotLoad(url, url.starts_with("incbin::") ? "no embedded file of that name"
                                              : "only embedded files (incbin::) are read");
  return false;
}

// ----------------------------------------------------------- window, frame
void AppTitle(const std::string& title) { core().app_title = title; }
const std::string& GetAppTitle() { return core().app_title; }

TGraphics* Graphics(int width, int height, int /*depth*/, int hertz, int /*flags*/) {
  CoreState& st = core();
  st.graphics.reset();
  // The images are decoded while the window and its GL driver load.
  if (!st.image_prefetch) st.image_prefetch = StartImagePrefetch(st.embedded);
  std::string error;
  if (!backend::OpenWindow(width, height, hertz, st.app_title, &error)) {
    std::fprintf(stderr, "velkaro: cannot open a window: %s\n",
                 error.empty() ? "unknown error" : error.c_str());
    return nullptr;
  }
  st.graphics = std::make_unique<TGraphics>(TGraphics{width, height, hertz});
  return st.graphics.get();
}

void SetClsColor(int r, int g, int b) {
  CoreState& st = core();
  st.cls_r = r;
  st.cls_g = g;
  st.cls_b = b;
  Record("SetClsColor", {double(r), double(g), double(b)});
}

void Cls() {
  const CoreState& st = core();
  Record("Cls", {});
  backend::Clear(std::clamp(st.cls_r, 0, 255), std::clamp(st.cls_g, 0, 255),
                 std::clamp(st.cls_b, 0, 255));
}

void Flip(int sync) {
  Record("Flip", {double(sync)});
  backend::Present(sync);
}

// ------------------------------------------------------------ 2D state
void SetColor(int r, int g, int b) {
  CoreState& st = core();
  st.color_r = r;
  st.color_g = g;
  st.color_b = b;
  if (Recording()) RecordValues("SetColor", r, g, b);
}

void GetColor(int& r, int& g, int& b) {
  const CoreState& st = core();
  r = st.color_r;
  g = st.color_g;
  b = st.color_b;
}

void SetAlpha(float alpha) {
  core().alpha = alpha;
  if (Recording()) RecordValues("SetAlpha", alpha);
}
float GetAlpha() { return core().alpha; }

void SetBlend(int mode) {
  core().blend = mode;
  backend::SetTableBlend(mode);
  if (Recording()) RecordValues("SetBlend", mode);
}
int GetBlend() { return core().blend; }

void SetScale(float sx, float sy) {
  core().scale_x = sx;
  core().scale_y = sy;
  if (Recording()) RecordValues("SetScale", sx, sy);
}
void GetScale(float& sx, float& sy) {
  sx = core().scale_x;
  sy = core().scale_y;
}

void SetLineWidth(float width) {
  core().line_width = width;
  if (Recording()) RecordValues("SetLineWidth", width);
}
float GetLineWidth() { return core().line_width; }

void SetMaskColor(int r, int g, int b) {
  CoreState& st = core();
  st.mask_r = r;
  st.mask_g = g;
  st.mask_b = b;
}

void AutoMidHandle(int enable) { core().auto_mid_handle = enable != 0; }

void SetImageFont(int font) {
  core().font = font;
  Record("SetImageFont", {double(font)});
}

// ----------------------------------------------------------- input, clock
namespace internal {
void KeyEvent(int key_code, bool down) {
  if (key_code < 0 || key_code > 255) return;
  CoreState& st = core();
  auto k = static_cast<std::size_t>(key_code);
  if (down) {
    // A down event for a key already held is auto-repeat: no new hit. Keys
    // the game only reads as held are never counted off, so the count stops
    // at the largest int rather than overflow over a long game.
    if (!st.key_held[k] && st.key_hits[k] < INT_MAX) st.key_hits[k]++;
    st.key_held[k] = true;
  } else {
    st.key_held[k] = false;
  }
}

void CloseRequested() { core().close_requested = true; }

}  // namespace internal

int KeyHit(int key) {
  backend::PumpEvents();
  if (key < 0 || key > 255) return 0;
  int& hits = core().key_hits[static_cast<std::size_t>(key)];
  int n = hits;
  hits = 0;
  return n;
}

int KeyDown(int key) {
  backend::PumpEvents();
  if (key < 0 || key > 255) return 0;
  return core().key_held[static_cast<std::size_t>(key)] ? 1 : 0;
}

int AppTerminate() {
  backend::PumpEvents();
  bool asked = core().close_requested;
  core().close_requested = false;
  return asked ? 1 : 0;
}

int MilliSecs() { return backend::Millisecs(); }

// ------------------------------------------------------------ recording
namespace rec {
// Each entry still the backend's follows the new setting; an entry a test
// has put in stays, and the drawer's other calls are recorded beside it.
namespace {
template <class Fn>
void Follow(Fn& entry, Fn was, Fn now) {
  if (entry == was) entry = now;
}
}  // namespace

void Enable(bool on) {
  CoreState& st = core();
  if (st.gl_table) {
    GLTable& t = *st.gl_table;
    const GLTable& was = backend::GLFunctions(st.rec_enabled);
    const GLTable& now = backend::GLFunctions(on);
    Follow(t.Enable, was.Enable, now.Enable);
    Follow(t.BindTexture, was.BindTexture, now.BindTexture);
    Follow(t.ShadeModel, was.ShadeModel, now.ShadeModel);
    Follow(t.Begin, was.Begin, now.Begin);
    Follow(t.End, was.End, now.End);
    Follow(t.Color4ubv, was.Color4ubv, now.Color4ubv);
    Follow(t.Normal3f, was.Normal3f, now.Normal3f);
    Follow(t.TexCoord2f, was.TexCoord2f, now.TexCoord2f);
    Follow(t.Vertex3f, was.Vertex3f, now.Vertex3f);
  }
  st.rec_enabled = on;
}
bool Enabled() { return core().rec_enabled; }
std::vector<Call>& Calls() { return core().rec_calls; }
void Clear() { core().rec_calls.clear(); }
std::vector<int>& Played() { return core().rec_played; }
}  // namespace rec

// ------------------------------------------------ beneath the 2D layer
TD3D7GraphicsDriver* D3D7GraphicsDriver() { return &core().d3d7; }

TMax2DDriver* ActiveDriver() {
  const CoreState& st = core();
  return st.driver_override ? st.driver_override : backend::Driver();
}

void SetActiveDriver(TMax2DDriver* driver) { core().driver_override = driver; }

GLTable& gl() {
  CoreState& st = core();
  if (!st.gl_table) st.gl_table = backend::GLFunctions(st.rec_enabled);
  return *st.gl_table;
}

}  // namespace plat

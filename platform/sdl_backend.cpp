// The real backend: an SDL2 window with an OpenGL 2.1 compatibility context,
// an offscreen framebuffer that keeps its picture between frames, and
// SDL2_mixer for sound.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/sdl_backend.h"

namespace plat::backend {
namespace {

using Clock = std::chrono::steady_clock;

struct FramebufferFns {
  PFNGLGENFRAMEBUFFERSPROC Gen = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC Delete = nullptr;
  PFNGLBINDFRAMEBUFFERPROC Bind = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC Texture2D = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC Check = nullptr;
  PFNGLBLITFRAMEBUFFERPROC Blit = nullptr;  // may stay null: Present then draws a quad
};

// Everything here is trivially destructible on purpose: static destructors
// run after the exit handler has closed SDL, and must find nothing to undo.
struct WindowState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  int width = 0, height = 0, hertz = 0;
  GLint max_texture = 0;
  FramebufferFns fb;
  GLuint fbo = 0, fbo_texture = 0;
  bool fbo_16 = false;
  GLuint glow_fbo = 0, glow_texture = 0;  // 0: enlarged glows drawn at full size
  int glow_width = 0, glow_height = 0;
  int swap_interval = -1;       // the interval last set successfully, -1 unknown
  bool vsync_paces = false;     // the swap itself waits for a vblank at about hertz
  int fast_swaps = 0;           // successive synced swaps that came too soon
  bool have_deadline = false;
  Clock::time_point deadline;   // when the last synced frame was due
  Clock::time_point last_swap;
};

WindowState g;
// Numbers the GL contexts; textures of an older context died with it.
unsigned g_context_id = 0;
unsigned g_live_context = 0;   // 0 while no context exists
bool g_exit_handler = false;
bool g_pacing = true;           // off: Flip(1) presents at once (benchmarks)
bool g_shut_down = false;

bool g_audio_tried = false;
bool g_audio_open = false;
// Sample id - 1 -> chunk; nullptr for a silent sample (no audio device).
std::vector<Mix_Chunk*>* g_samples = new std::vector<Mix_Chunk*>;

// Consecutive draws of one primitive kind, blend mode and texture (2D draws
// and the textured polygon drawer's alike) wait here and go out as one
// glDrawArrays: llvmpipe's cost is mostly per draw call, and a frame makes
// hundreds of small ones.
//
// kGlow holds additive draws of a soft-edged image enlarged at least
// kGlowMinMagnification times: the clouds, up to thirty times their size and
// often a dozen at once over the whole window, cost llvmpipe most of a frame
// at full resolution. Their sum changes only over many pixels, so it is
// drawn into a buffer kGlowReduction times smaller each way and added onto
// the picture through a bilinear filter: a sixteenth of the fill, within an
// 8-bit level of drawing each glow at full size.
enum class Kind { kNone, kTriangles, kLines, kGlow };
constexpr int kGlowReduction = 4;
constexpr float kGlowMinMagnification = 8.0f;

struct Batch {
  Kind kind = Kind::kNone;
  int blend = 0;
  GLuint texture = 0;         // 0: untextured
  std::vector<GLfloat> xyz;   // 3 per vertex
  std::vector<GLfloat> rgba;  // 4 per vertex
  std::vector<GLfloat> uv;    // 2 per vertex, textured batches only
};
// Never destroyed: static destructors run after the exit handler.
Batch& g_batch = *new Batch;

// The texturing state immediate-mode drawing would find in the GL: what the
// textured polygon drawer set through its table, or what the last 2D draw
// left (a textured one binds its texture, an untextured one turns texturing
// off). Its polygons join the batches with the texture this gives.
struct TableState {
  bool texturing = false;
  GLuint bound = 0;
  bool open = false;          // between Begin and End
  GLenum mode = 0;
  int blend = 0;
  GLfloat rgba[4] = {1, 1, 1, 1};
  GLfloat uv[2] = {0, 0};
  std::vector<GLfloat> xyz, colours, uvs;  // the open primitive's vertices
};
TableState& g_table = *new TableState;

void ApplyBlend(int blend);

void DropBatch() {
  g_batch.kind = Kind::kNone;
  g_batch.xyz.clear();
  g_batch.rgba.clear();
  g_batch.uv.clear();
}

// Draws the batch's vertices with the whole state they depend on set here,
// every time: the present and the glow pass change texturing, bindings and
// blending.
void DrawArrays(GLenum mode, const Batch& b) {
  ApplyBlend(b.blend);
  if (b.texture != 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, b.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, b.uv.data());
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  glShadeModel(GL_SMOOTH);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, b.xyz.data());
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(4, GL_FLOAT, 0, b.rgba.data());
  glDrawArrays(mode, 0, static_cast<GLsizei>(b.xyz.size() / 3));
  // Left as the present's immediate-mode quad expects them.
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (b.texture != 0) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// The glows of the batch: summed in the small buffer, which is then added
// over the box of their vertices (widened by the filter's reach, kept in the
// window).
void FlushGlow(const Batch& b) {
  g.fb.Bind(GL_FRAMEBUFFER, g.glow_fbo);
  glViewport(0, 0, g.glow_width, g.glow_height);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawArrays(GL_TRIANGLES, b);
  g.fb.Bind(GL_FRAMEBUFFER, g.fbo);
  glViewport(0, 0, g.width, g.height);

  float left = b.xyz[0], top = b.xyz[1], right = left, bottom = top;
  for (std::size_t i = 0; i < b.xyz.size(); i += 3) {
    left = std::min(left, b.xyz[i]);
    right = std::max(right, b.xyz[i]);
    top = std::min(top, b.xyz[i + 1]);
    bottom = std::max(bottom, b.xyz[i + 1]);
  }
  const float w = static_cast<float>(g.width), h = static_cast<float>(g.height);
  const float reach = 2.0f * kGlowReduction;
  const float x0 = std::clamp(std::floor(left - reach), 0.0f, w);
  const float y0 = std::clamp(std::floor(top - reach), 0.0f, h);
  const float x1 = std::clamp(std::ceil(right + reach), 0.0f, w);
  const float y1 = std::clamp(std::ceil(bottom + reach), 0.0f, h);
  if (x0 >= x1 || y0 >= y1) return;
  // The small buffer's row 0 is the window's bottom row.
  const GLfloat xyz[] = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y0, 0, x1, y1, 0, x0, y1, 0};
  GLfloat uv[12];
  for (int i = 0; i < 6; ++i) {
    uv[2 * i] = xyz[3 * i] / w;
    uv[2 * i + 1] = 1.0f - xyz[3 * i + 1] / h;
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDisable(GL_ALPHA_TEST);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, g.glow_texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 0, uv);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, xyz);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// Draws what waits.
void Flush() {
  Batch& b = g_batch;
  if (b.kind == Kind::kNone) return;
  if (b.kind == Kind::kGlow) {
    FlushGlow(b);
  } else {
    DrawArrays(b.kind == Kind::kTriangles ? GL_TRIANGLES : GL_LINES, b);
  }
  DropBatch();
}

// Makes the batch take draws of this kind, paint and texture, flushing what
// waits when any of them differs.
Batch& BatchFor(Kind kind, const Paint& p, GLuint texture) {
  Batch& b = g_batch;
  if (b.kind != kind || b.blend != p.blend || b.texture != texture) {
    Flush();
    b.kind = kind;
    b.blend = p.blend;
    b.texture = texture;
  }
  return b;
}

// The batch for a 2D draw, which also leaves its texturing to immediate-mode
// drawing that follows it: a textured draw binds its texture, an untextured
// one turns texturing off.
Batch& Batch2D(Kind kind, const Paint& p, GLuint texture) {
  g_table.texturing = texture != 0;
  if (texture != 0) g_table.bound = texture;
  return BatchFor(kind, p, texture);
}

void AddVertex(Batch& b, const Paint& p, float x, float y) {
  b.xyz.insert(b.xyz.end(), {x, y, 0.0f});
  b.rgba.insert(b.rgba.end(), {p.r, p.g, p.b, p.a});
}


// The pixel whose top-left corner is (x, y), both whole numbers, as two
// triangles: it then joins the untextured fills around it in one draw. Its
// centre lies strictly inside the square, so every rasteriser covers that
// pixel and no other.
void AddPixel(const Paint& p, float x, float y) {
  Batch& b = Batch2D(Kind::kTriangles, p, 0);
  const float x1 = x + 1.0f, y1 = y + 1.0f;
  AddVertex(b, p, x, y);
  AddVertex(b, p, x1, y);
  AddVertex(b, p, x1, y1);
  AddVertex(b, p, x, y);
  AddVertex(b, p, x1, y1);
  AddVertex(b, p, x, y1);
}

// A texture of the context it was made in, deleted with the image unless
// that context is gone.
struct GLTextureFrame : TGLImageFrame {
  unsigned context = 0;
  // Filtered, and every border texel adds nothing in an additive blend: an
  // enlarged draw fades out inside its own edges.
  bool soft_edge = false;
  ~GLTextureFrame() override {
    if (context != 0 && context == g_live_context && name != 0) {
      // Draws waiting with this texture go out first; a later texture may
      // get the same name.
      if (g_batch.texture == name) Flush();
      glDeleteTextures(1, &name);
    }
  }
};

// Whether a textured quad belongs in the glow pass: added, soft-edged and
// enlarged enough along both of its sides. Coordinates that are not finite
// fail the comparisons and keep the quad on the exact path.
bool IsEnlargedGlow(const Paint& p, const TImage& image, const TGLImageFrame& frame,
                    const float xy[8], const float uv[8]) {
  if (g.glow_fbo == 0 || p.blend != LIGHTBLEND) return false;
  // The whole image only: the soft edge is the image's own border.
  for (int i = 0; i < 8; ++i)
    if (uv[i] != 0.0f && uv[i] != 1.0f) return false;
  const auto* f = dynamic_cast<const GLTextureFrame*>(&frame);
  if (f == nullptr || !f->soft_edge) return false;
  auto enlarged = [&](int a, int c) {
    const double pixels =
        std::hypot(double{xy[2 * c]} - xy[2 * a], double{xy[2 * c + 1]} - xy[2 * a + 1]);
    const double texels = std::hypot((double{uv[2 * c]} - uv[2 * a]) * image.width,
                                      (double{uv[2 * c + 1]} - uv[2 * a + 1]) * image.height);
    return pixels >= kGlowMinMagnification * texels && texels > 0;
  };
  return enlarged(0, 1) && enlarged(0, 3);
}

// Whether every texel on the image's border adds nothing in an additive
// blend (no colour, or no alpha).
bool BorderAddsNothing(const TImage& image) {
  const int w = image.width, h = image.height;
  auto nothing = [&](int x, int y) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                           static_cast<std::size_t>(x);
    const std::uint8_t* t = &image.rgba[at * 4];
    return t[3] == 0 || (t[0] == 0 && t[1] == 0 && t[2] == 0);
  };
  for (int x = 0; x < w; ++x)
    if (!nothing(x, 0) || !nothing(x, h - 1)) return false;
  for (int y = 0; y < h; ++y)
    if (!nothing(0, y) || !nothing(w - 1, y)) return false;
  return true;
}

struct GLDriver : TMax2DDriver {
  std::string ToString() const override { return "OpenGL"; }
  std::shared_ptr<TImageFrame> CreateFrame(TImage& image) override;
};

// One driver object per window, all kept to the end: a frame remembers its
// driver by address, so a new window must not reuse an old driver's address.
GLDriver* g_driver = nullptr;
std::vector<std::unique_ptr<GLDriver>>* g_drivers = new std::vector<std::unique_ptr<GLDriver>>;

std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

void ApplyBlend(int blend) {
  switch (blend) {
    case MASKBLEND:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      return;
    case ALPHABLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case LIGHTBLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case SHADEBLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      break;
    default:  // SOLIDBLEND and anything unknown: plain overwrite
      glDisable(GL_BLEND);
      break;
  }
  glDisable(GL_ALPHA_TEST);
}

// The table the textured polygon drawer calls. Its polygons are gathered
// between Begin and End and join the batches as triangles, so the many small
// pieces of a frame go out in a few draws. Texturing and the texture bound
// are followed here; shading is always smooth, and with lighting off the
// normal and colour material change nothing.
void TableEnable(unsigned cap) {
  if (cap == GL_TEXTURE_2D) {
    g_table.texturing = true;
    return;
  }
  Flush();
  glEnable(cap);
}

void TableBindTexture(unsigned target, unsigned name) {
  if (target == GL_TEXTURE_2D) g_table.bound = name;
}

void TableShadeModel(unsigned) {}

// The drawer draws "in the blend mode last set" when its batch begins.
void TableBegin(unsigned mode) {
  TableState& t = g_table;
  t.open = true;
  t.mode = mode;
  t.blend = GetBlend();
  t.xyz.clear();
  t.colours.clear();
  t.uvs.clear();
}

void TableColor4ubv(const unsigned char* c) {
  for (int i = 0; i < 4; ++i) g_table.rgba[i] = static_cast<GLfloat>(c[i]) / 255.0f;
}

void TableNormal3f(float, float, float) {}

void TableTexCoord2f(float u, float v) {
  g_table.uv[0] = u;
  g_table.uv[1] = v;
}

void TableVertex3f(float x, float y, float z) {
  TableState& t = g_table;
  if (!t.open) return;  // outside Begin/End a vertex draws nothing
  t.xyz.insert(t.xyz.end(), {x, y, z});
  t.colours.insert(t.colours.end(), std::begin(t.rgba), std::end(t.rgba));
  t.uvs.insert(t.uvs.end(), {t.uv[0], t.uv[1]});
}

// The primitive as the triangles the GL would make of it: a polygon as a fan
// from its first vertex, a strip with every other triangle turned back. The
// drawer begins nothing else.
void TableEnd() {
  TableState& t = g_table;
  if (!t.open) return;
  t.open = false;
  const int n = static_cast<int>(t.xyz.size() / 3);
  if (g.window == nullptr || n < 3) return;
  const GLuint texture = t.texturing ? t.bound : 0;
  Batch& b = BatchFor(Kind::kTriangles, Paint{1, 1, 1, 1, t.blend}, texture);
  auto put = [&](int i) {
    const auto k = static_cast<std::size_t>(i);
    b.xyz.insert(b.xyz.end(), &t.xyz[3 * k], &t.xyz[3 * k] + 3);
    b.rgba.insert(b.rgba.end(), &t.colours[4 * k], &t.colours[4 * k] + 4);
    if (texture != 0) b.uv.insert(b.uv.end(), &t.uvs[2 * k], &t.uvs[2 * k] + 2);
  };
  for (int i = 0; i + 2 < n; ++i) {
    if (t.mode == GL_TRIANGLE_STRIP) {
      put(i % 2 == 0 ? i : i + 1);
      put(i % 2 == 0 ? i + 1 : i);
      put(i + 2);
    } else if (t.mode == GL_POLYGON) {
      put(0);
      put(i + 1);
      put(i + 2);
    }
  }
}

template <class T>
T LoadGL(const char* name, const char* ext_name) {
  void* f = SDL_GL_GetProcAddress(name);
  if (f == nullptr && ext_name != nullptr) f = SDL_GL_GetProcAddress(ext_name);
  return reinterpret_cast<T>(f);
}

bool LoadFramebufferFns(FramebufferFns* fb) {
  int major = 0;
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version != nullptr) major = std::atoi(version);
  if (major >= 3 || SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object")) {
    fb->Gen = LoadGL<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers", nullptr);
    fb->Delete = LoadGL<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers", nullptr);
    fb->Bind = LoadGL<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer", nullptr);
    fb->Texture2D = LoadGL<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D", nullptr);
    fb->Check = LoadGL<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus", nullptr);
    fb->Blit = LoadGL<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebuffer", nullptr);
  } else if (SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object")) {
    fb->Gen = LoadGL<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffersEXT", nullptr);
    fb->Delete = LoadGL<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffersEXT", nullptr);
    fb->Bind = LoadGL<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebufferEXT", nullptr);
    fb->Texture2D = LoadGL<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2DEXT", nullptr);
    fb->Check = LoadGL<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatusEXT", nullptr);
    if (SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit"))
      fb->Blit = LoadGL<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebufferEXT", nullptr);
  }
  return fb->Gen && fb->Delete && fb->Bind && fb->Texture2D && fb->Check;
}

// A framebuffer drawing into a texture of the first format the renderer
// takes: 16 bits per channel where it allows (a translucent veil then fades
// drawings all the way instead of leaving 8-bit rounding ghosts), else 10 (a
// black veil at 0.13 stops at 3/1023, within one 8-bit level), else 8. On
// llvmpipe 10 bits blends slower than 16 (a full-screen veil 0.26 ms against
// 0.19 ms), so 16 comes first. False, with nothing left behind, when it
// takes none; *red_bits gets the bits per channel.
bool MakeTarget(int width, int height, GLint filter, GLuint* fbo, GLuint* texture,
                GLint* red_bits) {
  for (GLint format : {GL_RGBA16, GL_RGB10_A2, GL_RGBA8}) {
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    g.fb.Gen(1, fbo);
    g.fb.Bind(GL_FRAMEBUFFER, *fbo);
    g.fb.Texture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
    if (g.fb.Check(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, red_bits);
      glBindTexture(GL_TEXTURE_2D, 0);
      return true;
    }
    g.fb.Bind(GL_FRAMEBUFFER, 0);
    g.fb.Delete(1, fbo);
    glDeleteTextures(1, texture);
    *fbo = *texture = 0;
  }
  return false;
}

// Makes the offscreen back buffer and the glow buffer.
bool MakeFramebuffer() {
  if (!LoadFramebufferFns(&g.fb)) return false;
  GLint red_bits = 0;
  if (!MakeTarget(g.width, g.height, GL_NEAREST, &g.fbo, &g.fbo_texture, &red_bits)) return false;
  g.fbo_16 = red_bits >= 16;
  // The glow buffer; without one, enlarged glows are drawn at full size.
  const int gw = (g.width + kGlowReduction - 1) / kGlowReduction;
  const int gh = (g.height + kGlowReduction - 1) / kGlowReduction;
  if (MakeTarget(gw, gh, GL_LINEAR, &g.glow_fbo, &g.glow_texture, &red_bits)) {
    g.glow_width = gw;
    g.glow_height = gh;
  }
  g.fb.Bind(GL_FRAMEBUFFER, g.fbo);
  return true;
}

void SetUpProjection() {
  glViewport(0, 0, g.width, g.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, g.width, g.height, 0, -1, 1);  // window pixels, origin top-left, y down
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DITHER);
  glLineWidth(1.0f);
  glPointSize(1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

void CloseWindow() {
  DropBatch();
  g_table = TableState{};
  if (g.window == nullptr) return;
  if (g.glow_fbo != 0) {
    g.fb.Bind(GL_FRAMEBUFFER, 0);
    g.fb.Delete(1, &g.glow_fbo);
    glDeleteTextures(1, &g.glow_texture);
  }
  if (g.fbo != 0) {
    g.fb.Bind(GL_FRAMEBUFFER, 0);
    g.fb.Delete(1, &g.fbo);
    glDeleteTextures(1, &g.fbo_texture);
  }
  g_live_context = 0;
  SDL_GL_MakeCurrent(g.window, nullptr);
  SDL_GL_DeleteContext(g.context);
  SDL_DestroyWindow(g.window);
  g = WindowState{};
  g_driver = nullptr;
}

// ALSA prints several lines of its own when there is no sound card; the
// game says one instead. Takes effect only where SDL uses ALSA.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void AlsaSaysNothing(const char*, int, const char*, int, const char*, ...) {}

void SetAlsaErrorHandler(AlsaErrorHandler handler) {  // nullptr: ALSA's own
  static void* const set = [] {
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    return lib != nullptr ? dlsym(lib, "snd_lib_error_set_handler") : nullptr;
  }();
  if (set != nullptr) reinterpret_cast<int (*)(AlsaErrorHandler)>(set)(handler);
}

void OpenAudio() {
  if (g_audio_tried || g_shut_down) return;
  g_audio_tried = true;
  // Audio starts apart from video: a failing audio driver must not cost the
  // window. Without a device every sound stays a silent handle.
  SetAlsaErrorHandler(AlsaSaysNothing);
  auto silent = [](const char* why) {
    std::fprintf(stderr, "velkaro: running without sound: %s\n", OneLine(why).c_str());
  };
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return silent(SDL_GetError());
  // The game's sounds are 22050 Hz: a mixer at that rate takes them as
  // they are, where one at 44100 Hz resampled every phrase at load (about
  // 300 ms and 55 MiB more). 512 frames keep the latency of 1024 at 44100.
  // On failure the audio subsystem stays up, unused, until SDL_Quit: closing
  // it here would wait up to 100 ms for the ALSA driver's device-watching
  // thread to wake, on the way to the first frame.
  if (Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 512) != 0) return silent(Mix_GetError());
  g_audio_open = true;
  SetAlsaErrorHandler(nullptr);  // a real device's troubles are worth hearing
}

void Shutdown() {
  g_shut_down = true;
  if (g_audio_open) {
    Mix_HaltChannel(-1);
    for (Mix_Chunk*& chunk : *g_samples) {
      if (chunk != nullptr) Mix_FreeChunk(chunk);
      chunk = nullptr;
    }
    Mix_CloseAudio();
    g_audio_open = false;
  }
  CloseWindow();
  SDL_Quit();
}

void RegisterExitHandler() {
  if (g_exit_handler) return;
  g_exit_handler = true;
  std::atexit(Shutdown);
}

// Windows virtual-key number of a layout-aware SDL key; 0 for keys the game
// has no number for.
int VirtualKey(SDL_Keycode sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return 112 + (sym - SDLK_F1);
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return 97 + (sym - SDLK_KP_1);
  switch (sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: return 13;
    case SDLK_KP_ENTER: return 13;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    case SDLK_LSHIFT: return 160;
    case SDLK_RSHIFT: return 161;
    case SDLK_LCTRL: return 162;
    case SDLK_RCTRL: return 163;
    case SDLK_LALT: return 164;
    case SDLK_RALT: return 165;
    default: return 0;
  }
}

template <class T>
std::vector<T> ReadBack(GLenum type) {
  if (g.window == nullptr) return {};
  const std::size_t row = static_cast<std::size_t>(g.width) * 4;
  std::vector<T> raw(row * static_cast<std::size_t>(g.height));
  Flush();
  if (g.fbo != 0) g.fb.Bind(GL_FRAMEBUFFER, g.fbo);
  else glReadBuffer(GL_BACK);
  glFinish();
  glReadPixels(0, 0, g.width, g.height, GL_RGBA, type, raw.data());
  // GL counts rows from the bottom.
  std::vector<T> out(raw.size());
  for (int y = 0; y < g.height; ++y)
    std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(row * (g.height - 1 - y)), row,
                out.begin() + static_cast<std::ptrdiff_t>(row * y));
  return out;
}

}  // namespace

std::shared_ptr<TImageFrame> GLDriver::CreateFrame(TImage& image) {
  if (g.window == nullptr || this != g_driver) return nullptr;
  const std::size_t pixels = static_cast<std::size_t>(std::max(image.width, 0)) *
                             static_cast<std::size_t>(std::max(image.height, 0));
  if (pixels == 0 || image.rgba.size() < pixels * 4) return nullptr;
  if (image.width > g.max_texture || image.height > g.max_texture) {
    std::fprintf(stderr, "velkaro: image of %dx%d exceeds the renderer's texture size %d\n",
                 image.width, image.height, g.max_texture);
    return nullptr;
  }
  auto frame = std::make_shared<GLTextureFrame>();
  glGenTextures(1, &frame->name);
  frame->context = g_live_context;
  const GLint filter = (image.flags & 2) != 0 ? GL_LINEAR : GL_NEAREST;
  frame->soft_edge = filter == GL_LINEAR && BorderAddsNothing(image);
  glBindTexture(GL_TEXTURE_2D, frame->name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, image.rgba.data());
  return frame;
}

// What start-up tried when no display answered: the displays the
// environment names, or that it names none.
std::string DisplaysTried() {
  auto named = [](const char* var, const char* what) -> std::string {
    const char* v = SDL_getenv(var);
    if (v == nullptr || *v == 0) return "";
    return std::string(what) + " '" + v + "' (" + var + ")";
  };
  const std::string wayland = named("WAYLAND_DISPLAY", "the Wayland display");
  const std::string x11 = named("DISPLAY", "the X display");
  if (wayland.empty() && x11.empty()) return "neither DISPLAY nor WAYLAND_DISPLAY is set";
  if (!wayland.empty() && !x11.empty())
    return "neither " + wayland + " nor " + x11 + " could be opened";
  return (wayland.empty() ? x11 : wayland) + " could not be opened, and " +
         (wayland.empty() ? "WAYLAND_DISPLAY" : "DISPLAY") + " is not set";
}

// The X server went away. Xlib would print lines of its own and exit, and
// the exit handler would then wait for ever on the dead connection: say so
// in one line and end at once.
int LostDisplay(void* /*display*/) {
  const char* name = SDL_getenv("DISPLAY");
  std::fprintf(stderr, "velkaro: lost the display %s (its X server closed the connection)\n",
               name != nullptr ? name : "");
  std::_Exit(1);
}

// Xlib is reached through the library SDL has already loaded, so building
// the game needs no X11 headers.
void SetLostDisplayHandler() {
  void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  void* set = lib != nullptr ? dlsym(lib, "XSetIOErrorHandler") : nullptr;
  using Handler = int (*)(void*);
  if (set != nullptr) reinterpret_cast<Handler (*)(Handler)>(set)(LostDisplay);
}

bool OpenWindow(int width, int height, int hertz, const std::string& title, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = OneLine(why);
    return false;
  };
  CloseWindow();
  if (g_shut_down) return fail("the program is exiting");
  if (width <= 0 || height <= 0)
    return fail("window size " + std::to_string(width) + "x" + std::to_string(height) +
                " is not drawable");
  // Without a Wayland session SDL would still try its Wayland driver first,
  // which prints its own complaint when XDG_RUNTIME_DIR is unset; go
  // straight to X11 then. A driver the user names in SDL_VIDEODRIVER wins.
  const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool x11_only = (wayland == nullptr || *wayland == 0) && (asked == nullptr || *asked == 0);
  if (x11_only) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    if (asked != nullptr && *asked != 0)
      return fail(std::string("the video driver '") + asked +
                  "' (SDL_VIDEODRIVER) did not start: " + SDL_GetError());
    return fail("no display to open it on: " + DisplaysTried() + " (" + SDL_GetError() + ")");
  }
  RegisterExitHandler();
  // Without a display SDL falls back to an invisible offscreen window; a
  // player would see nothing while the program runs on. Only an explicit
  // SDL_VIDEODRIVER may choose such a driver.
  const char* video_driver = SDL_GetCurrentVideoDriver();
  if (video_driver != nullptr && (asked == nullptr || *asked == 0) &&
      (SDL_strcmp(video_driver, "offscreen") == 0 || SDL_strcmp(video_driver, "dummy") == 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return fail("no display to open it on: " + DisplaysTried());
  }
  if (video_driver != nullptr && SDL_strcmp(video_driver, "x11") == 0)
    SetLostDisplayHandler();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);

  SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_OPENGL);
  if (window == nullptr) return fail(std::string("SDL refused the window: ") + SDL_GetError());
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    std::string why = std::string("no OpenGL 2.1 context: ") + SDL_GetError();
    SDL_DestroyWindow(window);
    return fail(why);
  }
  g.window = window;
  g.context = context;
  g.width = width;
  g.height = height;
  g.hertz = hertz;
  g_live_context = ++g_context_id;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &g.max_texture);

  if (!MakeFramebuffer()) {
    // Still usable: the window's own back buffer, which usually but not
    // surely keeps its picture across swaps.
    std::fprintf(stderr, "velkaro: no offscreen framebuffer; drawing to the window directly\n");
  }
  SetUpProjection();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  g.swap_interval = SDL_GL_SetSwapInterval(1) == 0 ? 1 : -1;
  SDL_DisplayMode mode{};
  int refresh = 0;
  if (SDL_GetCurrentDisplayMode(std::max(SDL_GetWindowDisplayIndex(window), 0), &mode) == 0)
    refresh = mode.refresh_rate;
  // The swap paces the loop only when it waits for a vblank that comes no
  // faster than asked; otherwise a timer does.
  g.vsync_paces = g.swap_interval == 1 && (refresh == 0 || refresh <= hertz + 1);

  g_drivers->push_back(std::make_unique<GLDriver>());
  g_driver = g_drivers->back().get();
  OpenAudio();
  return true;
}

bool WindowOpen() { return g.window != nullptr; }

void Clear(int r, int g_, int b) {
  if (g.window == nullptr) return;
  Flush();  // nothing drawn before the clear may land after it
  auto level = [](int v) { return static_cast<float>(std::clamp(v, 0, 255)) / 255.0f; };
  glClearColor(level(r), level(g_), level(b), 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void Present(int sync) {
  if (g.window == nullptr) return;
  Flush();
  if (g.fbo != 0) {
    int dw = g.width, dh = g.height;
    SDL_GL_GetDrawableSize(g.window, &dw, &dh);
    if (g.fb.Blit != nullptr) {
      g.fb.Bind(GL_READ_FRAMEBUFFER, g.fbo);
      g.fb.Bind(GL_DRAW_FRAMEBUFFER, 0);
      g.fb.Blit(0, 0, g.width, g.height, 0, 0, dw, dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
      // The projection puts y down; the texture's row 0 is the picture's bottom.
      g.fb.Bind(GL_FRAMEBUFFER, 0);
      glViewport(0, 0, dw, dh);
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, g.fbo_texture);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
      glBegin(GL_TRIANGLE_FAN);
      glTexCoord2f(0, 1), glVertex2f(0, 0);
      glTexCoord2f(1, 1), glVertex2f(static_cast<float>(g.width), 0);
      glTexCoord2f(1, 0), glVertex2f(static_cast<float>(g.width), static_cast<float>(g.height));
      glTexCoord2f(0, 0), glVertex2f(0, static_cast<float>(g.height));
      glEnd();
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glViewport(0, 0, g.width, g.height);
    }
  }

  if (!g_pacing) sync = 0;
  const int want_interval = sync != 0 ? 1 : 0;
  if (g.swap_interval != want_interval && g.swap_interval != -1) {
    g.swap_interval = SDL_GL_SetSwapInterval(want_interval) == 0 ? want_interval : -1;
  }
  const bool timer = sync != 0 && g.hertz > 0 && !g.vsync_paces;
  const auto period = std::chrono::nanoseconds(1000000000LL / std::max(g.hertz, 1));
  if (timer) {
    // Frames due on a fixed grid, so sleep overshoot does not add up; a late
    // frame moves the grid instead of hurrying the next ones.
    Clock::time_point now = Clock::now();
    Clock::time_point due = g.have_deadline ? g.deadline + period : now;
    if (due > now) std::this_thread::sleep_until(due);
    else due = now;
    g.deadline = due;
    g.have_deadline = true;
  } else {
    g.have_deadline = false;
  }

  SDL_GL_SwapWindow(g.window);
  if (g.fbo != 0) g.fb.Bind(GL_FRAMEBUFFER, g.fbo);

  if (sync != 0 && g.vsync_paces) {
    // A driver may accept the swap interval and still not wait: after a
    // second of swaps clearly faster than asked, pace by the timer instead.
    Clock::time_point now = Clock::now();
    if (now - g.last_swap < period * 8 / 10) {
      if (++g.fast_swaps >= std::max(g.hertz, 1)) g.vsync_paces = false;
    } else {
      g.fast_swaps = 0;
    }
    g.last_swap = now;
  }
}

void PumpEvents() {
  if (g.window == nullptr) return;
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        if (e.key.repeat != 0) break;
        const int code = VirtualKey(e.key.keysym.sym);
        if (code != 0) internal::KeyEvent(code, e.type == SDL_KEYDOWN);
        break;
      }
      case SDL_QUIT:
        internal::CloseRequested();
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) internal::CloseRequested();
        break;
      default:
        break;
    }
  }
}

// Milliseconds since the system started (not since the program did), as a
// 32-bit value that wraps: the game's first pass then usually falls past a
// phrase length, which starts the menu's music and first sky colour at once.
int Millisecs() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<int>(static_cast<std::uint32_t>(ms));
}

TMax2DDriver* Driver() { return g.window != nullptr ? g_driver : nullptr; }

GLTable& GLFunctions() {
  static GLTable table = {TableEnable,    TableBindTexture, TableShadeModel,
                          TableBegin,     TableEnd,         TableColor4ubv,
                          TableNormal3f,  TableTexCoord2f,  TableVertex3f};
  return table;
}

bool Renders() { return true; }

void FillPolygon(const Paint& p, const float* xy, int count) {
  if (g.window == nullptr || count < 3) return;
  Batch& b = Batch2D(Kind::kTriangles, p, 0);
  // The fan's triangles, each in the order the fan itself would draw it.
  for (int i = 1; i + 1 < count; ++i) {
    AddVertex(b, p, xy[0], xy[1]);
    AddVertex(b, p, xy[2 * i], xy[2 * i + 1]);
    AddVertex(b, p, xy[2 * i + 2], xy[2 * i + 3]);
  }
}

void DrawTexturedQuad(const Paint& p, TImage& image, const float xy[8], const float uv[8]) {
  if (g.window == nullptr) return;
  std::shared_ptr<TImageFrame> frame = image.Frame(0);
  auto* gl_frame = dynamic_cast<TGLImageFrame*>(frame.get());
  if (gl_frame == nullptr || gl_frame->name == 0) return;
  const bool glow = IsEnlargedGlow(p, image, *gl_frame, xy, uv);
  Batch& b = Batch2D(glow ? Kind::kGlow : Kind::kTriangles, p, gl_frame->name);
  for (int i : {0, 1, 2, 0, 2, 3}) {
    AddVertex(b, p, xy[2 * i], xy[2 * i + 1]);
    b.uv.insert(b.uv.end(), {uv[2 * i], uv[2 * i + 1]});
  }
}

void DrawThinLine(const Paint& p, float x0, float y0, float x1, float y1) {
  if (g.window == nullptr) return;
  // Between pixel centres: the line covers its first pixel and stops short
  // of its last.
  Batch& b = Batch2D(Kind::kLines, p, 0);
  AddVertex(b, p, x0 + 0.5f, y0 + 0.5f);
  AddVertex(b, p, x1 + 0.5f, y1 + 0.5f);
}

void DrawPoint(const Paint& p, float x, float y) {
  if (g.window == nullptr) return;
  AddPixel(p, x, y);
}

int LoadSample(const unsigned char* wav, std::size_t size) {
  if (wav == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return 0;
  OpenAudio();
  if (!g_audio_open) {
    // No device: a silent sample, so the game's handle stays valid.
    g_samples->push_back(nullptr);
    return static_cast<int>(g_samples->size());
  }
  SDL_RWops* rw = SDL_RWFromConstMem(wav, static_cast<int>(size));
  Mix_Chunk* chunk = rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
  if (chunk == nullptr) {
    std::fprintf(stderr, "velkaro: sound not loaded: %s\n", OneLine(Mix_GetError()).c_str());
    return 0;
  }
  g_samples->push_back(chunk);
  return static_cast<int>(g_samples->size());
}

void PlaySample(int sample_id) {
  if (!g_audio_open || sample_id < 1 || sample_id > static_cast<int>(g_samples->size())) return;
  Mix_Chunk* chunk = (*g_samples)[static_cast<std::size_t>(sample_id - 1)];
  if (chunk == nullptr) return;
  if (Mix_PlayChannel(-1, chunk, 0) != -1) return;
  // Every channel busy: grow the pool rather than drop the sound.
  const int channels = Mix_AllocateChannels(-1);
  if (Mix_Playing(-1) < channels) return;  // failed for another reason
  Mix_AllocateChannels(std::max(8, channels * 2));
  Mix_PlayChannel(-1, chunk, 0);
}

}  // namespace plat::backend

namespace plat::sdl {

std::vector<std::uint8_t> ReadBackBuffer8() {
  return backend::ReadBack<std::uint8_t>(GL_UNSIGNED_BYTE);
}

std::vector<std::uint16_t> ReadBackBuffer16() {
  return backend::ReadBack<std::uint16_t>(GL_UNSIGNED_SHORT);
}

bool BackBufferIs16Bit() { return backend::g.fbo_16; }

bool AudioOpen() { return backend::g_audio_open; }

void SetPacing(bool on) { backend::g_pacing = on; }

}  // namespace plat::sdl

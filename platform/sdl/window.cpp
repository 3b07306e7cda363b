// The real backend's window: an SDL2 window with an OpenGL 2.1 compatibility
// context and an offscreen framebuffer that keeps its picture between
// frames; clearing, presenting and pacing the frames; closing everything at
// exit.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/extras.h"
#include "platform/sdl/internal.h"

namespace plat::backend {

Screen screen;

namespace {

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
  const FramebufferFns& fb = screen.window.fb;
  for (GLint format : {GL_RGBA16, GL_RGB10_A2, GL_RGBA8}) {
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    fb.Gen(1, fbo);
    fb.Bind(GL_FRAMEBUFFER, *fbo);
    fb.Texture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
    if (fb.Check(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, red_bits);
      glBindTexture(GL_TEXTURE_2D, 0);
      return true;
    }
    fb.Bind(GL_FRAMEBUFFER, 0);
    fb.Delete(1, fbo);
    glDeleteTextures(1, texture);
    *fbo = *texture = 0;
  }
  return false;
}

// Makes the offscreen back buffer and the glow buffer.
bool MakeFramebuffer() {
  WindowState& w = screen.window;
  if (!LoadFramebufferFns(&w.fb)) return false;
  GLint red_bits = 0;
  if (!MakeTarget(w.width, w.height, GL_NEAREST, &w.fbo, &w.fbo_texture, &red_bits)) return false;
  w.fbo_16 = red_bits >= 16;
  // The glow buffer; without one, enlarged glows are drawn at full size.
  const int gw = (w.width + kGlowReduction - 1) / kGlowReduction;
  const int gh = (w.height + kGlowReduction - 1) / kGlowReduction;
  if (MakeTarget(gw, gh, GL_LINEAR, &w.glow_fbo, &w.glow_texture, &red_bits)) {
    w.glow_width = gw;
    w.glow_height = gh;
  }
  w.fb.Bind(GL_FRAMEBUFFER, w.fbo);
  return true;
}

void SetUpProjection() {
  const WindowState& w = screen.window;
  glViewport(0, 0, w.width, w.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w.width, w.height, 0, -1, 1);  // window pixels, origin top-left, y down
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
  ResetTable();
  WindowState& w = screen.window;
  if (w.sdl == nullptr) return;
  w.x_window = 0;  // errors on it from here on are of our own closing
  if (w.glow_fbo != 0) {
    w.fb.Bind(GL_FRAMEBUFFER, 0);
    w.fb.Delete(1, &w.glow_fbo);
    glDeleteTextures(1, &w.glow_texture);
  }
  if (w.fbo != 0) {
    w.fb.Bind(GL_FRAMEBUFFER, 0);
    w.fb.Delete(1, &w.fbo);
    glDeleteTextures(1, &w.fbo_texture);
  }
  SDL_GL_MakeCurrent(w.sdl, nullptr);
  SDL_GL_DeleteContext(w.context);
  SDL_DestroyWindow(w.sdl);
  w = WindowState{};
  EndDriver();
}

void Shutdown() {
  screen.shut_down = true;
  CloseAudio();
  CloseWindow();
  SDL_Quit();
}

void RegisterExitHandler() {
  if (screen.exit_handler) return;
  screen.exit_handler = true;
  std::atexit(Shutdown);
}

template <class T>
std::vector<T> ReadBack(GLenum type) {
  const WindowState& w = screen.window;
  if (w.sdl == nullptr) return {};
  const std::size_t row = static_cast<std::size_t>(w.width) * 4;
  std::vector<T> raw(row * static_cast<std::size_t>(w.height));
  Flush();
  if (w.fbo != 0) w.fb.Bind(GL_FRAMEBUFFER, w.fbo);
  else glReadBuffer(GL_BACK);
  glFinish();
  glReadPixels(0, 0, w.width, w.height, GL_RGBA, type, raw.data());
  // GL counts rows from the bottom.
  std::vector<T> out(raw.size());
  for (int y = 0; y < w.height; ++y)
    std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(row * (w.height - 1 - y)), row,
                out.begin() + static_cast<std::ptrdiff_t>(row * y));
  return out;
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

}  // namespace

bool OpenWindow(int width, int height, int hertz, const std::string& title, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = OneLine(why);
    return false;
  };
  CloseWindow();
  if (screen.shut_down) return fail("the program is exiting");
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
  if (video_driver != nullptr && SDL_strcmp(video_driver, "x11") == 0) WatchX();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);

  MakingWindow(true);
  SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_OPENGL);
  if (window != nullptr) KnowWindow(window);
  MakingWindow(false);
  if (window == nullptr) return fail(std::string("SDL refused the window: ") + SDL_GetError());
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    // SDL keeps the errors of making the context to itself; one may be
    // another program destroying the window.
    CheckWindowStands();
    std::string why = std::string("no OpenGL 2.1 context: ") + SDL_GetError();
    screen.window = WindowState{};
    SDL_DestroyWindow(window);
    return fail(why);
  }
  WindowState& w = screen.window;
  w.sdl = window;
  w.context = context;
  w.context_id = ++screen.contexts_made;
  w.width = width;
  w.height = height;
  w.hertz = hertz;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &w.max_texture);

  if (!MakeFramebuffer()) {
    // Still usable: the window's own back buffer, which usually but not
    // surely keeps its picture across swaps.
    std::fprintf(stderr, "velkaro: no offscreen framebuffer; drawing to the window directly\n");
  }
  SetUpProjection();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  w.swap_interval = SDL_GL_SetSwapInterval(1) == 0 ? 1 : -1;
  SDL_DisplayMode mode{};
  int refresh = 0;
  if (SDL_GetCurrentDisplayMode(std::max(SDL_GetWindowDisplayIndex(window), 0), &mode) == 0)
    refresh = mode.refresh_rate;
  // The swap paces the loop only when it waits for a vblank that comes no
  // faster than asked; otherwise a timer does.
  w.vsync_paces = w.swap_interval == 1 && (refresh == 0 || refresh <= hertz + 1);

  StartDriver();
  OpenAudio();
  return true;
}

bool WindowOpen() { return screen.window.sdl != nullptr; }

void Clear(int r, int g, int b) {
  if (screen.window.sdl == nullptr) return;
  Flush();  // nothing drawn before the clear may land after it
  auto level = [](int v) { return static_cast<float>(std::clamp(v, 0, 255)) / 255.0f; };
  glClearColor(level(r), level(g), level(b), 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void Present(int sync) {
  WindowState& w = screen.window;
  if (w.sdl == nullptr) return;
  Flush();
  if (w.fbo != 0) {
    int dw = w.width, dh = w.height;
    SDL_GL_GetDrawableSize(w.sdl, &dw, &dh);
    if (w.fb.Blit != nullptr) {
      w.fb.Bind(GL_READ_FRAMEBUFFER, w.fbo);
      w.fb.Bind(GL_DRAW_FRAMEBUFFER, 0);
      w.fb.Blit(0, 0, w.width, w.height, 0, 0, dw, dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
      // The projection puts y down; the texture's row 0 is the picture's bottom.
      w.fb.Bind(GL_FRAMEBUFFER, 0);
      glViewport(0, 0, dw, dh);
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, w.fbo_texture);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
      glBegin(GL_TRIANGLE_FAN);
      glTexCoord2f(0, 1), glVertex2f(0, 0);
      glTexCoord2f(1, 1), glVertex2f(static_cast<float>(w.width), 0);
      glTexCoord2f(1, 0), glVertex2f(static_cast<float>(w.width), static_cast<float>(w.height));
      glTexCoord2f(0, 0), glVertex2f(0, static_cast<float>(w.height));
      glEnd();
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glViewport(0, 0, w.width, w.height);
    }
  }

  if (!screen.pacing) sync = 0;
  const int want_interval = sync != 0 ? 1 : 0;
  if (w.swap_interval != want_interval && w.swap_interval != -1) {
    w.swap_interval = SDL_GL_SetSwapInterval(want_interval) == 0 ? want_interval : -1;
  }
  const bool timer = sync != 0 && w.hertz > 0 && !w.vsync_paces;
  const auto period = std::chrono::nanoseconds(1000000000LL / std::max(w.hertz, 1));
  if (timer) {
    // Frames due on a fixed grid, so sleep overshoot does not add up; a late
    // frame moves the grid instead of hurrying the next ones.
    Clock::time_point now = Clock::now();
    Clock::time_point due = w.have_deadline ? w.deadline + period : now;
    if (due > now) std::this_thread::sleep_until(due);
    else due = now;
    w.deadline = due;
    w.have_deadline = true;
  } else {
    w.have_deadline = false;
  }

  SDL_GL_SwapWindow(w.sdl);
  if (w.fbo != 0) w.fb.Bind(GL_FRAMEBUFFER, w.fbo);

  if (sync != 0 && w.vsync_paces) {
    // A driver may accept the swap interval and still not wait: after a
    // second of swaps clearly faster than asked, pace by the timer instead.
    Clock::time_point now = Clock::now();
    if (now - w.last_swap < period * 8 / 10) {
      if (++w.fast_swaps >= std::max(w.hertz, 1)) w.vsync_paces = false;
    } else {
      w.fast_swaps = 0;
    }
    w.last_swap = now;
  }
}

}  // namespace plat::backend

namespace plat::sdl {

std::vector<std::uint8_t> ReadBackBuffer8() {
  return backend::ReadBack<std::uint8_t>(GL_UNSIGNED_BYTE);
}

std::vector<std::uint16_t> ReadBackBuffer16() {
  return backend::ReadBack<std::uint16_t>(GL_UNSIGNED_SHORT);
}

bool BackBufferIs16Bit() { return backend::screen.window.fbo_16; }

void SetPacing(bool on) { backend::screen.pacing = on; }

}  // namespace plat::sdl

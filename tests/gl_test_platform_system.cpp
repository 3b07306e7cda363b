// The real backend's window, events, clock and sound under Xvfb.
#include <GL/gl.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/driver.h"
#include "platform/platform.h"
#include "platform/sdl/extras.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

// A PCM WAV of 16-bit stereo samples, a quiet square wave.
std::vector<unsigned char> MakeWav(int frames) {
  const std::uint32_t data_bytes = static_cast<std::uint32_t>(frames) * 4;
  std::vector<unsigned char> w;
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  tag("RIFF");
  put(36 + data_bytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);          // PCM
  put(2, 2);          // channels
  put(22050, 4);
  put(22050 * 4, 4);  // bytes per second
  put(4, 2);          // block align
  put(16, 2);
  tag("data");
  put(data_bytes, 4);
  for (int i = 0; i < frames; ++i) {
    const std::uint16_t s = (i / 50) % 2 ? 2000 : static_cast<std::uint16_t>(-2000);
    put(s, 2);
    put(s, 2);
  }
  return w;
}

const std::vector<unsigned char>& Tone() {
  static const std::vector<unsigned char> tone = MakeWav(22050 * 2);  // two seconds
  return tone;
}

void EmbedTone() { plat::IncbinAdd("tone.wav", Tone().data(), Tone().size()); }

class GlSystem : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (plat::backend::WindowOpen()) return;
    plat::AppTitle("system test");
    ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
  }
};

void PushKey(Uint32 type, SDL_Keycode sym, Uint8 repeat = 0) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat;
  e.key.keysym.sym = sym;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

TEST_F(GlSystem, KeysArriveAsVirtualKeyNumbersAndCloseRequestsAreSeen) {
  while (plat::KeyHit(plat::KEY_Z) != 0) {
  }
  PushKey(SDL_KEYDOWN, SDLK_z);
  PushKey(SDL_KEYDOWN, SDLK_z, 1);  // auto-repeat adds nothing
  PushKey(SDL_KEYUP, SDLK_z);
  PushKey(SDL_KEYDOWN, SDLK_z);
  EXPECT_EQ(plat::KeyHit(plat::KEY_Z), 2);
  EXPECT_EQ(plat::KeyDown(plat::KEY_Z), 1);
  PushKey(SDL_KEYUP, SDLK_z);
  EXPECT_EQ(plat::KeyDown(plat::KEY_Z), 0);

  const std::pair<SDL_Keycode, int> keys[] = {
      {SDLK_ESCAPE, plat::KEY_ESCAPE}, {SDLK_SPACE, plat::KEY_SPACE}, {SDLK_LEFT, plat::KEY_LEFT},
      {SDLK_RIGHT, plat::KEY_RIGHT},   {SDLK_m, plat::KEY_M},         {SDLK_F1, plat::KEY_F1},
      {SDLK_a, 65},                    {SDLK_0, 48},                  {SDLK_9, 57}};
  for (const auto& [sym, code] : keys) {
    plat::KeyHit(code);
    PushKey(SDL_KEYDOWN, sym);
    PushKey(SDL_KEYUP, sym);
    EXPECT_EQ(plat::KeyHit(code), 1) << code;
  }

  EXPECT_EQ(plat::AppTerminate(), 0);
  SDL_Event quit;
  std::memset(&quit, 0, sizeof quit);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_EQ(plat::AppTerminate(), 1);
  EXPECT_EQ(plat::AppTerminate(), 0);
  SDL_Event close;
  std::memset(&close, 0, sizeof close);
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&close);
  EXPECT_EQ(plat::AppTerminate(), 1);
}

// Lower bounds only: pacing must never run faster than asked.
TEST_F(GlSystem, SyncedFlipsKeepToTheHertzAsked) {
  for (int i = 0; i < 3; ++i) plat::Flip(1);
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 30; ++i) plat::Flip(1);
  const auto elapsed = std::chrono::steady_clock::now() - t0;
  // Frames are due on a fixed grid; only one swap's duration may shift the
  // measured end against it.
  EXPECT_GE(elapsed, std::chrono::microseconds(30 * 16666 - 8000));
}

TEST_F(GlSystem, EveryPlayStartsOnItsOwnChannel) {
  EmbedTone();
  ASSERT_TRUE(plat::sdl::AudioOpen()) << "SDL_AUDIODRIVER=dummy should mix";
  const int sound = plat::LoadSound("incbin::tone.wav", 0);
  ASSERT_NE(sound, 0);
  Mix_HaltChannel(-1);
  // More plays than the mixer's first channels: the pool grows, none is dropped.
  for (int i = 0; i < 20; ++i) plat::PlaySound(sound);
  EXPECT_EQ(Mix_Playing(-1), 20);
  Mix_HaltChannel(-1);
}

TEST_F(GlSystem, ReopenedWindowMakesFreshTexturesAndDraws) {
  std::vector<unsigned char> px(4 * 4 * 4, 255);
  plat::TImage image;
  image.width = image.height = 4;
  image.rgba = px;
  auto first = std::dynamic_pointer_cast<plat::TGLImageFrame>(image.Frame(0));
  ASSERT_NE(first, nullptr);

  plat::SetBlend(plat::LIGHTBLEND);  // the 2D layer's, so it outlives the window
  ASSERT_NE(plat::Graphics(320, 240, 0, 60, 0), nullptr);
  auto second = std::dynamic_pointer_cast<plat::TGLImageFrame>(image.Frame(0));
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second.get(), first.get());
  EXPECT_TRUE(glIsTexture(second->name));
  first.reset();  // the old context's texture must not take the new one with it
  EXPECT_TRUE(glIsTexture(second->name));

  // The drawer's polygons in the new window blend as set before it opened.
  plat::SetClsColor(0, 100, 0);
  plat::Cls();
  plat::GLTable& gl = plat::gl();
  const unsigned char red[4] = {255, 0, 0, 255};
  gl.Begin(GL_POLYGON);
  for (auto [x, y] : {std::pair{10.0f, 10.0f}, {20.0f, 10.0f}, {20.0f, 20.0f}, {10.0f, 20.0f}}) {
    gl.Color4ubv(red);
    gl.Vertex3f(x, y, 0);
  }
  gl.End();
  const std::vector<std::uint8_t> added = plat::sdl::ReadBackBuffer8();
  ASSERT_EQ(added.size(), 320u * 240u * 4u);
  EXPECT_EQ(added[(15u * 320u + 15u) * 4u], 255);
  EXPECT_EQ(added[(15u * 320u + 15u) * 4u + 1], 100);

  plat::SetBlend(plat::ALPHABLEND);
  plat::SetAlpha(1);
  plat::SetScale(1, 1);
  plat::SetColor(255, 255, 255);
  plat::SetClsColor(0, 0, 0);
  plat::Cls();
  plat::DrawImage(&image, 300, 220);
  const std::vector<std::uint8_t> pic = plat::sdl::ReadBackBuffer8();
  ASSERT_EQ(pic.size(), 320u * 240u * 4u);
  EXPECT_EQ(pic[(221u * 320u + 301u) * 4u], 255);
  EXPECT_EQ(pic[(219u * 320u + 301u) * 4u], 0);
  ASSERT_NE(plat::Graphics(640, 480, 0, 60, 0), nullptr);
}

// Each check runs in a fresh copy of this program, where no window is open.
TEST(GlSystemAlone, NoDisplayGivesAReasonAndNoCrash) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("DISPLAY", "", 1);
        unsetenv("WAYLAND_DISPLAY");
        std::exit(plat::Graphics(640, 480, 0, 60, 0) == nullptr && !plat::backend::WindowOpen()
                      ? 0
                      : 1);
      },
      ::testing::ExitedWithCode(0), "velkaro: cannot open a window: .+");
}

// Ways a destroyed window's next request fails: the GL driver's own as it
// presents, or a request naming it made on the game's connection, as SDL
// or the driver would.
enum class Use { kInFlight, kBadWindow, kBadDrawable, kGlxBadDrawable };

void Request(Display* display, Window window, Use use) {
  switch (use) {
    case Use::kInFlight:
      break;
    case Use::kBadWindow: {
      XWindowAttributes attributes;
      XGetWindowAttributes(display, window, &attributes);
      break;
    }
    case Use::kBadDrawable: {
      Window root;
      int x, y;
      unsigned width, height, border, depth;
      XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
      break;
    }
    case Use::kGlxBadDrawable: {
      unsigned value = 0;
      glXQueryDrawable(display, window, GLX_WIDTH, &value);
      break;
    }
  }
  XSync(display, False);
}

unsigned long game_window = 0;
int passed_on = 0;

// Stands in for the handler set before the game's, Xlib's, which prints the
// failed request and exits: counts what reaches it, and ends the process
// with status 5 when an error about the game's window does (the game's own
// handler must have ended it first).
int StandInForXlib(Display*, XErrorEvent* error) {
  if (game_window != 0 && error->resourceid == game_window) {
    std::fprintf(stderr, "error %d about the game's window passed on\n", error->error_code);
    std::_Exit(5);
  }
  return ++passed_on, 0;
}

// X errors on anything but the game's window still reach the handler set
// before it opened, also after a second window; another program destroying
// the game's window ends it with its own line, whichever request then
// fails. Exits 1 from the game's handler; 2, 3 or 4 when a step fails, 5
// when an error about its window was passed on.
[[noreturn]] void DestroyTheWindowFromAnotherClient(Use use) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);  // no line about sound on a host without a device
  XSetErrorHandler(StandInForXlib);
  plat::AppTitle("destroyed");
  if (plat::Graphics(320, 240, 0, 60, 0) == nullptr ||
      plat::Graphics(640, 480, 0, 60, 0) == nullptr)
    std::exit(2);
  Display* const game = static_cast<Display*>(plat::sdl::XDisplay());
  game_window = plat::sdl::XWindow();
  Display* other = XOpenDisplay(nullptr);
  if (game == nullptr || game_window == 0 || other == nullptr) std::exit(2);
  // A window destroyed and then used, as the game's will be, but another's.
  const Window gone = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
  XDestroyWindow(other, gone);
  for (Use another : {Use::kBadWindow, Use::kBadDrawable, Use::kGlxBadDrawable})
    Request(other, gone, another);
  if (passed_on != 3) std::exit(3);
  std::fputs("another's errors passed on\n", stderr);  // the game's line must follow

  XDestroyWindow(other, game_window);
  XSync(other, False);
  Request(game, game_window, use);
  // The driver's failing request's error comes back with the next events read.
  for (int i = 0; i < 100; ++i) {
    plat::Flip(0);
    SDL_PumpEvents();
  }
  std::exit(4);
}

class GlSystemDestroyed : public ::testing::TestWithParam<Use> {};

std::string UseName(const ::testing::TestParamInfo<Use>& info) {
  const char* const names[] = {"InFlight", "BadWindow", "BadDrawable", "GlxBadDrawable"};
  return names[static_cast<int>(info.param)];
}

TEST_P(GlSystemDestroyed, OnlyItsWindowDestroyedEndsTheGame) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DestroyTheWindowFromAnotherClient(GetParam()), ::testing::ExitedWithCode(1),
              "^another's errors passed on\n"
              "velkaro: the game's window was destroyed by another program\n$");
}

INSTANTIATE_TEST_SUITE_P(Uses, GlSystemDestroyed,
                         ::testing::Values(Use::kInFlight, Use::kBadWindow, Use::kBadDrawable,
                                           Use::kGlxBadDrawable),
                         UseName);

TEST(GlSystemAlone, WithoutAnAudioDeviceSoundsAreSilentHandles) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EmbedTone();
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
        plat::AppTitle("silent");
        const bool window = plat::Graphics(640, 480, 0, 60, 0) != nullptr;
        const int sound = plat::LoadSound("incbin::tone.wav", 0);
        for (int i = 0; i < 3; ++i) plat::PlaySound(sound);
        std::exit(window && sound != 0 && !plat::sdl::AudioOpen() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

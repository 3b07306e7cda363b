// What the rooms of the real backend share: the window's state, which the
// window room (window.cpp) owns and the others read; the batch, which
// the batcher (batch.cpp) owns and the GL table fills; and the few calls
// one room makes into another. Included by this folder's files only.
#pragma once

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace plat::backend {

using Clock = std::chrono::steady_clock;

struct FramebufferFns {
  PFNGLGENFRAMEBUFFERSPROC Gen = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC Delete = nullptr;
  PFNGLBINDFRAMEBUFFERPROC Bind = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC Texture2D = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC Check = nullptr;
  PFNGLBLITFRAMEBUFFERPROC Blit = nullptr;  // may stay null: Present then draws a quad
};

// The open window; all zero while none is. Trivially destructible on
// purpose: static destructors run after the exit handler has closed SDL,
// and must find nothing to undo.
struct WindowState {
  SDL_Window* sdl = nullptr;
  SDL_GLContext context = nullptr;
  unsigned context_id = 0;      // numbers the contexts; textures die with theirs
  int width = 0, height = 0, hertz = 0;
  void* x_display = nullptr;    // SDL's X connection; null off X11
  unsigned long x_window = 0;   // its X window; 0 off X11, or while it closes
  GLint max_texture = 0;
  FramebufferFns fb;
  GLuint fbo = 0, fbo_texture = 0;
  bool fbo_16 = false;
  GLuint glow_fbo = 0, glow_texture = 0;  // 0: enlarged glows drawn at full size
  int glow_width = 0, glow_height = 0;
  // Pacing.
  int swap_interval = -1;       // the interval last set successfully, -1 unknown
  bool vsync_paces = false;     // the swap itself waits for a vblank at about hertz
  int fast_swaps = 0;           // successive synced swaps that came too soon
  bool have_deadline = false;
  Clock::time_point deadline;   // when the last synced frame was due
  Clock::time_point last_swap;
};

// The window room's state: the open window and what outlives it.
struct Screen {
  WindowState window;
  unsigned contexts_made = 0;
  bool exit_handler = false;
  bool pacing = true;           // off: Flip(1) presents at once (benchmarks)
  bool shut_down = false;
};
extern Screen screen;

// A message of SDL's on one line.
inline std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

// The glow buffer is this many times smaller each way than the window.
constexpr int kGlowReduction = 4;

// ------------------------------------------------------------- the batcher
// Consecutive draws of one primitive kind, blend mode and texture (2D draws
// and the textured polygon drawer's alike) wait in one batch and go out as
// one glDrawArrays. kGlow: enlarged soft glows, drawn through the glow
// buffer (batch.cpp says why).
enum class Kind { kNone, kTriangles, kLines, kGlow };

struct Batch {
  Kind kind = Kind::kNone;
  int blend = 0;
  GLuint texture = 0;         // 0: untextured
  std::vector<GLfloat> xyz;   // 3 per vertex
  std::vector<GLfloat> rgba;  // 4 per vertex
  std::vector<GLfloat> uv;    // 2 per vertex, textured batches only
};

// Draws what waits.
void Flush();
// Makes the batch take draws of this kind, blend and texture, flushing what
// waits when any of them differs.
Batch& BatchFor(Kind kind, int blend, GLuint texture);
// Forgets what waits, undrawn (the window is closing).
void DropBatch();
// A new window's driver, and the end of the closing window's.
void StartDriver();
void EndDriver();

// ------------------------------------------------------------ the GL table
// A 2D draw leaves its texturing to immediate-mode drawing that follows it:
// a textured draw binds its texture, an untextured one turns texturing off.
void TableFollows2D(GLuint texture);
// Forgets what the closing window's context held.
void ResetTable();

// ------------------------------------------------------------------- the X room
// Sets the handlers for the X server going away and for another program
// destroying the game's window (on the x11 video driver only).
void WatchX();
// While on, errors about a window of the game's own connection are about the
// game's window: SDL is making it, and its id is not known yet.
void MakingWindow(bool on);
// Learns the X window beneath the SDL window (into screen.window), from
// which on errors about it end the game.
void KnowWindow(SDL_Window* window);
// Asks the X server about the game's window: when another program has
// destroyed it, the answer's error ends the game with its own line. For
// failures whose errors SDL kept to itself.
void CheckWindowStands();

// ---------------------------------------------------------------- the audio
void OpenAudio();
// Closes the device for good (the program is exiting).
void CloseAudio();

}  // namespace plat::backend

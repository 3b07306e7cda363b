// What the platform's common code asks of a backend. Exactly one backend,
// each a folder of its own (sdl/ for the real window, headless/ for tests
// and tools), is linked into each executable.
#pragma once

#include <cstddef>
#include <string>

#include "platform/driver.h"
#include "platform/platform.h"

namespace plat::backend {

// The drawing colour and alpha, already clamped to 0..1, and the blend mode.
struct Paint {
  float r, g, b, a;
  int blend;
};

// Opens the window; false with a one-line reason when it cannot.
bool OpenWindow(int width, int height, int hertz, const std::string& title, std::string* error);
bool WindowOpen();
void Clear(int r, int g, int b);
// Presents the back buffer (which keeps its picture) and, with sync, paces
// the loop at the hertz asked for.
void Present(int sync);
// Delivers pending window events through internal::KeyEvent and
// internal::CloseRequested.
void PumpEvents();
int Millisecs();
// The backend's own 2D driver (the OpenGL one); nullptr before OpenWindow.
TMax2DDriver* Driver();
// The OpenGL function table of the backend (real calls or no-ops). A
// backend that records the drawer's calls gives while `recording` a table
// that records, and else one whose entries do nothing at all, so that the
// per-vertex calls cost next to nothing when nobody reads them.
const GLTable& GLFunctions(bool recording);
// The blend mode the 2D layer has in force, handed over whenever it changes:
// what draws through the GL table blend with, as the other draws are handed
// theirs in their Paint.
void SetTableBlend(int blend);
// Whether the drawing calls below do anything; the common code skips the
// geometry work when they do not.
bool Renders();

// Geometry is in window pixels, already scaled and placed.
void FillPolygon(const Paint& p, const float* xy, int count);   // convex, count points
void DrawTexturedQuad(const Paint& p, TImage& image, const float xy[8], const float uv[8]);
// A one-pixel line from pixel (x0, y0) to pixel (x1, y1), whole numbers
// naming each pixel by its top-left corner; it covers its first pixel and
// leaves its last to a DrawPoint.
void DrawThinLine(const Paint& p, float x0, float y0, float x1, float y1);
// The pixel whose top-left corner is (x, y), both whole numbers.
void DrawPoint(const Paint& p, float x, float y);

// Sound: sample ids are >= 1; 0 means the bytes were not a usable sample,
// with the reason in `why`. PCM data is interleaved signed 16-bit (or 8-bit
// unsigned) as in the WAV.
int LoadSample(const unsigned char* wav, std::size_t size, std::string* why);
void PlaySample(int sample_id);

}  // namespace plat::backend

namespace plat::internal {
// Called by backends for real window events.
void KeyEvent(int key_code, bool down);
void CloseRequested();
}  // namespace plat::internal

// Extras of the real SDL2/OpenGL backend that the game never calls: what its
// pixel tests read back, the X ids its window tests act on, and the
// benchmark's pacing switch.
#pragma once

#include <cstdint>
#include <vector>

namespace plat::sdl {

// The back buffer's picture (the offscreen framebuffer the 2D layer draws
// into), rows from the top, 4 channels RGBA per pixel; empty when no window
// is open. The 8-bit read rounds the 16-bit channels.
std::vector<std::uint8_t> ReadBackBuffer8();
std::vector<std::uint16_t> ReadBackBuffer16();
// Whether the back buffer has 16 bits per channel.
bool BackBufferIs16Bit();
// Whether sounds reach a real mixer (false: every sound is silent).
bool AudioOpen();
// The open window's X connection (an Xlib Display*) and X window; null and
// 0 off X11 or while no window is open.
void* XDisplay();
unsigned long XWindow();

// For the benchmark, which times unpaced frames: on (the default), Flip(1)
// waits for the vertical blank or a 60 Hz timer; off, every Flip presents at
// once.
void SetPacing(bool on);

}  // namespace plat::sdl

// Beneath the 2D layer: the graphics drivers, their image frames and the
// OpenGL function table. The textured polygon drawer draws through these,
// and tests put stand-ins in their place; the game itself never sees them.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace plat {

struct TImageFrame {
  virtual ~TImageFrame() = default;
};
// The OpenGL driver's frame: the texture name of the frame.
struct TGLImageFrame : TImageFrame {
  unsigned name = 0;
};
// The Direct3D 7 driver's frame (only the stand-in driver ever makes one).
struct TD3D7ImageFrame : TImageFrame {
  int id = 0;
};

// The active 2D driver: "OpenGL", or "DirectX7" for the Direct3D 7 driver.
struct TMax2DDriver {
  virtual ~TMax2DDriver() = default;
  virtual std::string ToString() const = 0;
  // Makes the driver's frame for an image (nullptr when it cannot).
  virtual std::shared_ptr<TImageFrame> CreateFrame(TImage& image) = 0;
};

struct IDirect3DDevice7 {
  virtual ~IDirect3DDevice7() = default;
  virtual long DrawPrimitive(int primitive_type, unsigned vertex_format, void* vertices,
                             unsigned vertex_count, unsigned flags) = 0;
};

// The Direct3D 7 2D driver (never started on this platform; tests install a
// stand-in through SetActiveDriver).
struct TD3D7Max2DDriver : TMax2DDriver {
  std::string ToString() const override { return "DirectX7"; }
  virtual void SetActiveFrame(TD3D7ImageFrame* frame) = 0;
};

struct TD3D7GraphicsDriver {
  IDirect3DDevice7* device = nullptr;
  IDirect3DDevice7* Direct3DDevice7() { return device; }
};
TD3D7GraphicsDriver* D3D7GraphicsDriver();

// The driver of the window that Graphics opened; nullptr before.
TMax2DDriver* ActiveDriver();
// For tests: replaces the active driver (nullptr restores the backend's).
void SetActiveDriver(TMax2DDriver* driver);

// The immediate-mode OpenGL calls of the textured polygon drawer go through
// this table. The real backend's entries stand in for the GL: they gather
// each primitive and add it as triangles to the backend's draw batches, in
// order with the 2D draws. The headless backend's do nothing, or record the
// calls while recording is on; a test may put in its own.
struct GLTable {
  void (*Enable)(unsigned cap);
  void (*BindTexture)(unsigned target, unsigned name);
  void (*ShadeModel)(unsigned mode);
  void (*Begin)(unsigned mode);
  void (*End)();
  void (*Color4ubv)(const unsigned char* rgba);
  void (*Normal3f)(float x, float y, float z);
  void (*TexCoord2f)(float u, float v);
  void (*Vertex3f)(float x, float y, float z);
};
GLTable& gl();

}  // namespace plat

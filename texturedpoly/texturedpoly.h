// Draws one frame of an image as a textured, vertex-coloured triangle fan,
// strip or thick line directly on the active graphics driver, beneath the
// platform's 2D layer.
#pragma once

#include <memory>
#include <vector>

#include "platform/platform.h"

namespace plat {
struct TD3D7ImageFrame;  // platform/driver.h
struct TGLImageFrame;
}  // namespace plat

namespace texturedpoly {

// The module's own state; fresh values are the start values.
struct ModuleState {
  std::shared_ptr<plat::TD3D7ImageFrame> currentD3DFrame;
  std::shared_ptr<plat::TGLImageFrame> currentGLFrame;
  int usingD3D7 = 0;
  bool batchOpen = false;  // an OpenGL glBegin without its glEnd yet
  // Each said once per run: they would otherwise repeat every frame.
  bool warnedNoFrame = false;
  bool warnedNoDevice = false;
};
ModuleState& state();
void ResetModuleState();

// A type with no fields; every operation is a type function.
struct TPoly {
  static void _Begin();
  static void _End();
  static void Initialise();
  static void GetFrame(plat::TImage* Image, int Frame, int RenderType, int Line);
  static void Draw(plat::TImage* Image, int Frame, const std::vector<float>& xyuv, int RenderType,
                   int Line);
  static void Line(plat::TImage* Image, int Frame, float x0, float y0, int c0, float x1, float y1,
                   int c1, float width, unsigned char endpoints, unsigned char rot);
};

}  // namespace texturedpoly

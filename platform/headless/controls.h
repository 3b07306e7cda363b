// Controls of the headless backend: the scripted clock, keys and close
// requests. Only tests and tools that link the headless backend use these.
#pragma once

namespace plat::headless {

void SetClock(int ms);
int Clock();
void KeyDown(int key_code);   // a press (counts one hit unless already held)
void KeyUp(int key_code);
void RequestClose();

}  // namespace plat::headless

#include <string>
#include <vector>

#include "platform/backend.h"

namespace plat::headless {

// For tests of the common drawing code: while capture is on, the backend
// reports that it renders and keeps every primitive it is given here.
struct Primitive {
  std::string kind;  // "Clear", "FillPolygon", "DrawTexturedQuad", "DrawThinLine", "DrawPoint"
  backend::Paint paint{};
  std::vector<float> xy;  // points, window pixels (Clear: r, g, b)
  std::vector<float> uv;  // DrawTexturedQuad only
  const TImage* image = nullptr;
};
void CapturePrimitives(bool on);
std::vector<Primitive>& Primitives();

}  // namespace plat::headless

// Recording of the platform calls a frame makes, for tests and tools. Works
// over any backend; off unless a test switches it on.
#pragma once

#include <string>
#include <vector>

namespace plat::rec {

struct Call {
  std::string op;             // "DrawRect", "DrawOval", "DrawLine", "Plot", "DrawImage",
                              // "DrawText", "SetColor", "SetAlpha", "SetBlend", "SetScale",
                              // "SetLineWidth", "SetImageHandle", "Flip", "Cls", "PlaySound";
                              // on the headless backend also the textured polygon
                              // drawer's "glBegin", "glVertex3f", ...
  std::vector<double> args;   // the call's numeric arguments as given
  std::string text;           // DrawText's text
  int r = 0, g = 0, b = 0;    // drawing state when the call was made
  float alpha = 1, sx = 1, sy = 1, line_width = 1;
  int blend = 0;
};

void Enable(bool on);
bool Enabled();
std::vector<Call>& Calls();
void Clear();
// Every PlaySound call with a non-zero handle, as sound handles, in order.
// Recorded whether or not drawing calls are recorded.
std::vector<int>& Played();

}  // namespace plat::rec

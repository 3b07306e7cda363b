// An image stretched over four whole-pixel corners, tinted with the current
// colour and alpha, drawn as one fan through the textured polygon drawer.
#include <cstdint>
#include <vector>

#include "platform/numeric.h"
#include "texturedpoly/texturedpoly.h"
#include "velkaro/velkaro.h"

namespace velkaro {

float FloatInt(int i32) { return plat::BitsToFloat(i32); }

void drawTextPoly(plat::TImage* img, int xa, int ya, int x2a, int y2a, int x3a, int y3a, int x4a,
                  int y4a) {
  const float x1 = static_cast<float>(xa), y1 = static_cast<float>(ya);
  const float x2 = static_cast<float>(x2a), y2 = static_cast<float>(y2a);
  const float x3 = static_cast<float>(x3a), y3 = static_cast<float>(y3a);
  const float x4 = static_cast<float>(x4a), y4 = static_cast<float>(y4a);

  int r = 0, g = 0, b = 0;
  plat::GetColor(r, g, b);
  const int alph = plat::Int(static_cast<double>(plat::GetAlpha()) * 255.0);
  // Components go in unclamped and unmasked: out-of-range values spill into
  // the neighbouring bytes. Shifted as unsigned so the spill past bit 31 is
  // simply lost.
  const std::uint32_t packed = (static_cast<std::uint32_t>(alph) << 24) |
                               (static_cast<std::uint32_t>(r) << 16) |
                               (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
  const int light = static_cast<int>(packed);

  const float ctop = FloatInt(light);
  const float cleft = FloatInt(light);
  const float cright = FloatInt(light);
  const float cbottom = FloatInt(light);

  // The fan runs corner 1, 2, 4, 3 around the quadrilateral. One buffer
  // serves every call, so a frame's many wing pieces allocate nothing.
  static std::vector<float> xyuv;
  xyuv.assign({
      x1, y1, 0, 0, 0, 1, ctop,    0, 0,  //
      x2, y2, 0, 0, 0, 1, cleft,   0, 1,  //
      x4, y4, 0, 0, 0, 1, cbottom, 1, 1,  //
      x3, y3, 0, 0, 0, 1, cright,  1, 0,  //
  });

  texturedpoly::TPoly::_Begin();
  texturedpoly::TPoly::Draw(img, 0, xyuv, 6, 0);
  texturedpoly::TPoly::_End();
}

}  // namespace velkaro

// Placeholder until the drawer is written.
#include "texturedpoly/texturedpoly.h"

namespace texturedpoly {

ModuleState& state() {
  static ModuleState s;
  return s;
}
void ResetModuleState() { state() = ModuleState{}; }

void TPoly::_Begin() {}
void TPoly::_End() {}
void TPoly::Initialise() {}
void TPoly::GetFrame(plat::TImage*, int, int, int) {}
void TPoly::Draw(plat::TImage*, int, const std::vector<float>&, int, int) {}
void TPoly::Line(plat::TImage*, int, float, float, int, float, float, int, float, unsigned char,
                 unsigned char) {}

}  // namespace texturedpoly

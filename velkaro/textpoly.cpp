// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

float FloatInt(int) { return 0; }
void drawTextPoly(plat::TImage*, int, int, int, int, int, int, int, int) {}

}  // namespace velkaro

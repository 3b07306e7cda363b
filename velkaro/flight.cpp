// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

int updatebird() { return 0; }
int updatewind() { return 0; }
void drawFatigue() {}

}  // namespace velkaro

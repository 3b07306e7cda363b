// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void addWave() {}
void drawWaves() {}

}  // namespace velkaro

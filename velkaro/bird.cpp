// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void drawBird() {}
void drawFollowerBird(int, int, int, int) {}

}  // namespace velkaro

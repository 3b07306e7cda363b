// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void addThing() {}
void drawThings(int) {}

}  // namespace velkaro

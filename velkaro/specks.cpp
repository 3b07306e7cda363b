// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void addSpeck() {}
void drawSpecks() {}

}  // namespace velkaro

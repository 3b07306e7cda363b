// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

int loadSounds() { return 0; }
int picksound() { return 0; }

}  // namespace velkaro

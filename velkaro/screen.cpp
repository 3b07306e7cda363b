// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

int drawScreen() { return 0; }

}  // namespace velkaro

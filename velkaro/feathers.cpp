// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void addFeather(int, int) {}

}  // namespace velkaro

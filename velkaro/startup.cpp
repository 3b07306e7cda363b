// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void registerEmbeddedFiles() {}
bool startup() { return true; }
int initvars() { return 0; }

}  // namespace velkaro

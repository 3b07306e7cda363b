#include "velkaro/state.h"

namespace velkaro {

Game g;

void ResetProgramState() {
  g = Game{};
  plat::ResetPlatformState();
}

}  // namespace velkaro

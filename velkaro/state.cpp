#include "velkaro/state.h"

#include "texturedpoly/texturedpoly.h"

namespace velkaro {

Game g;

// Everything a fresh process would have: the game, the platform beneath it
// and the drawer's module state, its once-per-run warnings included.
void ResetProgramState() {
  g = Game{};
  plat::ResetPlatformState();
  texturedpoly::ResetModuleState();
}

}  // namespace velkaro

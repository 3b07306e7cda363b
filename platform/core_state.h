// The platform's own state, in one object so that a test can start afresh.
#pragma once

namespace plat {

struct CoreState {
  int rnd_state = 4660;
};

CoreState& core();

}  // namespace plat

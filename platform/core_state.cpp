#include "platform/core_state.h"

namespace plat {

CoreState& core() {
  static CoreState state;
  return state;
}

}  // namespace plat

// The game's state after a pass as one JSON line.
#pragma once

#include "tools/trace/output.h"

namespace trace {

// Writes the line of pass `pass` from the game's state as it is; with dump,
// the five object lists' records follow. The phrases listed as played are
// those recorded since plat::rec::Played() was last cleared.
void writeStateLine(Out& o, long long pass, bool dump);

}  // namespace trace

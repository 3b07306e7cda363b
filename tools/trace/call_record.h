// The record of what the game asks of the platform: one line per call, each
// number as the shortest text that reads back exactly, so a change of one ulp
// shows.
#pragma once

#include "tools/trace/output.h"

namespace trace {

// Writes a heading (head, then the pass number unless it is negative) and
// the calls recorded since the last clear, then clears them. In full, each
// call follows on a line of its own; otherwise the heading ends with their
// count and a 64-bit FNV-1a digest of their lines.
void writeCalls(Out& o, const char* head, long long pass, bool full);

}  // namespace trace

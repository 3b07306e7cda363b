// Geometry helpers of the 2D drawing operations.
#pragma once

namespace plat {

// The number of points of an oval polygon for scaled sizes w and h:
// Max(Int(|w/2| + |h/2|), 12) with the two lowest bits cleared.
int OvalPointCount(float width, float height);

}  // namespace plat

// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

const std::string& storyLine(int) { static const std::string empty; return empty; }
int drawFlapStats() { return 0; }
int drawTextLine() { return 0; }

}  // namespace velkaro

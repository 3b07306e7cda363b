// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void drawOutlineText(const std::string&, int, int) {}
int drawWind() { return 0; }
int drawScore() { return 0; }
int drawmenu() { return 0; }

}  // namespace velkaro

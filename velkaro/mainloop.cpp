// Placeholder until this concern is written.
#include "velkaro/velkaro.h"

namespace velkaro {

void mainPrepare() {}
bool mainLoopTest() { return false; }
void mainPass() {}
int main() { return 0; }
void narrativeStep() {}

}  // namespace velkaro

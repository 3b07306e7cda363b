// The game's entry point: register the embedded files, start up, run the
// main loop. Takes no command line.
#include "velkaro/velkaro.h"

int main() {
  velkaro::registerEmbeddedFiles();
  if (!velkaro::startup()) return 1;
  velkaro::main();
  return 0;
}

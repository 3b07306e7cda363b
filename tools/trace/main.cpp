// velkaro-trace: runs the game's own start-up, preparation and passes on the
// headless platform, driven by a scenario of keys, close requests and clock
// readings, and prints the game's state after every pass as one JSON line.
//
//   velkaro-trace SCENARIO      (a file, or - for standard input)
//   velkaro-trace --calls N SCENARIO
//
// With --calls it prints what the game asks of the platform instead: every
// call of start-up and of passes 0 to N-1 in full, one per line, and for
// each later pass only its call count and a digest of its lines.
// Exit status 0 when the scenario ran out or the loop ended; 2 on a
// malformed or unreadable scenario (one line on stderr naming the file or
// line and the cause); 1 when the trace cannot be written or the game could
// not start.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "platform/record.h"
#include "tools/trace/call_record.h"
#include "tools/trace/output.h"
#include "tools/trace/replay.h"
#include "tools/trace/scenario.h"
#include "velkaro/velkaro.h"

int main(int argc, char** argv) {
  // Passes printed in full with --calls; -1 prints the state instead.
  long long fullCalls = -1;
  if (argc == 4 && std::strcmp(argv[1], "--calls") == 0) {
    const std::optional<int> n = trace::parseInt(argv[2]);
    if (n && *n >= 0) fullCalls = *n;
  }
  if (argc != 2 && fullCalls < 0) {
    std::fprintf(stderr, "usage: velkaro-trace [--calls N] SCENARIO   (a file, or - for standard "
                         "input)\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  std::string text, why;
  if (!trace::readScenario(path, text, why)) {
    const std::string name =
        std::strcmp(path, "-") == 0 ? "standard input" : std::string("'") + path + "'";
    std::fprintf(stderr, "velkaro-trace: cannot read the scenario from %s: %s\n", name.c_str(),
                 why.c_str());
    return 2;
  }
  // The whole scenario is checked before the first pass, so a malformed one
  // prints nothing.
  try {
    trace::Directives check(text);
    while (check.next()) {
    }
  } catch (const trace::ParseError& e) {
    std::fprintf(stderr, "velkaro-trace: line %lld: %s\n", e.line, e.what.c_str());
    return 2;
  }
  const bool calls = fullCalls >= 0;
  plat::rec::Enable(calls);
  velkaro::registerEmbeddedFiles();
  if (!velkaro::startup()) {
    std::fprintf(stderr, "velkaro-trace: the game could not start\n");
    return 1;
  }
  velkaro::mainPrepare();

  trace::Out out;
  if (calls) trace::writeCalls(out, "start", -1, true);
  trace::Replay replay(out, fullCalls);
  trace::Directives directives(text);
  while (const std::optional<trace::Directive> d = directives.next()) {
    if (!replay.apply(*d)) break;
  }
  if (!out.flush()) {
    std::fprintf(stderr, "velkaro-trace: cannot write the trace: %s\n", out.error().c_str());
    return 1;
  }
  return 0;
}

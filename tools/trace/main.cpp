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
#include <vector>

#include "platform/headless/backend.h"
#include "platform/numeric.h"
#include "platform/record.h"
#include "tools/trace/call_record.h"
#include "tools/trace/output.h"
#include "tools/trace/scenario.h"
#include "tools/trace/state_line.h"
#include "velkaro/velkaro.h"

namespace {

using trace::Directive;
using trace::Op;

}  // namespace

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
  int clock = 100000;
  std::vector<int> cycle = {17, 17, 16};
  std::size_t cyclePos = 0;
  bool dumpNext = false;
  long long passes = 0;
  std::vector<bool> held(256, false);

  // False once the run is over: the loop ended or the output failed.
  auto apply = [&](const Directive& d) {
    switch (d.op) {
      case Op::Clock:
        clock = d.ints[0];
        break;
      case Op::FrameMs:
        cycle = d.ints;
        cyclePos = 0;
        break;
      case Op::Hold:
        for (int k : d.keys) {
          plat::headless::KeyDown(k);
          held[static_cast<std::size_t>(k)] = true;
        }
        break;
      case Op::Release:
        for (int k : d.keys) {
          plat::headless::KeyUp(k);
          held[static_cast<std::size_t>(k)] = false;
        }
        break;
      case Op::ReleaseAll:
        for (std::size_t k = 0; k < held.size(); ++k) {
          if (held[k]) plat::headless::KeyUp(static_cast<int>(k));
          held[k] = false;
        }
        break;
      case Op::Tap: {
        const int k = d.keys[0];
        const bool isHeld = held[static_cast<std::size_t>(k)];
        for (int i = 0; i < d.ints[0]; ++i) {
          // A held key is let up and pressed again, so each tap counts one
          // press and the key's held state ends as it began.
          if (isHeld) {
            plat::headless::KeyUp(k);
            plat::headless::KeyDown(k);
          } else {
            plat::headless::KeyDown(k);
            plat::headless::KeyUp(k);
          }
        }
        break;
      }
      case Op::Close:
        plat::headless::RequestClose();
        break;
      case Op::Dump:
        dumpNext = true;
        break;
      case Op::Run:
        for (int i = 0; i < d.ints[0]; ++i) {
          plat::headless::SetClock(clock);
          if (!velkaro::mainLoopTest()) {
            out.str(calls ? "end " : "{\"end\":");
            out.num(passes);
            out.str(calls ? "\n" : "}\n");
            return false;
          }
          plat::rec::Played().clear();
          velkaro::mainPass();
          if (calls) {
            trace::writeCalls(out, "pass", passes, passes < fullCalls);
          } else {
            trace::writeStateLine(out, passes, dumpNext);
          }
          dumpNext = false;
          ++passes;
          clock = plat::WrapAdd(clock, cycle[cyclePos]);
          cyclePos = (cyclePos + 1) % cycle.size();
          if (out.failed()) return false;  // no use running on
        }
        break;
    }
    return true;
  };
  trace::Directives directives(text);
  while (const std::optional<Directive> d = directives.next()) {
    if (!apply(*d)) break;
  }
  if (!out.flush()) {
    std::fprintf(stderr, "velkaro-trace: cannot write the trace: %s\n", out.error().c_str());
    return 1;
  }
  return 0;
}

// The game driven by a scenario's directives, one at a time, keeping what
// they leave in effect: the clock and its cycle, the held keys, a dump asked
// for. Each pass prints its state line, or with --calls its call record.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/trace/output.h"
#include "tools/trace/scenario.h"

namespace trace {

class Replay {
 public:
  // fullCalls: the passes whose calls print in full; -1 prints the state.
  Replay(Out& out, long long fullCalls) : out_(out), fullCalls_(fullCalls) {}

  // False once the run is over: the loop ended or the output failed.
  bool apply(const Directive& d);

 private:
  bool calls() const { return fullCalls_ >= 0; }
  void tap(int key, int times);
  bool pass();

  Out& out_;
  const long long fullCalls_;
  int clock_ = 100000;
  std::vector<int> cycle_ = {17, 17, 16};
  std::size_t cyclePos_ = 0;
  bool dumpNext_ = false;
  long long passes_ = 0;
  std::vector<bool> held_ = std::vector<bool>(256, false);
};

}  // namespace trace

#include "tools/trace/replay.h"

#include "platform/headless/controls.h"
#include "platform/numeric.h"
#include "platform/record.h"
#include "tools/trace/call_record.h"
#include "tools/trace/state_line.h"
#include "velkaro/velkaro.h"

namespace trace {

bool Replay::apply(const Directive& d) {
  switch (d.op) {
    case Op::Clock:
      clock_ = d.ints[0];
      break;
    case Op::FrameMs:
      cycle_ = d.ints;
      cyclePos_ = 0;
      break;
    case Op::Hold:
      for (int k : d.keys) {
        plat::headless::KeyDown(k);
        held_[static_cast<std::size_t>(k)] = true;
      }
      break;
    case Op::Release:
      for (int k : d.keys) {
        plat::headless::KeyUp(k);
        held_[static_cast<std::size_t>(k)] = false;
      }
      break;
    case Op::ReleaseAll:
      for (std::size_t k = 0; k < held_.size(); ++k) {
        if (held_[k]) plat::headless::KeyUp(static_cast<int>(k));
        held_[k] = false;
      }
      break;
    case Op::Tap:
      tap(d.keys[0], d.ints[0]);
      break;
    case Op::Close:
      plat::headless::RequestClose();
      break;
    case Op::Dump:
      dumpNext_ = true;
      break;
    case Op::Run:
      for (int i = 0; i < d.ints[0]; ++i) {
        if (!pass()) return false;
      }
      break;
  }
  return true;
}

void Replay::tap(int key, int times) {
  const bool isHeld = held_[static_cast<std::size_t>(key)];
  for (int i = 0; i < times; ++i) {
    // A held key is let up and pressed again, so each tap counts one press
    // and the key's held state ends as it began.
    if (isHeld) {
      plat::headless::KeyUp(key);
      plat::headless::KeyDown(key);
    } else {
      plat::headless::KeyDown(key);
      plat::headless::KeyUp(key);
    }
  }
}

// One pass of the main loop, its loop test first as in the game's own main;
// false when the loop ended or the output failed (no use running on).
bool Replay::pass() {
  plat::headless::SetClock(clock_);
  if (!velkaro::mainLoopTest()) {
    out_.str(calls() ? "end " : "{\"end\":");
    out_.num(passes_);
    out_.str(calls() ? "\n" : "}\n");
    return false;
  }
  plat::rec::Played().clear();
  velkaro::mainPass();
  if (calls()) {
    writeCalls(out_, "pass", passes_, passes_ < fullCalls_);
  } else {
    writeStateLine(out_, passes_, dumpNext_);
  }
  dumpNext_ = false;
  ++passes_;
  clock_ = plat::WrapAdd(clock_, cycle_[cyclePos_]);
  cyclePos_ = (cyclePos_ + 1) % cycle_.size();
  return !out_.failed();
}

}  // namespace trace

// The logic half of velkaro-bench: times single passes of the game's heavy
// scenario on the headless backend (no drawing), and the resident memory
// after the run. Started by velkaro-bench; prints one JSON line.
//
//   velkaro-bench-logic [PASSES]     (default 100000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless/controls.h"
#include "platform/numeric.h"
#include "tools/bench/scenario.h"

int main(int argc, char** argv) {
  long passes = bench::kRssPasses;
  if (argc > 2 || (argc == 2 && (passes = std::strtol(argv[1], nullptr, 10)) <= 0)) {
    std::fprintf(stderr, "usage: velkaro-bench-logic [PASSES]\n");
    return 2;
  }
  velkaro::registerEmbeddedFiles();
  if (!velkaro::startup()) return 1;
  plat::headless::SetClock(100000);
  auto pass = [] {
    velkaro::mainPass();
    // A steady 60 Hz clock: 17, 17 and 16 ms.
    static int n = 0;
    plat::headless::SetClock(plat::WrapAdd(plat::headless::Clock(), (n++ % 3 == 2) ? 16 : 17));
  };
  auto key = [](int code, bool down) {
    down ? plat::headless::KeyDown(code) : plat::headless::KeyUp(code);
  };
  velkaro::mainPrepare();
  bench::EnterChallenge(pass, key);
  for (int i = 0; i < bench::kWarmupPasses; ++i) {
    bench::Steer(i, key);
    pass();
  }

  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(passes));
  using Clock = std::chrono::steady_clock;
  for (long i = 0; i < passes; ++i) {
    bench::Steer(i, key);
    const Clock::time_point t0 = Clock::now();
    velkaro::mainPass();
    const Clock::time_point t1 = Clock::now();
    plat::headless::SetClock(plat::WrapAdd(plat::headless::Clock(), (i % 3 == 2) ? 16 : 17));
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  std::printf("{\"logic_us_p50\":%.2f,\"logic_us_p99\":%.2f,\"logic_us_max\":%.1f,"
              "\"logic_passes\":%ld,\"logic_rss_mb\":%.2f,\"scene\":\"%s\"}\n",
              bench::Percentile(us, 0.50), bench::Percentile(us, 0.99),
              bench::Percentile(us, 1.0), passes, bench::RssMb(), bench::SceneCounts().c_str());
  return 0;
}

// The benchmark's fixed heavy scenario, shared by velkaro-bench (real
// window) and velkaro-bench-logic (headless) so that both time the same
// play: a long challenge at high altitude with many followers, the wings
// beaten in steady strokes, hundreds of glints and the clouds streaming.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "velkaro/velkaro.h"

namespace bench {

// Passes before timing starts: enough for the glints, specks and clouds to
// reach their steady numbers and the road to fill the screen.
constexpr int kWarmupPasses = 1500;
constexpr int kRssPasses = 100000;
constexpr float kAltitude = 3.0f;
constexpr int kFollowers = 12;

// Presses (down) or lets go of a key, each tool through its own backend.
using KeyFn = void (*)(int code, bool down);

// From the menu into the challenge, as a player gets there: Space, then F1.
// `pass` runs one pass of the main loop.
template <class Pass>
void EnterChallenge(Pass&& pass, KeyFn key) {
  pass();
  key(plat::KEY_SPACE, true);
  key(plat::KEY_SPACE, false);
  pass();
  key(plat::KEY_F1, true);
  key(plat::KEY_F1, false);
  pass();
}

// Set before heavy pass number i: both wings beaten in 20-pass strokes, the
// altitude held high, and the formation kept full so the challenge never
// ends however the road goes.
inline void Steer(long i, KeyFn key) {
  const long phase = i % 20;
  if (phase == 0) {
    key(plat::KEY_Z, true);
    key(plat::KEY_M, true);
  } else if (phase == 12) {
    key(plat::KEY_Z, false);
    key(plat::KEY_M, false);
  }
  velkaro::g.altitude = kAltitude;
  if (velkaro::g.birdcount < kFollowers / 2) velkaro::g.birdcount = kFollowers;
}

// The p-th quantile (0..1) by the nearest-rank rule.
inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double rank = std::ceil(p * static_cast<double>(v.size()));
  const std::size_t i = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return v[std::min(i, v.size() - 1)];
}

// A resident-memory line of /proc/self/status ("VmRSS", "RssAnon",
// "RssFile", ...) in MiB, 0 when unknown.
inline double StatusMb(const std::string& key = "VmRSS") {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0;
}
inline double RssMb() { return StatusMb("VmRSS"); }

// What the scenario has on screen, for the summary.
inline std::string SceneCounts() {
  const velkaro::Game& g = velkaro::g;
  char buf[200];
  std::snprintf(buf, sizeof buf, "%zu glints, %zu specks, %zu clouds, %zu road, %d followers",
                g.waveList.size(), g.speckList.size(), g.cloudList.size(), g.thingList.size(),
                g.birdcount);
  return buf;
}

}  // namespace bench

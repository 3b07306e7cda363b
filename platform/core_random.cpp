// The one seeded generator of the program.
#include <cstdint>

#include "platform/core_state.h"
#include "platform/numeric.h"

namespace plat {

namespace {
constexpr int kStartState = 4660;

// One step: state = 48271 * state mod (2^31 - 1). The product fits in 64
// bits; since 2^31 is 1 modulo 2^31 - 1, folding the bits above 31 onto the
// low ones and subtracting the modulus once reduces it exactly.
int Step() {
  int& s = core().rnd_state;
  std::uint64_t x = 48271u * static_cast<std::uint64_t>(static_cast<std::uint32_t>(s));
  x = (x & 0x7fffffffu) + (x >> 31);
  if (x >= 0x7fffffffu) x -= 0x7fffffffu;
  s = static_cast<int>(x);
  return s;
}
}  // namespace

void SeedRnd(int seed) {
  int s = seed & 0x7fffffff;
  if (s == 0 || s == 2147483647) s = kStartState;
  core().rnd_state = s;
}

int RndSeed() { return core().rnd_state; }

float RndFloat() {
  int s = Step();
  // Bits 4..27 kept in place, so the quotient spans [0, 1).
  return static_cast<float>(static_cast<double>(s & 0x0ffffff0) / 268435456.0);
}

int Rand(int min_value, int max_value) {
  int first = Step();
  int second = Step();
  // Bits 2..28 and 3..28, kept in place (not shifted down).
  double hi = static_cast<double>(first & 0x1ffffffc);
  double lo = static_cast<double>(second & 0x1ffffff8);
  double r = (hi + lo / 134217728.0) / 536870912.0;
  // Computed in 64 bits: the range of two ints can exceed 32.
  long long delta = static_cast<long long>(max_value) - min_value;
  if (delta > 0) return Int(r * static_cast<double>(delta + 1) + min_value);
  return Int(r * static_cast<double>(1 - delta) + max_value);
}

}  // namespace plat

// The one seeded generator of the program.
#include <cstdint>
#include <limits>

#include "platform/core_state.h"
#include "platform/numeric.h"

namespace plat {

namespace {
constexpr int kStartState = 4660;
constexpr std::uint64_t kModulus = 0x7fffffff;  // 2^31 - 1, a prime
constexpr std::uint64_t kMultiplier = 48271;
// Two steps in one: Rand's second state straight from the state before its
// first, so the two multiplications need not wait on each other.
constexpr std::uint64_t kMultiplierSquared = kMultiplier * kMultiplier % kModulus;

// a * s mod (2^31 - 1) for a and s below 2^31. The product fits in 64 bits;
// since 2^31 is 1 modulo 2^31 - 1, folding the bits above 31 onto the low
// ones and subtracting the modulus once reduces it exactly.
int MulMod(std::uint64_t a, int s) {
  std::uint64_t x = a * static_cast<std::uint32_t>(s);
  x = (x & kModulus) + (x >> 31);
  if (x >= kModulus) x -= kModulus;
  return static_cast<int>(x);
}

// One step: state = 48271 * state mod (2^31 - 1).
int Step() {
  int& s = core().rnd_state;
  s = MulMod(kMultiplier, s);
  return s;
}
[[gnu::noinline]] int RandOnFirstUse(int min_value, int max_value) {
  detail::MakeCore();
  return Rand(min_value, max_value);
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
  // core() by hand: with the rare first-use path leaving through a tail
  // call, the common path needs no stack frame.
  CoreState* st = detail::core_ptr;
  if (!st) [[unlikely]]
    return RandOnFirstUse(min_value, max_value);
  int& state = st->rnd_state;
  const int first = MulMod(kMultiplier, state);
  const int second = MulMod(kMultiplierSquared, state);
  state = second;
  // Bits 2..28 and 3..28, kept in place (not shifted down).
  double hi = static_cast<double>(first & 0x1ffffffc);
  double lo = static_cast<double>(second & 0x1ffffff8);
  double r = (hi + lo / 134217728.0) / 536870912.0;
  // Computed in 64 bits: the range of two ints can exceed 32.
  long long delta = static_cast<long long>(max_value) - min_value;
  double v = delta > 0 ? r * static_cast<double>(delta + 1) + min_value
                       : r * static_cast<double>(1 - delta) + max_value;
  // Int(v), shortened: r is not negative, so v is finite and never below the
  // lower end, an int; only the saturation at the top can apply.
  return v < 2147483647.0 ? static_cast<int>(v) : std::numeric_limits<int>::max();
}

}  // namespace plat

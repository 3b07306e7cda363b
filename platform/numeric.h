// Conversions with the game's rules: Int truncates toward zero; values out
// of the int range saturate and NaN gives 0, so no conversion is undefined.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace plat {

inline int Int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// True when v converts to an int without saturating (finite, in range).
inline bool FitsInt(double v) {
  return !std::isnan(v) && v < 2147483648.0 && v > -2147483649.0;
}

// 32-bit int arithmetic that wraps instead of overflowing.
inline int WrapAdd(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline int WrapSub(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

inline float BitsToFloat(std::int32_t i) {
  float f;
  std::memcpy(&f, &i, sizeof f);
  return f;
}
inline std::uint32_t FloatToBits(float f) {
  std::uint32_t i;
  std::memcpy(&i, &f, sizeof i);
  return i;
}

}  // namespace plat

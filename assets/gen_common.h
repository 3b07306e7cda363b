// Shared pieces of the asset generator: a fixed random sequence, smooth
// noise, small vector helpers and the PNG and WAV writers.
//
// Everything here must give the same bytes on every build, so nothing uses
// the standard library's random distributions (their output may change
// between library versions) and all state is explicit.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace gen {

// SplitMix64: tiny, fast and fully specified.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [lo, hi).
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  std::uint64_t state_;
};

// Integer hash of a lattice point, the source of every noise value.
std::uint32_t Hash3(int x, int y, std::uint32_t seed);

// Gradient noise in about [-1, 1], smooth (quintic fade), tiling with the
// given period in both axes when period > 0.
double GradientNoise(double x, double y, std::uint32_t seed, int period = 0);
// Sum of octaves of gradient noise, each half as strong and twice as fine.
double Fbm(double x, double y, int octaves, std::uint32_t seed, int period = 0);

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Mix(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double e0, double e1, double x) {
  double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

struct Rgb {
  double r, g, b;
};
inline Rgb MixRgb(const Rgb& a, const Rgb& b, double t) {
  return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)};
}
inline Rgb Scale(const Rgb& a, double s) { return {a.r * s, a.g * s, a.b * s}; }

// A picture in linear [0, 1] floats, four channels per pixel (straight,
// not premultiplied, alpha).
struct Picture {
  int width = 0, height = 0;
  std::vector<double> px;  // width*height*4
  Picture(int w, int h) : width(w), height(h), px(static_cast<std::size_t>(w) * h * 4, 0.0) {}
  double* at(int x, int y) { return &px[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Writes a PNG with libpng. bit_depth is 8 or 16; with_alpha chooses RGBA
// or RGB. Values are rounded to the nearest level; `dither` adds a fixed
// pattern of up to half a level first (used where smooth gradients would
// otherwise show steps). Returns false, with the reason on stderr, when the
// file cannot be written.
bool WritePng(const std::string& path, const Picture& pic, int bit_depth, bool with_alpha,
              double dither = 0.0);

// Writes 16-bit stereo PCM at the given rate. Samples are in [-1, 1];
// anything outside is a bug in the caller, reported as an error rather than
// silently clipped.
bool WriteWav(const std::string& path, const std::vector<double>& left,
              const std::vector<double>& right, int rate);

}  // namespace gen

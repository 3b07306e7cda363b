#include "assets/gen_common.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace gen {

std::uint32_t Hash3(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

namespace {

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Dot product of the lattice point's gradient (one of 16 directions on the
// unit circle) with the offset to it.
double Grad(int ix, int iy, double dx, double dy, std::uint32_t seed) {
  static const double kDirs[16][2] = {
      {1.0, 0.0},        {0.92388, 0.38268},   {0.70711, 0.70711},   {0.38268, 0.92388},
      {0.0, 1.0},        {-0.38268, 0.92388},  {-0.70711, 0.70711},  {-0.92388, 0.38268},
      {-1.0, 0.0},       {-0.92388, -0.38268}, {-0.70711, -0.70711}, {-0.38268, -0.92388},
      {0.0, -1.0},       {0.38268, -0.92388},  {0.70711, -0.70711},  {0.92388, -0.38268}};
  const double* g = kDirs[Hash3(ix, iy, seed) & 15u];
  return g[0] * dx + g[1] * dy;
}

int Wrap(int i, int period) {
  if (period <= 0) return i;
  int m = i % period;
  return m < 0 ? m + period : m;
}

}  // namespace

double GradientNoise(double x, double y, std::uint32_t seed, int period) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  double dx = x - fx, dy = y - fy;
  int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
  int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
  double n00 = Grad(x0, y0, dx, dy, seed);
  double n10 = Grad(x1, y0, dx - 1.0, dy, seed);
  double n01 = Grad(x0, y1, dx, dy - 1.0, seed);
  double n11 = Grad(x1, y1, dx - 1.0, dy - 1.0, seed);
  double u = Fade(dx), v = Fade(dy);
  // Scaled so the result spans about [-1, 1].
  return 1.41421 * Mix(Mix(n00, n10, u), Mix(n01, n11, u), v);
}

double Fbm(double x, double y, int octaves, std::uint32_t seed, int period) {
  double sum = 0.0, amp = 0.5, norm = 0.0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * GradientNoise(x, y, seed + static_cast<std::uint32_t>(o) * 101u, period);
    norm += amp;
    amp *= 0.5;
    x *= 2.0;
    y *= 2.0;
    if (period > 0) period *= 2;
  }
  return sum / norm;
}

namespace {

// libpng reports errors by a long jump back here; this function holds no
// object with a destructor, so the jump skips nothing.
bool WriteRows(png_structp png, png_infop info, std::FILE* f, int width, int height,
               int bit_depth, int color_type, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  // Fixed compression settings: the bytes must not depend on defaults.
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               bit_depth, color_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const Picture& pic, int bit_depth, bool with_alpha,
              double dither) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "generator: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(f, std::fclose);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    std::fprintf(stderr, "generator: libpng could not start for %s\n", path.c_str());
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // Quantise every channel into big-endian rows, as PNG stores them.
  const int channels = with_alpha ? 4 : 3;
  const int bytes = bit_depth / 8;
  const double levels = bit_depth == 16 ? 65535.0 : 255.0;
  const std::size_t stride = static_cast<std::size_t>(pic.width) * channels * bytes;
  std::vector<png_byte> data(stride * pic.height);
  std::vector<png_bytep> rows(static_cast<std::size_t>(pic.height));
  for (int y = 0; y < pic.height; ++y) {
    png_byte* row = &data[stride * y];
    rows[static_cast<std::size_t>(y)] = row;
    std::size_t o = 0;
    for (int x = 0; x < pic.width; ++x) {
      const double* p = &pic.px[(static_cast<std::size_t>(y) * pic.width + x) * 4];
      for (int c = 0; c < channels; ++c) {
        double v = Clamp(p[c], 0.0, 1.0) * levels;
        // Zero stays exactly zero: a masked black background must not pick
        // up stray dither specks.
        if (dither > 0.0 && v > 0.0) {
          std::uint32_t h = Hash3(x * 4 + c, y, 0xD17Eu);
          // Triangular noise from two uniform halves, in (-1, 1).
          double t = static_cast<double>(h & 0xFFFFu) / 65536.0 +
                     static_cast<double>(h >> 16) / 65536.0 - 1.0;
          v = Clamp(v + dither * t, 0.0, levels);
        }
        auto q = static_cast<std::uint32_t>(std::floor(v + 0.5));
        if (bytes == 2) {
          row[o++] = static_cast<png_byte>(q >> 8);
          row[o++] = static_cast<png_byte>(q & 0xFFu);
        } else {
          row[o++] = static_cast<png_byte>(q);
        }
      }
    }
  }
  bool ok = WriteRows(png, info, f, pic.width, pic.height, bit_depth,
                      with_alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, rows.data());
  png_destroy_write_struct(&png, &info);
  ok = (std::fclose(file.release()) == 0) && ok;
  if (!ok) std::fprintf(stderr, "generator: failed writing %s\n", path.c_str());
  return ok;
}

namespace {

void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put16(std::vector<unsigned char>& b, std::uint16_t v) {
  b.push_back(static_cast<unsigned char>(v & 0xFFu));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void PutTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

}  // namespace

bool WriteWav(const std::string& path, const std::vector<double>& left,
              const std::vector<double>& right, int rate) {
  if (left.size() != right.size()) {
    std::fprintf(stderr, "generator: %s: channels differ in length\n", path.c_str());
    return false;
  }
  const auto frames = static_cast<std::uint32_t>(left.size());
  const std::uint32_t data_bytes = frames * 4u;
  std::vector<unsigned char> b;
  b.reserve(44 + data_bytes);
  PutTag(b, "RIFF");
  Put32(b, 36u + data_bytes);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);  // PCM
  Put16(b, 2);  // stereo
  Put32(b, static_cast<std::uint32_t>(rate));
  Put32(b, static_cast<std::uint32_t>(rate) * 4u);
  Put16(b, 4);
  Put16(b, 16);
  PutTag(b, "data");
  Put32(b, data_bytes);
  for (std::uint32_t i = 0; i < frames; ++i) {
    for (double s : {left[i], right[i]}) {
      if (!(s >= -1.0 && s <= 1.0)) {
        std::fprintf(stderr, "generator: %s: sample %u out of range (%g)\n", path.c_str(), i, s);
        return false;
      }
      auto q = static_cast<std::int32_t>(std::lround(s * 32767.0));
      Put16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
    }
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "generator: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) std::fprintf(stderr, "generator: error writing %s\n", path.c_str());
  return ok;
}

}  // namespace gen

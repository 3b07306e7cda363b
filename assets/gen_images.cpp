// The five images, drawn procedurally: shapes as distance fields (so edges
// are anti-aliased analytically), surfaces from gradient noise, lighting
// from height gradients.
#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "assets/gen_assets.h"
#include "assets/gen_common.h"

namespace gen {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
  double x, y;
};

// Straight-alpha "over" of a colour with coverage `a` onto a pixel.
void Over(double* p, const Rgb& c, double a) {
  if (a <= 0.0) return;
  double out_a = a + p[3] * (1.0 - a);
  double k = p[3] * (1.0 - a);
  p[0] = (c.r * a + p[0] * k) / out_a;
  p[1] = (c.g * a + p[1] * k) / out_a;
  p[2] = (c.b * a + p[2] * k) / out_a;
  p[3] = out_a;
}

// Fully transparent pixels take the colour `c`, so that filtering at the
// edge of a shape blends toward the shape's colour instead of black.
void FillClearColour(Picture& pic, const Rgb& c) {
  for (std::size_t i = 0; i < pic.px.size(); i += 4) {
    if (pic.px[i + 3] <= 0.0) {
      pic.px[i] = c.r;
      pic.px[i + 1] = c.g;
      pic.px[i + 2] = c.b;
    }
  }
}

// A tapered stroke: a chain of discs along a cubic Bezier, the radius going
// linearly from r0 to r1. Dense enough that the union is a smooth band.
struct Stroke {
  std::vector<Pt> c;
  std::vector<double> r;
  double minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
};

Stroke MakeStroke(Pt a, Pt b, Pt cc, Pt d, double r0, double r1, int samples = 160) {
  Stroke s;
  for (int i = 0; i <= samples; ++i) {
    double t = static_cast<double>(i) / samples, u = 1.0 - t;
    Pt p{u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * cc.x + t * t * t * d.x,
         u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * cc.y + t * t * t * d.y};
    double r = Mix(r0, r1, t);
    s.c.push_back(p);
    s.r.push_back(r);
    s.minx = std::min(s.minx, p.x - r);
    s.maxx = std::max(s.maxx, p.x + r);
    s.miny = std::min(s.miny, p.y - r);
    s.maxy = std::max(s.maxy, p.y + r);
  }
  return s;
}

double StrokeDist(const Stroke& s, Pt p, double cutoff) {
  if (p.x < s.minx - cutoff || p.x > s.maxx + cutoff || p.y < s.miny - cutoff ||
      p.y > s.maxy + cutoff)
    return cutoff;
  double best = cutoff;
  for (std::size_t i = 0; i < s.c.size(); ++i) {
    double dx = p.x - s.c[i].x, dy = p.y - s.c[i].y;
    best = std::min(best, std::sqrt(dx * dx + dy * dy) - s.r[i]);
  }
  return best;
}

Stroke Mirror(const Stroke& s) {
  Stroke m = s;
  for (auto& p : m.c) p.x = 256.0 - p.x;
  m.minx = 256.0 - s.maxx;
  m.maxx = 256.0 - s.minx;
  return m;
}

// Smooth union of two distances (rounds the joints between strokes).
double SmoothMin(double a, double b, double k) {
  double h = Clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
  return Mix(b, a, h) - k * h * (1.0 - h);
}

// ------------------------------------------------------------------ logo
// A gull with fingered wing tips rising out of a warm sun inside a ring.
bool MakeLogo(const std::string& dir) {
  Picture pic(256, 256);
  std::vector<Stroke> parts;
  // Left half; the right one is its mirror image.
  std::vector<Stroke> left;
  // The inner wing as a sheet: strokes blended from the leading edge (arm)
  // to the trailing edge, so it reads as one surface.
  for (int k = 0; k <= 4; ++k) {
    double t = k / 4.0;
    left.push_back(MakeStroke({Mix(124, 120, t), Mix(130, 146, t)}, {Mix(112, 100, t), Mix(102, 128, t)},
                              {Mix(92, 78, t), Mix(84, 110, t)}, {Mix(66, 56, t), Mix(82, 102, t)},
                              Mix(8.5, 6.5, t), Mix(7.0, 5.5, t)));
  }
  // Primaries, spread like fingers from the wrist.
  left.push_back(MakeStroke({72, 84}, {52, 74}, {34, 66}, {12, 62}, 6.5, 1.5));
  left.push_back(MakeStroke({68, 89}, {50, 84}, {34, 81}, {15, 82}, 6.3, 1.5));
  left.push_back(MakeStroke({64, 94}, {48, 94}, {35, 96}, {21, 101}, 6.0, 1.5));
  left.push_back(MakeStroke({60, 99}, {48, 104}, {39, 110}, {31, 119}, 5.8, 1.5));
  for (const auto& s : left) {
    parts.push_back(s);
    parts.push_back(Mirror(s));
  }
  // Tail feathers.
  parts.push_back(MakeStroke({128, 150}, {124, 160}, {120, 170}, {116, 182}, 5.0, 2.0));
  parts.push_back(MakeStroke({128, 150}, {128, 162}, {128, 172}, {128, 187}, 5.0, 2.2));
  parts.push_back(MakeStroke({128, 150}, {132, 160}, {136, 170}, {140, 182}, 5.0, 2.0));

  auto bird_dist = [&](Pt p) {
    // Body and head as ellipses (distance approximated by scaled radius).
    double bx = (p.x - 128.0) / 11.0, by = (p.y - 138.0) / 23.0;
    double body = (std::sqrt(bx * bx + by * by) - 1.0) * 11.0;
    double hx = p.x - 128.0, hy = p.y - 111.0;
    double head = std::sqrt(hx * hx + hy * hy) - 9.5;
    double d = SmoothMin(body, head, 5.0);
    for (const auto& s : parts) d = SmoothMin(d, StrokeDist(s, p, 40.0), 3.0);
    return d;
  };

  const Rgb sun_core{1.0, 0.78, 0.45}, sun_rim{0.95, 0.42, 0.38};
  const Rgb ring{1.0, 0.86, 0.55};
  const Rgb bird_top{1.0, 1.0, 1.0}, bird_low{1.0, 0.9, 0.7};
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      double* px = pic.at(x, y);
      Pt p{x + 0.5, y + 0.5};
      double dx = p.x - 128.0, dy = p.y - 128.0;
      double r = std::sqrt(dx * dx + dy * dy);
      // The sun: a warm disc, brightest in the middle, with faint rays.
      double ang = std::atan2(dy, dx);
      double rays = 0.5 + 0.5 * std::cos(ang * 16.0);
      double sun_a = 0.8 * (1.0 - SmoothStep(20.0, 106.0, r)) * (0.8 + 0.2 * rays);
      Over(px, MixRgb(sun_core, sun_rim, SmoothStep(10.0, 100.0, r)), sun_a);
      // The ring, with a soft glow on both sides.
      double ring_d = std::fabs(r - 114.0) - 3.0;
      Over(px, ring, 0.35 * std::exp(-std::max(ring_d, 0.0) / 4.0));
      Over(px, ring, Clamp(0.5 - ring_d, 0.0, 1.0));
      // The bird: a pale halo, then the body, shaded brighter inside.
      double d = bird_dist(p);
      if (d < 40.0) {
        Over(px, Rgb{1.0, 0.95, 0.85}, 0.45 * std::exp(-std::max(d, 0.0) / 5.0));
        double cover = Clamp(0.5 - d, 0.0, 1.0);
        double depth = Clamp(-d / 6.0, 0.0, 1.0);
        Rgb c = MixRgb(bird_top, bird_low, SmoothStep(80.0, 190.0, p.y));
        Over(px, Scale(c, 0.82 + 0.18 * depth), cover);
      }
    }
  }
  FillClearColour(pic, sun_rim);
  return WritePng(dir + "/logo.png", pic, 16, true);
}

// ------------------------------------------------------------------ wing
// Flight feathers side by side along x (the wing's span), each running from
// the leading edge at the top to a rounded tip at the bottom; a band of
// small covert feathers over their roots.
bool MakeWing(const std::string& dir) {
  const int W = 256;
  Picture pic(W, W);
  const int kFeathers = 9;
  const double pitch = static_cast<double>(W) / (kFeathers - 1);
  Rng rng(0x5EA7u);
  struct Feather {
    double x0, tilt, tip, half;
  };
  std::vector<Feather> feathers;
  for (int i = 0; i < kFeathers + 1; ++i) {
    Feather f;
    f.x0 = (i - 0.5) * pitch + rng.Range(-3.0, 3.0);
    f.tilt = rng.Range(0.05, 0.12);  // tips lean outward
    f.tip = rng.Range(236.0, 248.0);
    f.half = pitch * 0.62;
    feathers.push_back(f);
  }
  const Rgb pale{0.97, 0.96, 0.94}, edge{0.78, 0.79, 0.83}, covert{0.93, 0.9, 0.86};
  for (int y = 0; y < W; ++y) {
    for (int x = 0; x < W; ++x) {
      double* px = pic.at(x, y);
      double fx = x + 0.5, fy = y + 0.5;
      // Drawn from the outer (right) feather to the inner one, so each
      // feather overlaps the next one out, as on a real wing.
      for (int i = kFeathers; i >= 0; --i) {
        const Feather& f = feathers[static_cast<std::size_t>(i)];
        double shaft = f.x0 + f.tilt * (fy - 40.0);
        double across = (fx - shaft) / f.half;  // -1..1 over the vane
        if (std::fabs(across) > 1.2) continue;
        // The vane narrows into a rounded tip.
        double len = f.tip - 30.0;
        double along = (fy - 30.0) / len;  // 0 at the root, 1 at the tip
        double taper = along > 0.75 ? std::sqrt(std::max(0.0, 1.0 - std::pow((along - 0.75) / 0.25, 2.0))) : 1.0;
        double width_px = f.half * taper;
        double dist = std::fabs(fx - shaft) - width_px;  // < 0 inside
        double cover = Clamp(0.5 - dist / 1.5, 0.0, 1.0);
        if (along > 1.0 || along < -0.2) cover = 0.0;
        if (cover <= 0.0) continue;
        // Barbs: fine lines slanting back from the shaft.
        double barb_phase = (fy - std::fabs(fx - shaft) * 0.9) / 3.1;
        double barbs = 0.5 + 0.5 * std::sin(2.0 * kPi * barb_phase);
        // Streaks along the barbs, so the vane is not a flat sheet.
        double streak = Fbm(barb_phase / 2.0, std::fabs(fx - shaft) / 14.0, 3,
                            77u + static_cast<std::uint32_t>(i));
        // Shade: bright along the shaft, darker toward the vane's edges and
        // darker on the side tucked under the next feather in.
        double side = across < 0.0 ? 0.82 : 1.0;
        double shade = (1.0 - 0.22 * across * across) * side;
        Rgb c = MixRgb(pale, edge, Clamp(std::fabs(across) * 0.8 + along * 0.25, 0.0, 1.0));
        c = Scale(c, shade * (0.9 + 0.07 * barbs + 0.08 * streak));
        // The shaft itself, a thin bright line.
        double shaft_line = Clamp(1.0 - std::fabs(fx - shaft) / 1.2, 0.0, 1.0) * (1.0 - along * 0.6);
        c = MixRgb(c, Rgb{1.0, 1.0, 0.98}, shaft_line * 0.7);
        Over(px, c, cover);
      }
      // Coverts: three staggered rows of small rounded feathers, each row
      // longer than the one above it.
      for (int row = 2; row >= 0; --row) {
        double cy = 22.0 + row * 19.0;
        double cw = 18.0 + 3.0 * row;
        double clen = 16.0 + 5.0 * row;
        double off = (row % 2) * cw * 0.5;
        double k = std::floor((fx - off) / cw);
        for (double kk = k - 1; kk <= k + 1; kk += 1.0) {
          std::uint32_t hk = Hash3(static_cast<int>(kk), row, 91u);
          double jitter = static_cast<double>(hk & 0xFFu) / 255.0 - 0.5;
          double cx = off + (kk + 0.5) * cw + 2.0 * jitter;
          double len = clen * (1.0 + 0.15 * jitter);
          double dx = (fx - cx) / (cw * 0.62), dy = (fy - cy) / len;
          // A half-ellipse hanging down from the row line.
          double dyp = std::max(dy, 0.0);
          double d = fy < cy - 14.0 ? -1.0 : std::sqrt(dx * dx + dyp * dyp) - 1.0;
          double cover = Clamp(0.5 - d * 10.0, 0.0, 1.0);
          if (cover <= 0.0) continue;
          double rim = SmoothStep(-0.25, 0.0, d);
          double shade = (0.97 - 0.1 * rim) * (1.0 - 0.06 * Clamp(dy, 0.0, 1.0));
          double fine = 0.96 + 0.04 * std::sin(2.0 * kPi * (fy + std::fabs(fx - cx) * 0.8) / 2.4);
          double shaft_line = Clamp(1.0 - std::fabs(fx - cx) / 0.9, 0.0, 1.0) * 0.4;
          Rgb c = MixRgb(Scale(covert, shade * fine), Rgb{1.0, 1.0, 0.98}, shaft_line);
          Over(px, c, cover);
        }
      }
      // Soft leading edge and soft sides.
      double fade = SmoothStep(0.0, 10.0, fy) * SmoothStep(0.0, 6.0, fx) * SmoothStep(0.0, 6.0, W - fx);
      px[3] *= fade;
    }
  }
  FillClearColour(pic, edge);
  return WritePng(dir + "/wing2.png", pic, 16, true);
}

// ----------------------------------------------------------------- spark
// A soft round glow that reaches exactly black well inside the square; the
// light dither keeps the 8-bit steps from showing as rings when enlarged.
bool MakeSpark(const std::string& dir) {
  Picture pic(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      double dx = (x + 0.5 - 128.0) / 120.0, dy = (y + 0.5 - 128.0) / 120.0;
      double r2 = dx * dx + dy * dy;
      // A faint, slow lumpiness so the glow reads as cloud, not lamp.
      double lump = 1.0 + 0.08 * Fbm(dx * 1.6 + 7.0, dy * 1.6 + 3.0, 3, 11u);
      r2 *= lump;
      double v = 0.0;
      if (r2 < 1.0) {
        double t = 1.0 - r2;
        v = std::exp(-3.0 * r2) * t * t;
      }
      double* px = pic.at(x, y);
      px[0] = px[1] = px[2] = v;
      px[3] = 1.0;
    }
  }
  return WritePng(dir + "/spark.png", pic, 8, false, 0.5);
}

// ---------------------------------------------------------------- island
bool MakeIsland(const std::string& dir) {
  const int N = 512;
  std::vector<double> h(static_cast<std::size_t>(N) * N);
  auto H = [&](int x, int y) -> double& { return h[static_cast<std::size_t>(y) * N + x]; };
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      double fx = x + 0.5, fy = y + 0.5;
      // Domain warp bends the coast into bays and capes.
      double wx = fx + 40.0 * Fbm(fx / 150.0, fy / 150.0, 3, 201u);
      double wy = fy + 40.0 * Fbm(fx / 150.0 + 9.0, fy / 150.0 + 4.0, 3, 202u);
      double dx = (wx - 256.0) / 190.0, dy = (wy - 256.0) / 165.0;
      double r = std::sqrt(dx * dx + dy * dy);
      double v = 0.75 * (1.0 - r) + 0.45 * Fbm(fx / 90.0, fy / 90.0, 6, 203u);
      // Ridges toward the middle give it a spine of hills.
      double ridge = 1.0 - std::fabs(Fbm(fx / 120.0, fy / 120.0, 4, 204u));
      v += 0.35 * ridge * ridge * SmoothStep(0.2, 0.8, v);
      // Nothing reaches the image's border: the sea must be clear there.
      double bx = (fx - 256.0) / 256.0, by = (fy - 256.0) / 256.0;
      double br = std::sqrt(bx * bx + by * by);
      v = std::min(v, (0.92 - br) * 2.5);
      H(x, y) = v;
    }
  }
  Picture pic(N, N);
  const Rgb shallow{0.45, 0.82, 0.8}, foam{0.97, 0.98, 0.97};
  const Rgb wet_sand{0.8, 0.7, 0.5}, sand{0.96, 0.88, 0.66};
  const Rgb grass{0.45, 0.66, 0.3}, meadow{0.6, 0.72, 0.34}, forest{0.16, 0.4, 0.2};
  const Rgb rock{0.55, 0.5, 0.43}, peak{0.82, 0.8, 0.76};
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      double v = H(x, y);
      double* px = pic.at(x, y);
      int x0 = std::max(x - 1, 0), x1 = std::min(x + 1, N - 1);
      int y0 = std::max(y - 1, 0), y1 = std::min(y + 1, N - 1);
      double gx = (H(x1, y) - H(x0, y)) / (x1 - x0);
      double gy = (H(x, y1) - H(x, y0)) / (y1 - y0);
      double slope_px = std::max(std::sqrt(gx * gx + gy * gy), 1e-4);
      double fx = x + 0.5, fy = y + 0.5;
      // Shallow water fading to nothing, and a ring of surf at the shore.
      if (v > -0.14) {
        double a = 0.45 * SmoothStep(-0.14, 0.0, v);
        double ripple = 0.5 + 0.5 * std::sin(v * 260.0 + 3.0 * Fbm(fx / 20.0, fy / 20.0, 2, 205u));
        Over(px, MixRgb(shallow, foam, 0.25 * ripple * SmoothStep(-0.06, 0.0, v)), a);
        double surf = std::exp(-std::pow((v + 0.012) / 0.008, 2.0));
        Over(px, foam, 0.6 * surf);
      }
      // Land, anti-aliased over about one pixel of coastline.
      double land = Clamp(0.5 + v / slope_px, 0.0, 1.0);
      if (land <= 0.0) continue;
      double detail = Fbm(fx / 12.0, fy / 12.0, 3, 206u);
      double lush = Fbm(fx / 60.0, fy / 60.0, 4, 207u);
      Rgb c;
      if (v < 0.02) {
        c = MixRgb(wet_sand, sand, SmoothStep(0.0, 0.02, v));
      } else {
        c = sand;
      }
      // Sand to green.
      Rgb green = MixRgb(meadow, grass, SmoothStep(-0.2, 0.2, lush));
      // Forest in the damp hollows, textured like tree crowns.
      double crowns = Fbm(fx / 3.5, fy / 3.5, 2, 208u);
      double forest_amt = SmoothStep(0.0, 0.25, lush + 0.15 * detail) * SmoothStep(0.1, 0.18, v) *
                          (1.0 - SmoothStep(0.6, 0.75, v));
      green = MixRgb(green, Scale(forest, 0.85 + 0.3 * crowns), forest_amt);
      c = MixRgb(c, green, SmoothStep(0.05, 0.1, v + 0.02 * detail));
      // Bare rock on the heights, pale at the very top.
      c = MixRgb(c, Scale(rock, 0.9 + 0.2 * detail), SmoothStep(0.7, 0.82, v + 0.05 * detail));
      c = MixRgb(c, peak, SmoothStep(0.92, 1.02, v + 0.04 * detail));
      // Relief: light from the upper left, heights exaggerated.
      double relief = 60.0;
      double nx = -gx * relief, ny = -gy * relief, nz = 1.0;
      double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
      double lx = -0.55, ly = -0.55, lz = 0.63;
      double lambert = (nx * lx + ny * ly + nz * lz) / nl;
      double shade = Clamp(0.35 + 0.85 * lambert, 0.2, 1.25);
      c = Scale(c, Mix(1.0, shade, SmoothStep(0.0, 0.08, v)));
      c = Scale(c, 0.96 + 0.06 * detail);
      Over(px, {Clamp(c.r, 0.0, 1.0), Clamp(c.g, 0.0, 1.0), Clamp(c.b, 0.0, 1.0)}, land);
    }
  }
  FillClearColour(pic, shallow);
  return WritePng(dir + "/island.png", pic, 16, true);
}

// ----------------------------------------------------------------- arrow
// Road marking: a centre line, two chevrons pointing ahead (to the top edge)
// and short dashes along both edges.
bool MakeArrow(const std::string& dir) {
  const int N = 128;
  const Rgb pale{1.0, 0.97, 0.8};
  auto seg_dist = [](Pt p, Pt a, Pt b) {
    double vx = b.x - a.x, vy = b.y - a.y, wx = p.x - a.x, wy = p.y - a.y;
    double t = Clamp((wx * vx + wy * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    double dx = wx - t * vx, dy = wy - t * vy;
    return std::sqrt(dx * dx + dy * dy);
  };
  Picture pic(N, N);
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      // 4x4 samples per pixel: the shapes are only a few pixels wide.
      double cover = 0.0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          Pt p{x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0};
          bool in = std::fabs(p.x - 64.0) < 1.0;  // centre line, 2 px
          for (double ay : {48.0, 64.0}) {
            in = in || seg_dist(p, {64.0, ay}, {46.0, ay + 16.0}) < 1.6 ||
                 seg_dist(p, {64.0, ay}, {82.0, ay + 16.0}) < 1.6;
          }
          for (int k = 0; k < 8; ++k) {
            double my = 8.0 + 16.0 * k;
            bool on_row = std::fabs(p.y - my) < 1.0;
            in = in || (on_row && ((p.x > 2.0 && p.x < 11.0) || (p.x > 117.0 && p.x < 126.0)));
          }
          if (in) cover += 1.0 / 16.0;
        }
      }
      double* px = pic.at(x, y);
      px[0] = pale.r;
      px[1] = pale.g;
      px[2] = pale.b;
      px[3] = cover * 0.95;
    }
  }
  return WritePng(dir + "/arrow.png", pic, 8, true);
}

}  // namespace

bool MakeImages(const std::string& dir) {
  // One thread per image: they share nothing but read-only tables.
  bool (*const makers[])(const std::string&) = {MakeLogo, MakeWing, MakeSpark, MakeIsland,
                                                MakeArrow};
  constexpr std::size_t kCount = sizeof makers / sizeof makers[0];
  bool ok[kCount] = {};
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < kCount; ++i)
    workers.emplace_back([&ok, &makers, &dir, i] { ok[i] = makers[i](dir); });
  for (std::thread& w : workers) w.join();
  return std::all_of(ok, ok + kCount, [](bool b) { return b; });
}

}  // namespace gen

// The embedded files: their table, their headers and formats, and what the
// platform's loaders make of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "assets/embedded.h"
#include "platform/platform.h"

namespace {

const assets::EmbeddedFile* Find(const std::string& name) {
  for (const auto& f : assets::EmbeddedFiles())
    if (name == f.name) return &f;
  return nullptr;
}

std::uint32_t Be32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct PngImage {
  const char* name;
  std::uint32_t width, height;
  int depth, colour_type;  // colour type 6: RGB with alpha, 2: RGB
};
const PngImage kImages[] = {{"logo.png", 256, 256, 16, 6},
                            {"wing2.png", 256, 256, 16, 6},
                            {"spark.png", 256, 256, 8, 2},
                            {"island.png", 512, 512, 16, 6},
                            {"arrow.png", 128, 128, 8, 6}};

// A WAV's PCM samples, found by walking its chunks; fails the test on any
// header that is not 16-bit stereo PCM at 22050 Hz.
struct Pcm {
  std::vector<std::int16_t> samples;  // interleaved left, right
};
Pcm ReadWav(const assets::EmbeddedFile& f) {
  Pcm out;
  const unsigned char* d = f.data;
  EXPECT_GE(f.size, 44u) << f.name;
  if (f.size < 44) return out;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d), 4), "RIFF") << f.name;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 8), 4), "WAVE") << f.name;
  EXPECT_EQ(Le32(d + 4), f.size - 8) << f.name;
  bool fmt_seen = false;
  for (std::size_t pos = 12; pos + 8 <= f.size;) {
    std::string id(reinterpret_cast<const char*>(d + pos), 4);
    std::uint32_t len = Le32(d + pos + 4);
    const unsigned char* body = d + pos + 8;
    if (pos + 8 + len > f.size) {
      ADD_FAILURE() << f.name << ": chunk " << id << " runs past the end";
      break;
    }
    if (id == "fmt ") {
      fmt_seen = true;
      EXPECT_EQ(Le16(body), 1) << f.name << ": not PCM";
      EXPECT_EQ(Le16(body + 2), 2) << f.name << ": channels";
      EXPECT_EQ(Le32(body + 4), 22050u) << f.name << ": rate";
      EXPECT_EQ(Le32(body + 8), 22050u * 4) << f.name << ": byte rate";
      EXPECT_EQ(Le16(body + 12), 4) << f.name << ": block align";
      EXPECT_EQ(Le16(body + 14), 16) << f.name << ": bits";
    } else if (id == "data") {
      EXPECT_TRUE(fmt_seen) << f.name << ": data before fmt";
      EXPECT_EQ(len % 4, 0u) << f.name;
      out.samples.resize(len / 2);
      for (std::size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = static_cast<std::int16_t>(Le16(body + 2 * i));
    }
    pos += 8 + len + (len & 1u);
  }
  EXPECT_FALSE(out.samples.empty()) << f.name << ": no data chunk";
  return out;
}

TEST(AssetTable, FourteenFilesInRegistrationOrderAllLoadThroughThePlatform) {
  const std::vector<std::string> expected = {
      "LIBEB___.ttf", "logo.png",   "sound1.wav", "sound2.wav", "sound3.wav",
      "sound4.wav",   "sound5.wav", "sound6.wav", "sound7.wav", "sound8.wav",
      "wing2.png",    "spark.png",  "island.png", "arrow.png"};
  const auto& files = assets::EmbeddedFiles();
  ASSERT_EQ(files.size(), expected.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i].name, expected[i]) << "entry " << i;
    EXPECT_NE(files[i].data, nullptr);
    EXPECT_GT(files[i].size, 0u) << files[i].name;
    plat::IncbinAdd(files[i].name, files[i].data, files[i].size);
  }
  // The loads, with the flags and mask colours the game uses.
  EXPECT_NE(plat::LoadImageFont("incbin::LIBEB___.ttf", 24, 4), 0);
  for (const PngImage& im : kImages) {
    plat::TImage* img = plat::LoadImage(std::string("incbin::") + im.name, 3);
    ASSERT_NE(img, nullptr) << im.name;
    EXPECT_EQ(img->width, static_cast<int>(im.width)) << im.name;
    EXPECT_EQ(img->height, static_cast<int>(im.height)) << im.name;
  }
  for (int i = 1; i <= 8; ++i) {
    std::string url = "incbin::sound" + std::to_string(i) + ".wav";
    EXPECT_NE(plat::LoadSound(url, 0), 0) << url;
  }
}

TEST(AssetImages, HeadersGiveTheStatedSizeColourTypeAndDepth) {
  static const unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const PngImage& im : kImages) {
    const assets::EmbeddedFile* f = Find(im.name);
    ASSERT_NE(f, nullptr) << im.name;
    ASSERT_GE(f->size, 33u) << im.name;
    EXPECT_TRUE(std::equal(kSignature, kSignature + 8, f->data)) << im.name;
    const unsigned char* ihdr = f->data + 8;
    EXPECT_EQ(Be32(ihdr), 13u) << im.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ihdr + 4), 4), "IHDR") << im.name;
    EXPECT_EQ(Be32(ihdr + 8), im.width) << im.name;
    EXPECT_EQ(Be32(ihdr + 12), im.height) << im.name;
    EXPECT_EQ(ihdr[16], im.depth) << im.name;
    EXPECT_EQ(ihdr[17], im.colour_type) << im.name;
    EXPECT_EQ(ihdr[20], 0) << im.name << ": interlaced";
  }
}

// What the game relies on in the pictures themselves.
TEST(AssetImages, TransparentWhereTheGameNeedsIt) {
  for (const auto& f : assets::EmbeddedFiles()) plat::IncbinAdd(f.name, f.data, f.size);
  auto alpha = [](const plat::TImage* img, int x, int y) {
    return img->rgba[(static_cast<std::size_t>(y) * img->width + x) * 4 + 3];
  };

  // The cloud glow: black, and so masked away, all around; opaque and
  // bright in the middle; no step in brightness along a radius.
  plat::SetMaskColor(0, 0, 0);
  plat::TImage* spark = plat::LoadImage("incbin::spark.png", 3);
  ASSERT_NE(spark, nullptr);
  for (int i = 0; i < 256; ++i) {
    for (auto [x, y] : {std::pair{i, 0}, std::pair{i, 255}, std::pair{0, i}, std::pair{255, i}})
      ASSERT_EQ(alpha(spark, x, y), 0) << "spark edge " << x << "," << y;
  }
  EXPECT_EQ(alpha(spark, 128, 128), 255);
  EXPECT_GE(spark->rgba[(128 * 256 + 128) * 4], 240);
  int prev = 256;
  for (int x = 128; x < 256; ++x) {
    int v = spark->rgba[(128 * 256 + x) * 4];
    EXPECT_LE(v, prev + 2) << "spark brightens outward at x " << x;
    EXPECT_LE(std::abs(v - prev), 6) << "hard step at x " << x;
    prev = std::min(prev, v);
  }

  // The island floats on clear sea: nothing at the border, land inside.
  plat::TImage* isle = plat::LoadImage("incbin::island.png", 3);
  ASSERT_NE(isle, nullptr);
  for (int i = 0; i < 512; ++i) {
    for (auto [x, y] : {std::pair{i, 0}, std::pair{i, 511}, std::pair{0, i}, std::pair{511, i}})
      ASSERT_EQ(alpha(isle, x, y), 0) << "island edge " << x << "," << y;
  }
  EXPECT_EQ(alpha(isle, 256, 256), 255);

  // The road marking: the centre line is drawn, the space beside it is not.
  plat::TImage* arrow = plat::LoadImage("incbin::arrow.png", 3);
  ASSERT_NE(arrow, nullptr);
  EXPECT_GT(alpha(arrow, 63, 5), 128);
  EXPECT_GT(alpha(arrow, 64, 120), 128);
  EXPECT_EQ(alpha(arrow, 32, 20), 0);
  EXPECT_EQ(alpha(arrow, 96, 100), 0);

  // The wing: solid in the middle, soft toward its leading edge.
  plat::TImage* wing = plat::LoadImage("incbin::wing2.png", 3);
  ASSERT_NE(wing, nullptr);
  EXPECT_GT(alpha(wing, 128, 128), 200);
  EXPECT_LT(alpha(wing, 128, 0), 64);
}

TEST(AssetSounds, StereoPcmOfTheStatedLengthsFadedAtBothEnds) {
  const double seconds[8] = {15.96, 15.95, 15.96, 15.95, 15.95, 15.98, 15.96, 15.93};
  for (int i = 0; i < 8; ++i) {
    std::string name = "sound" + std::to_string(i + 1) + ".wav";
    const assets::EmbeddedFile* f = Find(name);
    ASSERT_NE(f, nullptr) << name;
    Pcm pcm = ReadWav(*f);
    double length = static_cast<double>(pcm.samples.size() / 2) / 22050.0;
    EXPECT_NEAR(length, seconds[i], 0.01) << name;
    EXPECT_LT(length, 16.0) << name;
    ASSERT_GE(pcm.samples.size(), 4u);
    // No click: the first and last frames are (nearly) silent.
    for (std::size_t k : {std::size_t{0}, std::size_t{1}, pcm.samples.size() - 2, pcm.samples.size() - 1})
      EXPECT_LE(std::abs(pcm.samples[k]), 64) << name << " sample " << k;
    // And it is not silence.
    int peak = 0;
    for (std::int16_t s : pcm.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 1000) << name;
  }
}

// sound1 .. sound8, at indexes 0 .. 7.
std::vector<Pcm> Phrases() {
  std::vector<Pcm> phrases;
  for (int i = 1; i <= 8; ++i) {
    const assets::EmbeddedFile* f = Find("sound" + std::to_string(i) + ".wav");
    EXPECT_NE(f, nullptr);
    phrases.push_back(f != nullptr ? ReadWav(*f) : Pcm{});
  }
  return phrases;
}

// Phrases started together, summed as the mixer sums them: how loud the
// mono sum is and how far the mix leans to the left.
struct Balance {
  double level_db;  // RMS of (left + right) / 2, dB of full scale
  double lean_db;   // left channel's RMS over the right's, dB
};
Balance Measure(const std::vector<const Pcm*>& layered) {
  std::size_t longest = 0;
  for (const Pcm* p : layered) longest = std::max(longest, p->samples.size());
  double left = 0.0, right = 0.0, mono = 0.0;
  for (std::size_t k = 0; k + 1 < longest; k += 2) {
    double l = 0.0, r = 0.0;
    for (const Pcm* p : layered) {
      if (k + 1 >= p->samples.size()) continue;
      l += p->samples[k];
      r += p->samples[k + 1];
    }
    left += l * l;
    right += r * r;
    mono += 0.25 * (l + r) * (l + r);
  }
  const double frames = static_cast<double>(longest / 2);
  return {10.0 * std::log10(mono / frames / (32768.0 * 32768.0)), 10.0 * std::log10(left / right)};
}

TEST(AssetSounds, LayeredPhrasesStayBelowFullScale) {
  std::vector<Pcm> phrases = Phrases();
  std::size_t longest = 0;
  for (const Pcm& p : phrases) longest = std::max(longest, p.samples.size());
  // All eight started together.
  long sum_peak = 0;
  for (std::size_t k = 0; k < longest; ++k) {
    long sum = 0;
    for (const Pcm& p : phrases)
      if (k < p.samples.size()) sum += p.samples[k];
    sum_peak = std::max(sum_peak, std::labs(sum));
  }
  EXPECT_LT(sum_peak, 32767);
  // No phrase above 0.18 of full scale, the generator's bound; a boundary
  // starts up to five phrases, possibly the same one several times: five
  // copies of the loudest must still fit.
  int peak = 0;
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    int p = 0;
    for (std::int16_t s : phrases[i].samples) p = std::max(p, std::abs(static_cast<int>(s)));
    EXPECT_LE(p, 5898) << "sound" << i + 1;
    peak = std::max(peak, p);
  }
  EXPECT_LT(5 * peak, 32767);
}

// Each wing's phrases lean to its side, but gently, and mirror each other's
// level, so that whichever wing wins at a boundary the music does not tilt.
TEST(AssetSounds, WingPhrasesLeanGentlyAndNoLayeringTilts) {
  const std::vector<Pcm> phrases = Phrases();
  ASSERT_EQ(phrases.size(), 8u);
  Balance alone[8];
  for (std::size_t i = 0; i < 8; ++i) {
    ASSERT_FALSE(phrases[i].samples.empty()) << "sound" << i + 1;
    alone[i] = Measure({&phrases[i]});
    EXPECT_LE(std::fabs(alone[i].lean_db), 4.0) << "sound" << i + 1;
  }
  // sound3 and sound5 are the right wing's, sound4 and sound6 the left's.
  for (std::size_t right : {2u, 4u}) {
    const std::size_t left = right + 1;
    EXPECT_LT(alone[right].lean_db, -1.0) << "sound" << right + 1 << " is not on the right";
    EXPECT_GT(alone[left].lean_db, 1.0) << "sound" << left + 1 << " is not on the left";
    EXPECT_NEAR(alone[right].level_db, alone[left].level_db, 1.5)
        << "sound" << right + 1 << " and sound" << left + 1;
  }
  // Every set of phrases one boundary in play can start. Each step's choice
  // is carried to the next when none of its tests holds: the base; then, each
  // on a coin, the body's choice, the sinking wings' and the rising wings';
  // last the final choice or the high line, which the caller starts. So one
  // wing phrase may start three times over, in phase. On the floor, the base
  // alone. (Indexes: sound1 is 0.)
  std::set<std::vector<int>> layerings = {{7}};
  for (int body : {7, 0, 1}) {
    for (int sinking : {body, 2, 3}) {
      for (int rising : {sinking, 4, 5}) {
        for (int last : {rising, 6}) {
          for (int coins = 0; coins < 8; ++coins) {
            std::vector<int> started = {7, last};
            if (coins & 1) started.push_back(body);
            if (coins & 2) started.push_back(sinking);
            if (coins & 4) started.push_back(rising);
            std::sort(started.begin(), started.end());
            layerings.insert(started);
          }
        }
      }
    }
  }
  for (const std::vector<int>& started : layerings) {
    std::vector<const Pcm*> layered;
    std::string names;
    for (int i : started) {
      layered.push_back(&phrases[static_cast<std::size_t>(i)]);
      names += (names.empty() ? "sound" : " + sound") + std::to_string(i + 1);
    }
    EXPECT_LE(std::fabs(Measure(layered).lean_db), 2.0) << names;
  }
}

}  // namespace

// Decoding of embedded PNG, WAV and TrueType bytes: good files load with
// their real sizes, damaged ones load nothing.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core_sound.h"
#include "platform/platform.h"
#include "platform/record.h"

using namespace plat;

namespace {

// Files registered as embedded must outlive the program.
std::vector<std::vector<unsigned char>>& Keep() {
  static std::vector<std::vector<unsigned char>> files;
  return files;
}
std::string Embed(const std::string& name, std::vector<unsigned char> bytes) {
  Keep().push_back(std::move(bytes));
  IncbinAdd(name, Keep().back().data(), Keep().back().size());
  return "incbin::" + name;
}

void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// Encodes a PNG of the given colour type and depth; `samples` are given per
// channel as 16-bit values when depth is 16, else 8-bit.
std::vector<unsigned char> MakePng(int w, int h, int color_type, int depth,
                                   const std::vector<unsigned>& samples,
                                   const std::vector<png_color_16>* trns = nullptr) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "png write failed";
    return {};
  }
  png_set_write_fn(png, &out, WriteToVector, nullptr);
  png_set_IHDR(png, info, w, h, depth, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (trns) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(trns->data()));
  png_write_info(png, info);
  int channels = png_get_channels(png, info);
  int bytes = depth / 8;
  std::vector<unsigned char> row(static_cast<std::size_t>(w * channels * bytes));
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < w * channels; ++i) {
      unsigned v = samples[static_cast<std::size_t>(y * w * channels + i)];
      if (bytes == 2) {
        row[static_cast<std::size_t>(2 * i)] = static_cast<unsigned char>(v >> 8);
        row[static_cast<std::size_t>(2 * i + 1)] = static_cast<unsigned char>(v & 0xff);
      } else {
        row[static_cast<std::size_t>(i)] = static_cast<unsigned char>(v);
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<unsigned char> MakeWav(int channels, int bits, std::size_t data_bytes) {
  std::vector<unsigned char> w;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto u16 = [&](unsigned v) {
    w.push_back(static_cast<unsigned char>(v));
    w.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  tag("RIFF");
  u32(static_cast<std::uint32_t>(36 + data_bytes));
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(static_cast<unsigned>(channels));
  u32(22050);
  u32(static_cast<std::uint32_t>(22050 * channels * bits / 8));
  u16(static_cast<unsigned>(channels * bits / 8));
  u16(static_cast<unsigned>(bits));
  tag("data");
  u32(static_cast<std::uint32_t>(data_bytes));
  w.insert(w.end(), data_bytes, 0x80);
  return w;
}

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* kFontPath = "/usr/share/fonts/truetype/comfortaa/Comfortaa-Regular.ttf";

struct Fresh : ::testing::Test {
  void SetUp() override { ResetPlatformState(); }
};
using Images = Fresh;
using Sounds = Fresh;
using Fonts = Fresh;

}  // namespace

TEST_F(Images, SizesHandlesAndSixteenBitReduction) {
  // 16-bit RGB, 3x2: reduced by value, so 32768 gives 128, not a gamma-brightened level.
  std::vector<unsigned> s16;
  for (int i = 0; i < 6; ++i) s16.insert(s16.end(), {32768, 65535, 0});
  std::string url16 = Embed("deep.png", MakePng(3, 2, PNG_COLOR_TYPE_RGB, 16, s16));
  TImage* deep = LoadImage(url16, 2);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->width, 3);
  EXPECT_EQ(deep->height, 2);
  EXPECT_EQ(deep->flags, 2);
  ASSERT_EQ(deep->rgba.size(), 24u);
  EXPECT_EQ(deep->rgba[0], 128);
  EXPECT_EQ(deep->rgba[1], 255);
  EXPECT_EQ(deep->rgba[2], 0);
  EXPECT_EQ(deep->rgba[3], 255);
  EXPECT_EQ(deep->handle_x, 0.0f);

  // Handles at the centre while AutoMidHandle is on at load time; odd sizes
  // give half pixels.
  AutoMidHandle(1);
  TImage* mid = LoadImage(url16, 0);
  ASSERT_NE(mid, nullptr);
  EXPECT_EQ(mid->handle_x, 1.5f);
  EXPECT_EQ(mid->handle_y, 1.0f);
  AutoMidHandle(0);
  EXPECT_EQ(mid->handle_x, 1.5f);  // images already loaded keep theirs
  SetImageHandle(mid, 0.25f, 7);
  EXPECT_EQ(mid->handle_x, 0.25f);
  EXPECT_EQ(mid->handle_y, 7.0f);

  int h = HandleFromImage(mid);
  EXPECT_EQ(ImageFromHandle(h), mid);
  EXPECT_EQ(ImageWidth(h), 3);
  EXPECT_EQ(ImageHeight(mid), 2);

  // Grey with 1-bit depth expands to RGBA8.
  std::string grey = Embed("grey.png", MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 200}));
  TImage* g = LoadImage(grey, 0);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(g->rgba.begin(), g->rgba.end()),
            (std::vector<std::uint8_t>{0, 0, 0, 255, 200, 200, 200, 255}));
}

TEST_F(Images, MaskAppliesOnlyWithoutAlpha) {
  // RGB: pixel 0 black (the start mask colour), pixel 1 red.
  std::string rgb = Embed("rgb.png", MakePng(2, 1, PNG_COLOR_TYPE_RGB, 8, {0, 0, 0, 255, 0, 0}));
  TImage* masked = LoadImage(rgb, 1);
  ASSERT_NE(masked, nullptr);
  EXPECT_EQ(masked->rgba[3], 0);
  EXPECT_EQ(masked->rgba[7], 255);
  TImage* unmasked = LoadImage(rgb, 0);
  EXPECT_EQ(unmasked->rgba[3], 255);

  SetMaskColor(255, 0, 0);
  TImage* red_masked = LoadImage(rgb, 1);
  EXPECT_EQ(red_masked->rgba[3], 255);
  EXPECT_EQ(red_masked->rgba[7], 0);

  // An image with its own alpha keeps it, mask colour or not.
  std::string rgba = Embed("rgba.png", MakePng(2, 1, PNG_COLOR_TYPE_RGBA, 8,
                                               {255, 0, 0, 255, 255, 0, 0, 100}));
  TImage* own = LoadImage(rgba, 1);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->rgba[3], 255);
  EXPECT_EQ(own->rgba[7], 100);

  // tRNS gives the image alpha: its transparent colour goes, the mask does not apply.
  std::vector<png_color_16> key(1);
  key[0].red = 0;
  key[0].green = 0;
  key[0].blue = 0;
  std::string keyed = Embed("keyed.png", MakePng(2, 1, PNG_COLOR_TYPE_RGB, 8,
                                                 {0, 0, 0, 255, 0, 0}, &key));
  TImage* k = LoadImage(keyed, 1);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->rgba[3], 0);
  EXPECT_EQ(k->rgba[7], 255);
}

TEST_F(Images, DamagedBytesLoadNothing) {
  std::vector<unsigned> px(4 * 4 * 4, 77);
  std::vector<unsigned char> good = MakePng(4, 4, PNG_COLOR_TYPE_RGBA, 8, px);
  ASSERT_NE(LoadImage(Embed("good.png", good), 0), nullptr);

  // Every truncation fails cleanly.
  for (std::size_t n = 0; n < good.size(); n += 3) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(LoadImage(Embed("cut" + std::to_string(n), cut), 0), nullptr) << n;
  }
  // A flipped byte in the header or the data breaks a checksum.
  for (std::size_t at : {std::size_t{16}, std::size_t{20}, good.size() - 20}) {
    std::vector<unsigned char> bad = good;
    bad[at] ^= 0x5a;
    EXPECT_EQ(LoadImage(Embed("bad" + std::to_string(at), bad), 0), nullptr) << at;
  }
  EXPECT_EQ(LoadImage(Embed("text.png", {'h', 'e', 'l', 'l', 'o'}), 0), nullptr);
}

TEST_F(Sounds, OnlyWholePcmWavLoads) {
  EXPECT_TRUE(ValidWav(MakeWav(1, 8, 10).data(), MakeWav(1, 8, 10).size()));
  std::vector<unsigned char> stereo = MakeWav(2, 16, 400);
  EXPECT_TRUE(ValidWav(stereo.data(), stereo.size()));
  int s = LoadSound(Embed("ok.wav", stereo), 0);
  EXPECT_GE(s, 1);
  EXPECT_GT(LoadSound(Embed("ok2.wav", MakeWav(1, 8, 3)), 0), s);

  // Truncated anywhere (header, format, data): nothing.
  for (std::size_t n = 0; n < stereo.size(); n += 7) {
    std::vector<unsigned char> cut(stereo.begin(), stereo.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(LoadSound(Embed("cut" + std::to_string(n) + ".wav", cut), 0), 0) << n;
  }
  // Unsupported formats and lying chunk sizes: nothing.
  EXPECT_FALSE(ValidWav(MakeWav(3, 16, 6).data(), MakeWav(3, 16, 6).size()));
  EXPECT_FALSE(ValidWav(MakeWav(1, 24, 6).data(), MakeWav(1, 24, 6).size()));
  std::vector<unsigned char> floaty = MakeWav(1, 16, 4);
  floaty[20] = 3;  // IEEE float format
  EXPECT_FALSE(ValidWav(floaty.data(), floaty.size()));
  std::vector<unsigned char> huge = MakeWav(1, 16, 4);
  huge[40] = huge[41] = huge[42] = huge[43] = 0xff;  // data chunk size 4 GiB
  EXPECT_FALSE(ValidWav(huge.data(), huge.size()));
  std::vector<unsigned char> no_data(stereo.begin(), stereo.begin() + 36);
  no_data[4] = 28;
  EXPECT_FALSE(ValidWav(no_data.data(), no_data.size()));

  // A RIFF size larger than the file is tolerated when the chunks are whole;
  // an extra chunk with odd length is padded and skipped.
  std::vector<unsigned char> loose = MakeWav(1, 8, 2);
  loose[4] = 0xf0;
  EXPECT_TRUE(ValidWav(loose.data(), loose.size()));
  std::vector<unsigned char> listed = MakeWav(1, 8, 2);
  std::vector<unsigned char> extra = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  listed.insert(listed.begin() + 12, extra.begin(), extra.end());
  listed[4] = static_cast<unsigned char>(listed[4] + extra.size());
  EXPECT_TRUE(ValidWav(listed.data(), listed.size()));
}

TEST_F(Fonts, WidthsGlyphsAndDamagedBytes) {
  std::vector<unsigned char> bytes = ReadFile(kFontPath);
  ASSERT_FALSE(bytes.empty()) << kFontPath;
  std::string url = Embed("font.ttf", bytes);

  // No font selected: nothing measured.
  EXPECT_EQ(TextWidth("abc"), 0);

  int font = LoadImageFont(url, 24, 4);
  ASSERT_GE(font, 1);
  SetImageFont(font);
  EXPECT_EQ(TextWidth(""), 0);
  int a = TextWidth("A"), b = TextWidth("b");
  EXPECT_GT(a, 5);
  EXPECT_EQ(TextWidth("Ab"), a + b);
  EXPECT_EQ(TextWidth("AbAb"), 2 * (a + b));
  // The scale does not change the width.
  SetScale(3, 3);
  EXPECT_EQ(TextWidth("Ab"), a + b);
  SetScale(1, 1);
  // A character the font has no glyph for adds nothing (U+4E2D, a CJK character).
  EXPECT_EQ(TextWidth("A\xe4\xb8\xad" "b"), a + b);

  // Drawing: one glyph draw per visible glyph, stepping by the advance;
  // the empty text and a missing glyph draw nothing.
  rec::Enable(true);
  DrawText("", 10, 20);
  ASSERT_EQ(rec::Calls().size(), 1u);
  rec::Clear();
  DrawText("A\xe4\xb8\xad" "A", 10, 20);
  std::vector<rec::Call> glyphs;
  for (const auto& c : rec::Calls())
    if (c.op == "DrawGlyph") glyphs.push_back(c);
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].args[0], 'A');
  EXPECT_DOUBLE_EQ(glyphs[1].args[1] - glyphs[0].args[1], a);
  // The glyph hangs below the line's top at y and not above it.
  EXPECT_GE(glyphs[0].args[2], 20.0);
  // At scale 2 the step and the glyph size double, about (x, y).
  rec::Clear();
  SetScale(2, 2);
  DrawText("AA", 10, 20);
  std::vector<rec::Call> big;
  for (const auto& c : rec::Calls())
    if (c.op == "DrawGlyph") big.push_back(c);
  ASSERT_EQ(big.size(), 2u);
  EXPECT_DOUBLE_EQ(big[1].args[1] - big[0].args[1], 2.0 * a);
  EXPECT_DOUBLE_EQ(big[0].args[3] - big[0].args[1], 2.0 * (glyphs[0].args[3] - glyphs[0].args[1]));
  EXPECT_DOUBLE_EQ(big[0].args[2] - 20.0, 2.0 * (glyphs[0].args[2] - 20.0));
  rec::Enable(false);

  // Mono style measures too; damaged bytes give no font.
  EXPECT_GE(LoadImageFont(url, 12, 0), 1);
  EXPECT_EQ(LoadImageFont(url, 0, 4), 0);
  std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + 200);
  EXPECT_EQ(LoadImageFont(Embed("cut.ttf", cut), 24, 4), 0);
  std::vector<unsigned char> junk(5000, 0x41);
  EXPECT_EQ(LoadImageFont(Embed("junk.ttf", junk), 24, 4), 0);
}

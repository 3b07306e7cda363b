// Decoding of embedded PNG, WAV and TrueType bytes: good files load with
// their real contents and say nothing, damaged ones load nothing and say
// why in one line.
#include <gtest/gtest.h>
#include <png.h>

#include "assets/embedded.h"
#include "platform/platform.h"
#include "platform/record.h"
#include "png_encode.h"

using namespace plat;

namespace {
using Bytes = std::vector<unsigned char>;

// Registered files must outlive the program.
std::string Embed(const std::string& name, Bytes bytes) {
  static std::vector<std::unique_ptr<Bytes>> kept;
  kept.push_back(std::make_unique<Bytes>(std::move(bytes)));
  IncbinAdd(name, kept.back()->data(), kept.back()->size());
  return "incbin::" + name;
}

Bytes Cut(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + long(n)); }

// A one-row PNG; 16-bit samples are written big-endian as PNG wants.
Bytes MakePng(int w, int color_type, int depth, const std::vector<unsigned>& samples,
              png_color_16* trns = nullptr) {
  Bytes row;
  for (unsigned v : samples) {
    if (depth == 16) row.push_back(static_cast<unsigned char>(v >> 8));
    row.push_back(static_cast<unsigned char>(v));
  }
  return testpng::Encode(w, 1, color_type, depth, row, trns);
}

Bytes MakeWav(int channels, int bits, std::uint32_t data_bytes) {
  Bytes w;
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  unsigned align = static_cast<unsigned>(channels * bits / 8);
  tag("RIFF"), put(36 + data_bytes, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(1, 2);
  put(static_cast<unsigned>(channels), 2), put(22050, 4), put(22050 * align, 4), put(align, 2);
  put(static_cast<unsigned>(bits), 2), tag("data"), put(data_bytes, 4);
  w.insert(w.end(), data_bytes, 0x80);
  return w;
}

// What a load said on stderr.
template <class Load>
std::string Said(Load load) {
  testing::internal::CaptureStderr();
  load();
  return testing::internal::GetCapturedStderr();
}

// One line that names the file and gives a reason containing `why`.
testing::AssertionResult SaysWhy(const std::string& said, const std::string& url,
                                 const std::string& why = "") {
  const std::string head = "velkaro: cannot load '" + url + "': ";
  if (said.starts_with(head) && said.size() > head.size() + 1 && said.back() == '\n' &&
      said.find('\n') == said.size() - 1 && said.find(why, head.size()) != std::string::npos)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "said \"" << said << "\", not one line of why ("
                                     << why << ") " << url << " failed";
}

struct Media : ::testing::Test {
  void SetUp() override { ResetPlatformState(); }
};
}  // namespace

TEST_F(Media, PngDepthMaskAndHandles) {
  // 16-bit samples are reduced by value: 32768 -> 128, not a gamma-brightened level.
  std::string deep = Embed("deep.png", MakePng(3, PNG_COLOR_TYPE_RGB, 16,
                                               {32768, 65535, 0, 0, 0, 0, 0, 0, 0}));
  TImage* d = LoadImage(deep, 2);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->width, 3);
  EXPECT_EQ(d->height, 1);
  EXPECT_EQ(d->flags, 2);
  EXPECT_EQ(Bytes(d->rgba.begin(), d->rgba.begin() + 4), (Bytes{128, 255, 0, 255}));
  EXPECT_EQ(d->handle_x, 0.0f);
  AutoMidHandle(1);
  TImage* mid = LoadImage(deep, 0);
  EXPECT_EQ(mid->handle_x, 1.5f);
  EXPECT_EQ(mid->handle_y, 0.5f);

  // The mask colour goes transparent only in images without alpha.
  std::string rgb = Embed("rgb.png", MakePng(2, PNG_COLOR_TYPE_RGB, 8, {0, 0, 0, 255, 0, 0}));
  TImage* masked = LoadImage(rgb, 1);
  EXPECT_EQ(masked->rgba[3], 0);
  EXPECT_EQ(masked->rgba[7], 255);
  EXPECT_EQ(LoadImage(rgb, 0)->rgba[3], 255);
  SetMaskColor(255, 0, 0);
  TImage* red = LoadImage(rgb, 1);
  EXPECT_EQ(red->rgba[3], 255);
  EXPECT_EQ(red->rgba[7], 0);
  std::string rgba = Embed("rgba.png", MakePng(2, PNG_COLOR_TYPE_RGBA, 8,
                                               {255, 0, 0, 255, 255, 0, 0, 100}));
  TImage* own = LoadImage(rgba, 1);
  EXPECT_EQ(own->rgba[3], 255);
  EXPECT_EQ(own->rgba[7], 100);
  // A tRNS key is the image's own alpha: its colour goes, the mask does not apply.
  png_color_16 key{};
  TImage* keyed = LoadImage(Embed("key.png", MakePng(2, PNG_COLOR_TYPE_RGB, 8,
                                                    {0, 0, 0, 255, 0, 0}, &key)), 1);
  EXPECT_EQ(keyed->rgba[3], 0);
  EXPECT_EQ(keyed->rgba[7], 255);
  // Grey expands to RGBA.
  TImage* grey = LoadImage(Embed("grey.png", MakePng(1, PNG_COLOR_TYPE_GRAY, 8, {200})), 0);
  EXPECT_EQ(grey->rgba, (std::vector<std::uint8_t>{200, 200, 200, 255}));
}

TEST_F(Media, DamagedPngLoadsNothingAndSaysWhy) {
  Bytes good = MakePng(4, PNG_COLOR_TYPE_RGBA, 8, std::vector<unsigned>(16, 77));
  EXPECT_EQ(Said([&] { ASSERT_NE(LoadImage(Embed("good.png", good), 0), nullptr); }), "");
  for (std::size_t n = 0; n < good.size(); n += 3) {
    const std::string url = Embed("cut" + std::to_string(n), Cut(good, n));
    const std::string said = Said([&] { EXPECT_EQ(LoadImage(url, 0), nullptr) << n; });
    EXPECT_TRUE(SaysWhy(said, url, n < 8 ? "not a PNG image" : "truncated image"));
  }
  // A broken checksum, the chunk's or the compressed data's, in libpng's
  // own words.
  for (auto [at, why] : {std::pair<std::size_t, std::string>{16, "IHDR: CRC error"},
                         {20, "IHDR: CRC error"},
                         {good.size() - 20, "IDAT: incorrect data check"}}) {
    Bytes bad = good;
    bad[at] ^= 0x5a;
    const std::string url = Embed("bad" + std::to_string(at), bad);
    const std::string said = Said([&] { EXPECT_EQ(LoadImage(url, 0), nullptr) << at; });
    EXPECT_TRUE(SaysWhy(said, url, why));
  }
  for (const char* url : {"incbin::nowhere.png", "nowhere.png"})
    EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadImage(url, 0), nullptr); }), url, "embedded"));
}

// Images embedded before the window opens are decoded ahead, on another
// thread: each must load exactly as when decoded on the spot (mask colour
// as set at load time), a damaged one not at all, and a second load of the
// same file must still work once the decoded copy has been handed out.
TEST_F(Media, ImagesDecodedAheadLoadAsDecodedOnTheSpot) {
  const std::string rgb = Embed("ahead_rgb.png", MakePng(2, PNG_COLOR_TYPE_RGB, 8,
                                                          {255, 0, 255, 1, 2, 3}));
  const std::string deep = Embed("ahead_deep.png", MakePng(1, PNG_COLOR_TYPE_RGBA, 16,
                                                            {65535, 32768, 0, 40000}));
  const std::string broken =
      Embed("ahead_broken.png", Cut(MakePng(4, PNG_COLOR_TYPE_RGB, 8, std::vector<unsigned>(12, 9)), 40));
  // The thread ahead says nothing of the broken one; its load does.
  TImage *masked = nullptr, *again = nullptr, *d = nullptr;
  EXPECT_EQ(Said([&] {
              ASSERT_NE(Graphics(640, 480, 0, 60, 0), nullptr);
              SetMaskColor(255, 0, 255);
              masked = LoadImage(rgb, 1);
              again = LoadImage(rgb, 1);
              d = LoadImage(deep, 0);
            }),
            "");
  ASSERT_TRUE(masked && again);
  EXPECT_EQ(masked->rgba, (std::vector<std::uint8_t>{255, 0, 255, 0, 1, 2, 3, 255}));
  EXPECT_EQ(again->rgba, masked->rgba);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->rgba, (std::vector<std::uint8_t>{255, 128, 0, 156}));
  EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadImage(broken, 0), nullptr); }), broken,
                      "truncated image"));
}

TEST_F(Media, OnlyWholePcmWavLoadsAndPlays) {
  Bytes stereo = MakeWav(2, 16, 400);
  int s = 0;
  EXPECT_EQ(Said([&] {
              s = LoadSound(Embed("ok.wav", stereo), 0);
              EXPECT_GT(LoadSound(Embed("mono8.wav", MakeWav(1, 8, 3)), 0), s);
            }),
            "");
  ASSERT_GE(s, 1);
  for (std::size_t n = 0; n < stereo.size(); n += 7) {
    const std::string url = Embed("cut" + std::to_string(n) + ".wav", Cut(stereo, n));
    EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadSound(url, 0), 0) << n; }), url));
  }
  Bytes floaty = MakeWav(1, 16, 4), huge = MakeWav(1, 16, 4), odd = MakeWav(2, 16, 8);
  floaty[20] = 3;                          // IEEE float, not PCM
  huge[40] = huge[41] = huge[42] = 0xff;   // data chunk longer than the file
  odd[40] = 6;                             // one and a half stereo samples
  const char* kNotPcm = "not 8- or 16-bit PCM in one or two channels";
  for (auto& [name, bytes, why] : std::vector<std::tuple<std::string, Bytes, std::string>>{
           {"c3.wav", MakeWav(3, 16, 6), kNotPcm},
           {"b24.wav", MakeWav(1, 24, 6), kNotPcm},
           {"float.wav", floaty, kNotPcm},
           {"huge.wav", huge, "a chunk runs past the end of the file"},
           {"odd.wav", odd, "not a whole number of samples"},
           {"riff.wav", Bytes(64, 'R'), "not a RIFF WAVE file"}}) {
    const std::string url = Embed(name, bytes);
    EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadSound(url, 0), 0) << name; }), url, why));
  }
  // A RIFF size past the end is tolerated when the chunks are whole; an odd
  // chunk before the data is padded and skipped.
  Bytes loose = MakeWav(1, 8, 2);
  loose[4] = 0xf0;
  Bytes listed = MakeWav(1, 8, 2), extra = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  listed.insert(listed.begin() + 12, extra.begin(), extra.end());
  listed[4] = static_cast<unsigned char>(listed[4] + extra.size());
  EXPECT_EQ(Said([&] {
              EXPECT_GE(LoadSound(Embed("loose.wav", loose), 0), 1);
              EXPECT_GE(LoadSound(Embed("listed.wav", listed), 0), 1);
            }),
            "");

  EXPECT_EQ(PlaySound(0), 0);
  int c1 = PlaySound(s), c2 = PlaySound(s);
  EXPECT_GE(c1, 1);
  EXPECT_GT(c2, c1);
  EXPECT_EQ(rec::Played(), (std::vector<int>{s, s}));
}

TEST_F(Media, FontWidthsGlyphsAndDamagedBytes) {
  // The game's own font, linked into every test: nothing read from disk.
  Bytes bytes;
  for (const auto& f : assets::EmbeddedFiles())
    if (std::string(f.name).ends_with(".ttf")) bytes.assign(f.data, f.data + f.size);
  ASSERT_FALSE(bytes.empty());
  std::string url = Embed("font.ttf", bytes);
  EXPECT_EQ(TextWidth("abc"), 0);  // no font selected
  int font = LoadImageFont(url, 24, 4);
  ASSERT_GE(font, 1);
  SetImageFont(font);
  int a = TextWidth("A"), b = TextWidth("b");
  EXPECT_GT(a, 5);
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextWidth("AbAb"), 2 * (a + b));
  SetScale(3, 3);
  EXPECT_EQ(TextWidth("Ab"), a + b);  // at scale 1 whatever the scale
  SetScale(1, 1);
  const char* with_missing = "A\xe4\xb8\xad" "A";  // U+4E2D: no glyph in this font
  EXPECT_EQ(TextWidth(with_missing), 2 * a);

  // One glyph draw per glyph, stepping by the advance; none for "".
  auto glyphs = [](const std::string& text, float scale) {
    rec::Clear();
    SetScale(scale, scale);
    DrawText(text, 10, 20);
    std::vector<rec::Call> out;
    for (const auto& c : rec::Calls())
      if (c.op == "DrawGlyph") out.push_back(c);
    return out;
  };
  rec::Enable(true);
  EXPECT_TRUE(glyphs("", 1).empty());
  auto one = glyphs(with_missing, 1);
  ASSERT_EQ(one.size(), 2u);
  EXPECT_DOUBLE_EQ(one[1].args[1] - one[0].args[1], a);
  EXPECT_GE(one[0].args[2], 20.0);  // hangs below the line's top
  auto two = glyphs("AA", 2);       // size and step double, about (x, y)
  ASSERT_EQ(two.size(), 2u);
  EXPECT_DOUBLE_EQ(two[1].args[1] - two[0].args[1], 2.0 * a);
  EXPECT_DOUBLE_EQ(two[0].args[3] - two[0].args[1], 2.0 * (one[0].args[3] - one[0].args[1]));
  EXPECT_DOUBLE_EQ(two[0].args[2] - 20.0, 2.0 * (one[0].args[2] - 20.0));

  EXPECT_EQ(Said([&] { EXPECT_GE(LoadImageFont(url, 12, 0), 1); }), "");
  // FreeType's own words for what is wrong.
  const std::string cut = Embed("cut.ttf", Cut(bytes, 200)), junk = Embed("junk.ttf", Bytes(5000, 0x41));
  EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadImageFont(cut, 24, 4), 0); }), cut, "FreeType: "));
  EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadImageFont(junk, 24, 4), 0); }), junk,
                      "FreeType: unknown file format"));
  EXPECT_TRUE(SaysWhy(Said([&] { EXPECT_EQ(LoadImageFont(url, 0, 4), 0); }), url,
                      "not a pixel size"));
}

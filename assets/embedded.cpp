// The embedded files' bytes come from the generated assembler file, which
// places each between a start and an end symbol.
#include "assets/embedded.h"

extern "C" {
#define VELKARO_ASSET(n)                          \
  extern const unsigned char velkaro_asset_##n[]; \
  extern const unsigned char velkaro_asset_##n##_end[];
VELKARO_ASSET(0)
VELKARO_ASSET(1)
VELKARO_ASSET(2)
VELKARO_ASSET(3)
VELKARO_ASSET(4)
VELKARO_ASSET(5)
VELKARO_ASSET(6)
VELKARO_ASSET(7)
VELKARO_ASSET(8)
VELKARO_ASSET(9)
VELKARO_ASSET(10)
VELKARO_ASSET(11)
VELKARO_ASSET(12)
VELKARO_ASSET(13)
#undef VELKARO_ASSET
}

namespace assets {

namespace {

EmbeddedFile Entry(const char* name, const unsigned char* begin, const unsigned char* end) {
  return EmbeddedFile{name, begin, static_cast<std::size_t>(end - begin)};
}

}  // namespace

const std::vector<EmbeddedFile>& EmbeddedFiles() {
  // Same order as the .incbin directives (assets/CMakeLists.txt), which is
  // the order the game registers them in.
  static const std::vector<EmbeddedFile> files = {
      Entry("LIBEB___.ttf", velkaro_asset_0, velkaro_asset_0_end),
      Entry("logo.png", velkaro_asset_1, velkaro_asset_1_end),
      Entry("sound1.wav", velkaro_asset_2, velkaro_asset_2_end),
      Entry("sound2.wav", velkaro_asset_3, velkaro_asset_3_end),
      Entry("sound3.wav", velkaro_asset_4, velkaro_asset_4_end),
      Entry("sound4.wav", velkaro_asset_5, velkaro_asset_5_end),
      Entry("sound5.wav", velkaro_asset_6, velkaro_asset_6_end),
      Entry("sound6.wav", velkaro_asset_7, velkaro_asset_7_end),
      Entry("sound7.wav", velkaro_asset_8, velkaro_asset_8_end),
      Entry("sound8.wav", velkaro_asset_9, velkaro_asset_9_end),
      Entry("wing2.png", velkaro_asset_10, velkaro_asset_10_end),
      Entry("spark.png", velkaro_asset_11, velkaro_asset_11_end),
      Entry("island.png", velkaro_asset_12, velkaro_asset_12_end),
      Entry("arrow.png", velkaro_asset_13, velkaro_asset_13_end),
  };
  return files;
}

}  // namespace assets

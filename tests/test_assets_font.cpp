// The embedded font: a TrueType face FreeType can open, with a glyph for
// every character the game ever draws.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "assets/embedded.h"
#include "velkaro/velkaro.h"

namespace {

const assets::EmbeddedFile& Font() {
  for (const auto& f : assets::EmbeddedFiles())
    if (std::string(f.name) == "LIBEB___.ttf") return f;
  static const assets::EmbeddedFile none{"", nullptr, 0};
  ADD_FAILURE() << "no embedded font";
  return none;
}

// The texts are UTF-8; a malformed sequence fails the test.
std::vector<std::uint32_t> CodePoints(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || s.size() - i <= static_cast<std::size_t>(extra)) {
      ADD_FAILURE() << "malformed UTF-8 in \"" << s << "\"";
      return out;
    }
    std::uint32_t cp = extra == 0 ? c : c & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

// Every text the game draws with the font.
std::vector<std::string> GameTexts() {
  std::vector<std::string> texts = {"Press Space to start flying.",
                                    "Z and M to flap; hold them down to dive.",
                                    "Stay on the blue sky road.",
                                    "Free flight - hit F1 to start the challenge.",
                                    "Score: 0123456789",
                                    "12:05am",
                                    "11:55pm"};
  for (int n = 1; n <= 114; ++n) texts.push_back(velkaro::storyLine(n));
  return texts;
}

TEST(AssetFont, TrueTypeFaceWithAGlyphForEveryCharacterTheGameDraws) {
  const assets::EmbeddedFile& f = Font();
  ASSERT_GE(f.size, 12u);
  // sfnt version 1.0: TrueType outlines, not CFF ("OTTO").
  EXPECT_EQ(f.data[0], 0x00);
  EXPECT_EQ(f.data[1], 0x01);
  EXPECT_EQ(f.data[2], 0x00);
  EXPECT_EQ(f.data[3], 0x00);

  FT_Library lib = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Memory_Face(lib, f.data, static_cast<FT_Long>(f.size), 0, &face), 0);
  EXPECT_TRUE(FT_IS_SFNT(face));
  EXPECT_TRUE(FT_IS_SCALABLE(face));
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 24), 0);

  std::set<std::uint32_t> chars;
  for (const std::string& t : GameTexts())
    for (std::uint32_t c : CodePoints(t)) chars.insert(c);
  for (std::uint32_t c : chars) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    EXPECT_NE(glyph, 0u) << "no glyph for U+" << std::hex << c;
    if (glyph == 0) continue;
    ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_RENDER), 0) << c;
    EXPECT_GT(face->glyph->advance.x, 0) << "U+" << std::hex << c << " takes no room";
    if (c != ' ') {
      EXPECT_GT(face->glyph->bitmap.width, 0u) << "U+" << std::hex << c << " renders empty";
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}

}  // namespace

// Fonts rasterised with FreeType, glyph images made on demand.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace plat {

struct Glyph {
  bool present = false;  // the font has a glyph for the character
  int left = 0, top = 0;  // bitmap offset from the pen, y up from the baseline
  int advance = 0;        // whole pixels, from the rounded 26.6 advance
  std::unique_ptr<TImage> image;  // nullptr for an empty bitmap (a space)
  bool in_atlas = false;  // also placed in the font's atlas, top-left at (ax, ay)
  int ax = 0, ay = 0;
};

// The glyphs of a font side by side in one image, so that a line of text is
// drawn with one texture: one draw instead of one per glyph. Each glyph is
// ringed by a copy of its edge texels, so a filtered draw finds there what
// it would find clamped at the edge of the glyph's own image.
struct GlyphAtlas {
  static constexpr int kWidth = 512;
  static constexpr int kMaxHeight = 2048;
  TImage image;  // kWidth wide, as high as its shelves
  int shelf_x = 0, shelf_y = 0, shelf_height = 0;
};

struct Font {
  std::vector<unsigned char> bytes;  // FreeType reads the face from these
  void* face = nullptr;              // FT_Face
  bool smooth = false;
  int ascender = 0;                  // whole pixels above the baseline
  std::map<std::uint32_t, Glyph> glyphs;
  GlyphAtlas atlas;
  ~Font();
};

// Decodes UTF-8; an invalid byte stands for itself as a Latin-1 character.
std::vector<std::uint32_t> DecodeUtf8(const std::string& text);

// The glyph of a character, rasterised on first use.
const Glyph& GlyphOf(Font& font, std::uint32_t ch);

}  // namespace plat

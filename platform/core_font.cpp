// TrueType fonts through FreeType, read from embedded bytes.
#include "platform/core_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

#include "platform/core_state.h"

namespace plat {

namespace {
constexpr int kStyleSmooth = 4;  // the anti-aliased style bit

// Whole pixels from a 26.6 value, rounded half up.
int RoundPixels(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

// FreeType's own words for an error code, from its error list (the library
// is built without FT_Error_String's table).
std::string FreeTypeSays(FT_Error error) {
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {v, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST }
  struct Entry {
    int code;
    const char* text;
  };
  static constexpr Entry kErrors[] =
#include FT_ERRORS_H
      ;
  for (const Entry& e : kErrors)
    if (e.code == FT_ERROR_BASE(error)) return std::string("FreeType: ") + e.text;
  return "FreeType error " + std::to_string(error);
}

FT_Library Library(FT_Error* error) {
  CoreState& st = core();
  if (!st.ft_library) {
    FT_Library lib = nullptr;
    *error = FT_Init_FreeType(&lib);
    if (*error != 0) return nullptr;
    st.ft_library = lib;
  }
  return static_cast<FT_Library>(st.ft_library);
}

// A white image whose alpha is the glyph bitmap's coverage.
std::unique_ptr<TImage> ImageOfBitmap(const FT_Bitmap& bm) {
  auto image = std::make_unique<TImage>();
  image->width = static_cast<int>(bm.width);
  image->height = static_cast<int>(bm.rows);
  image->flags = 2;  // glyphs drawn scaled are smoothed
  image->rgba.assign(static_cast<std::size_t>(bm.width) * bm.rows * 4, 255);
  for (unsigned y = 0; y < bm.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    for (unsigned x = 0; x < bm.width; ++x) {
      unsigned char a = 0;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        a = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
        a = static_cast<unsigned char>(bm.num_grays == 256 ? row[x]
                                                           : row[x] * 255 / (bm.num_grays - 1));
      image->rgba[(static_cast<std::size_t>(y) * bm.width + x) * 4 + 3] = a;
    }
  }
  return image;
}
// Places the glyph's image in the atlas, if it fits; a texture made from the
// atlas before is dropped, to be made afresh with the new glyph.
void PlaceInAtlas(GlyphAtlas& atlas, Glyph& g) {
  const TImage& src = *g.image;
  const int w = src.width + 2, h = src.height + 2;  // with the ring
  if (w > GlyphAtlas::kWidth) return;
  if (atlas.shelf_x + w > GlyphAtlas::kWidth) {
    atlas.shelf_y += atlas.shelf_height;
    atlas.shelf_x = 0;
    atlas.shelf_height = 0;
  }
  if (atlas.shelf_y + h > GlyphAtlas::kMaxHeight) return;
  TImage& img = atlas.image;
  if (atlas.shelf_y + h > img.height) {
    img.width = GlyphAtlas::kWidth;
    img.height = atlas.shelf_y + h;
    img.rgba.resize(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height) * 4);
  }
  const int x0 = atlas.shelf_x, y0 = atlas.shelf_y;
  for (int y = 0; y < h; ++y) {
    const int sy = std::clamp(y - 1, 0, src.height - 1);
    for (int x = 0; x < w; ++x) {
      const int sx = std::clamp(x - 1, 0, src.width - 1);
      const auto from = static_cast<std::size_t>(sy * src.width + sx) * 4;
      const auto to = static_cast<std::size_t>((y0 + y) * GlyphAtlas::kWidth + x0 + x) * 4;
      std::copy_n(&src.rgba[from], 4, &img.rgba[to]);
    }
  }
  g.in_atlas = true;
  g.ax = x0 + 1;
  g.ay = y0 + 1;
  atlas.shelf_x += w;
  atlas.shelf_height = std::max(atlas.shelf_height, h);
  img.frame0.reset();
  img.frame_driver = nullptr;
}
}  // namespace

Font::~Font() {
  if (face) FT_Done_Face(static_cast<FT_Face>(face));
}

std::vector<std::uint32_t> DecodeUtf8(const std::string& text) {
  std::vector<std::uint32_t> out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size(), i = 0;
  while (i < n) {
    unsigned char c = s[i];
    int extra = c < 0x80 ? 0 : (c & 0xe0) == 0xc0 ? 1 : (c & 0xf0) == 0xe0 ? 2
                : (c & 0xf8) == 0xf0 ? 3 : -1;
    std::uint32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1f : extra == 2 ? c & 0x0f : c & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < n;
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char cc = s[i + static_cast<std::size_t>(k)];
      if ((cc & 0xc0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3f);
    }
    if (ok) {
      out.push_back(cp);
      i += static_cast<std::size_t>(extra) + 1;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

const Glyph& GlyphOf(Font& font, std::uint32_t ch) {
  auto found = font.glyphs.find(ch);
  if (found != font.glyphs.end()) return found->second;
  Glyph& g = font.glyphs[ch];
  auto face = static_cast<FT_Face>(font.face);
  FT_UInt index = FT_Get_Char_Index(face, ch);
  if (index == 0) return g;
  FT_Int32 load = FT_LOAD_RENDER | (font.smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
  if (FT_Load_Glyph(face, index, load) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  g.present = true;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.advance = RoundPixels(slot->advance.x);
  if (slot->bitmap.width > 0 && slot->bitmap.rows > 0 && slot->bitmap.buffer) {
    g.image = ImageOfBitmap(slot->bitmap);
    PlaceInAtlas(font.atlas, g);
  }
  return g;
}

int LoadImageFont(const std::string& url, int size, int style) {
  const unsigned char* data = nullptr;
  std::size_t length = 0;
  if (!EmbeddedBytes(url, &data, &length)) return 0;
  if (size <= 0) {
    CannotLoad(url, "size " + std::to_string(size) + " is not a pixel size");
    return 0;
  }
  FT_Error error = 0;
  FT_Library lib = Library(&error);
  if (!lib) {
    CannotLoad(url, FreeTypeSays(error));
    return 0;
  }
  auto font = std::make_unique<Font>();
  font->bytes.assign(data, data + length);
  FT_Face face = nullptr;
  error = FT_New_Memory_Face(lib, font->bytes.data(), static_cast<FT_Long>(font->bytes.size()), 0,
                             &face);
  if (error != 0) {
    CannotLoad(url, FreeTypeSays(error));
    return 0;
  }
  font->face = face;
  error = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
  if (error != 0) {
    CannotLoad(url, FreeTypeSays(error));
    return 0;
  }
  font->smooth = (style & kStyleSmooth) != 0;
  font->ascender = RoundPixels(face->size->metrics.ascender);
  font->atlas.image.flags = 2;  // as the glyph images
  // The printable ASCII glyphs at once: the atlas is then made into a
  // texture once, not again for each glyph a first line of text brings.
  // Large sizes, which mostly miss the atlas anyway, stay on demand.
  if (size <= 96)
    for (std::uint32_t ch = 32; ch < 127; ++ch) GlyphOf(*font, ch);
  CoreState& st = core();
  st.fonts.push_back(std::move(font));
  return static_cast<int>(st.fonts.size());
}

}  // namespace plat

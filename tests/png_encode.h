// Encodes a PNG in memory from packed rows, for tests that need images of
// their own.
#pragma once

#include <png.h>

#include <vector>

namespace testpng {

// `rows` holds `height` rows of equal length, samples as PNG stores them
// (16-bit ones big-endian).
inline std::vector<unsigned char> Encode(int width, int height, int color_type, int depth,
                                         const std::vector<unsigned char>& rows,
                                         png_color_16* trns = nullptr) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
               color_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (trns) png_set_tRNS(png, info, nullptr, 0, trns);
  png_write_info(png, info);
  const std::size_t stride = rows.size() / static_cast<std::size_t>(height);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(rows.data() + stride * static_cast<std::size_t>(y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace testpng

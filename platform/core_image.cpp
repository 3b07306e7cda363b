// PNG images, decoded from memory with libpng, and their driver frames.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <future>
#include <map>
#include <string>
#include <utility>

#include "platform/core_state.h"

namespace plat {

namespace {

// Largest side accepted; keeps width * height * 4 far from overflow.
constexpr png_uint_32 kMaxSide = 16384;

struct MemoryReader {
  const unsigned char* data;
  std::size_t size;
  std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > r->size - r->pos) png_error(png, "truncated image");
  std::memcpy(out, r->data + r->pos, count);
  r->pos += count;
}

// What libpng said of a decode. A warning alone leaves the image good and
// is not repeated; a failure tells it after its error.
struct PngMessages {
  std::string error, warning;
};

void OnPngError(png_structp png, png_const_charp message) {
  static_cast<PngMessages*>(png_get_error_ptr(png))->error = message ? message : "";
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp png, png_const_charp message) {
  std::string& warning = static_cast<PngMessages*>(png_get_error_ptr(png))->warning;
  if (warning.empty() && message) warning = message;
}

// Decodes into `rgba` (RGBA8); false on any libpng error, with what libpng
// said in `said`. Only plain data lives in this frame, as libpng's errors
// unwind it with longjmp.
bool DecodePng(const unsigned char* data, std::size_t size, std::vector<std::uint8_t>* rgba,
               std::vector<png_bytep>* rows, int* width, int* height, bool* has_alpha,
               PngMessages* said) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    said->error = "not a PNG image";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, said, OnPngError,
                                           OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);  // takes a null one too
    said->error = "libpng could not start a decoder";
    return false;
  }
  MemoryReader reader{data, size, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) png_error(png, "image too large");
  int color_type = png_get_color_type(png, info);
  int bit_depth = png_get_bit_depth(png, info);
  bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  *has_alpha = (color_type & PNG_COLOR_MASK_ALPHA) != 0 || trns;

  // 16-bit samples are reduced by value (v * 255 / 65535, rounded), never
  // through a gamma curve.
  if (bit_depth == 16) png_set_scale_16(png);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (trns) png_set_tRNS_to_alpha(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (!*has_alpha) png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4)
    png_error(png, "unexpected row layout");

  rgba->resize(static_cast<std::size_t>(w) * h * 4);
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y)
    (*rows)[y] = rgba->data() + static_cast<std::size_t>(y) * w * 4;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

struct DecodedPng {
  bool ok = false;
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  bool has_alpha = false;
  std::string why;  // when not ok
};

// Decoding says nothing itself: it may run on the thread that decodes
// ahead, and the load that takes the result says why it failed.
DecodedPng Decode(const unsigned char* data, std::size_t size) {
  DecodedPng d;
  std::vector<png_bytep> rows;
  PngMessages said;
  d.ok = DecodePng(data, size, &d.rgba, &rows, &d.width, &d.height, &d.has_alpha, &said);
  if (!d.ok) {
    d.why = said.error.empty() ? "libpng failed without a message" : said.error;
    if (!said.warning.empty()) d.why += " (after the warning: " + said.warning + ")";
  }
  return d;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

// Decoded images by the address and size of their embedded bytes, each
// handed out once.
struct ImagePrefetch {
  using Key = std::pair<const unsigned char*, std::size_t>;
  std::future<std::map<Key, DecodedPng>> pending;
  std::map<Key, DecodedPng> ready;

  // The decoded image of these bytes, if it was made ahead.
  bool Take(const unsigned char* data, std::size_t size, DecodedPng* out) {
    if (pending.valid()) ready = pending.get();
    auto it = ready.find({data, size});
    if (it == ready.end()) return false;
    *out = std::move(it->second);
    ready.erase(it);
    return true;
  }
};

std::shared_ptr<ImagePrefetch> StartImagePrefetch(const std::map<std::string, EmbeddedFile>& files) {
  std::vector<ImagePrefetch::Key> pngs;
  for (const auto& [name, file] : files)
    if (EndsWith(name, ".png")) pngs.emplace_back(file.data, file.size);
  auto prefetch = std::make_shared<ImagePrefetch>();
  // The thread reads only the embedded bytes, which never change.
  prefetch->pending = std::async(std::launch::async, [pngs] {
    std::map<ImagePrefetch::Key, DecodedPng> out;
    for (const ImagePrefetch::Key& k : pngs) out.emplace(k, Decode(k.first, k.second));
    return out;
  });
  return prefetch;
}

TImage* LoadImage(const std::string& url, int flags) {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  if (!EmbeddedBytes(url, &data, &size)) return nullptr;
  CoreState& st = core();
  DecodedPng decoded;
  if (!st.image_prefetch || !st.image_prefetch->Take(data, size, &decoded))
    decoded = Decode(data, size);
  if (!decoded.ok) {
    CannotLoad(url, decoded.why);
    return nullptr;
  }
  const int width = decoded.width, height = decoded.height;

  auto image = std::make_unique<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->rgba = std::move(decoded.rgba);
  if ((flags & 1) && !decoded.has_alpha) {
    for (std::size_t i = 0; i < image->rgba.size(); i += 4) {
      if (image->rgba[i] == st.mask_r && image->rgba[i + 1] == st.mask_g &&
          image->rgba[i + 2] == st.mask_b)
        image->rgba[i + 3] = 0;
    }
  }
  if (st.auto_mid_handle) {
    image->handle_x = static_cast<float>(width / 2.0);
    image->handle_y = static_cast<float>(height / 2.0);
  }
  TImage* raw = image.get();
  st.images.push_back(std::move(image));
  st.image_handles.push_back(raw);
  return raw;
}

int HandleFromImage(TImage* image) {
  if (!image) return 0;
  auto& handles = core().image_handles;
  for (std::size_t i = 0; i < handles.size(); ++i)
    if (handles[i] == image) return static_cast<int>(i) + 1;
  // An image made outside LoadImage gets a handle too; it stays the caller's.
  handles.push_back(image);
  return static_cast<int>(handles.size());
}

TImage* ImageFromHandle(int handle) {
  const auto& handles = core().image_handles;
  if (handle < 1 || handle > static_cast<int>(handles.size())) return nullptr;
  return handles[static_cast<std::size_t>(handle - 1)];
}

void SetImageHandle(TImage* image, float x, float y) {
  if (core().rec_enabled) Record("SetImageHandle", {double(HandleFromImage(image)), x, y});
  if (!image) return;
  image->handle_x = x;
  image->handle_y = y;
}
void SetImageHandle(int image, float x, float y) { SetImageHandle(ImageFromHandle(image), x, y); }

int ImageWidth(TImage* image) { return image ? image->width : 0; }
int ImageWidth(int image) { return ImageWidth(ImageFromHandle(image)); }
int ImageHeight(TImage* image) { return image ? image->height : 0; }
int ImageHeight(int image) { return ImageHeight(ImageFromHandle(image)); }

std::shared_ptr<TImageFrame> TImage::Frame(int index) {
  if (index != 0) return nullptr;
  TMax2DDriver* driver = ActiveDriver();
  if (!driver) return nullptr;
  if (frame0 && frame_driver == driver) return frame0;
  frame0 = driver->CreateFrame(*this);
  frame_driver = driver;
  return frame0;
}

}  // namespace plat

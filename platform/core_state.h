// The platform's own state, in one object so that a test can start afresh.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/platform.h"
#include "platform/record.h"

namespace plat {

struct TGraphics {
  int width = 0, height = 0, hertz = 0;
};

struct Font;  // core_font.cpp

// A loaded sound: the backend's sample id.
struct Sound {
  int sample_id = 0;
};

struct EmbeddedFile {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

struct ImagePrefetch;
// Starts decoding every embedded PNG on another thread (core_image.cpp).
std::shared_ptr<ImagePrefetch> StartImagePrefetch(const std::map<std::string, EmbeddedFile>& files);

struct CoreState {
  CoreState();
  ~CoreState();  // fonts first, then the FreeType library they came from
  CoreState(const CoreState&) = delete;
  CoreState& operator=(const CoreState&) = delete;

  int rnd_state = 4660;

  // Window.
  std::string app_title;
  std::unique_ptr<TGraphics> graphics;
  int cls_r = 0, cls_g = 0, cls_b = 0;

  // 2D state, stored as given; clamped only when drawing.
  int color_r = 255, color_g = 255, color_b = 255;
  float alpha = 1;
  int blend = MASKBLEND;
  float scale_x = 1, scale_y = 1;
  float line_width = 1;
  int mask_r = 0, mask_g = 0, mask_b = 0;
  bool auto_mid_handle = false;
  int font = 0;

  // Images: those loaded are owned here; handles index `image_handles` + 1
  // and also cover images made elsewhere that were asked for a handle.
  std::vector<std::unique_ptr<TImage>> images;
  std::vector<TImage*> image_handles;

  std::vector<std::unique_ptr<Font>> fonts;
  void* ft_library = nullptr;  // FT_Library, made on the first font load

  std::vector<Sound> sounds;
  int last_channel = 0;

  // Input.
  std::array<int, 256> key_hits{};
  std::array<bool, 256> key_held{};
  bool close_requested = false;

  // Recording.
  bool rec_enabled = false;
  std::vector<rec::Call> rec_calls;
  std::vector<int> rec_played;

  // Beneath the 2D layer.
  TMax2DDriver* driver_override = nullptr;
  TD3D7GraphicsDriver d3d7;
  std::optional<GLTable> gl_table;

  // Reused for oval outlines so that drawing allocates nothing per frame.
  std::vector<float> oval_points;

  // Embedded files survive a reset.
  std::map<std::string, EmbeddedFile> embedded;
  // The embedded PNGs being decoded on another thread while the window
  // opens; LoadImage takes its image from here when it can.
  std::shared_ptr<ImagePrefetch> image_prefetch;
};

namespace detail {
// The current state, set once it is made and on every reset; read inline
// because nearly every platform call starts with it.
extern constinit CoreState* core_ptr;
[[gnu::cold, gnu::noinline]] CoreState& MakeCore();
}  // namespace detail

inline CoreState& core() {
  CoreState* p = detail::core_ptr;
  if (p) [[likely]]
    return *p;
  return detail::MakeCore();
}

// A file that fails to load says so in one line on stderr, naming it and
// why; the caller then returns its invalid value.
void CannotLoad(const std::string& url, const std::string& why);
// The embedded bytes behind `url`; false, having said why, when there are none.
bool EmbeddedBytes(const std::string& url, const unsigned char** data, std::size_t* size);

// The colour, alpha and blend in force, clamped for drawing.
backend::Paint CurrentPaint();

// Appends a recorded call with the drawing state in force.
void RecordCall(const char* op, std::initializer_list<double> args, const std::string& text);

inline bool Recording() { return core().rec_enabled; }

// Record when recording is on. Inline, so that the common case (off) does not
// call out; callers on hot paths test Recording() first, as the argument list
// is built before the test otherwise.
inline void Record(const char* op, std::initializer_list<double> args) {
  if (core().rec_enabled) RecordCall(op, args, std::string());
}
inline void Record(const char* op, std::initializer_list<double> args, const std::string& text) {
  if (core().rec_enabled) RecordCall(op, args, text);
}

// Records a call whose arguments are plain numbers. Out of line and cold, so
// that a hot caller testing Recording() first needs no stack frame of its own.
template <class... Number>
[[gnu::noinline, gnu::cold]] void RecordValues(const char* op, Number... args) {
  RecordCall(op, {static_cast<double>(args)...}, std::string());
}

}  // namespace plat

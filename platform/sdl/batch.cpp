// The real backend's 2D drawing: draws batched into few GL calls, enlarged
// glows drawn through a small buffer, and the textures of images.
//
// Consecutive draws of one primitive kind, blend mode and texture (2D draws
// and the textured polygon drawer's alike) wait in one batch and go out as
// one glDrawArrays: llvmpipe's cost is mostly per draw call, and a frame makes
// hundreds of small ones.
//
// kGlow holds additive draws of a soft-edged image enlarged at least
// kGlowMinMagnification times: the clouds, up to thirty times their size and
// often a dozen at once over the whole window, cost llvmpipe most of a frame
// at full resolution. Their sum changes only over many pixels, so it is
// drawn into a buffer kGlowReduction times smaller each way and added onto
// the picture through a bilinear filter: a sixteenth of the fill, within an
// 8-bit level of drawing each glow at full size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/internal.h"

namespace plat::backend {
namespace {

constexpr float kGlowMinMagnification = 8.0f;
// How far a one-pixel line's ends are moved back along it (DrawThinLine):
// several sub-pixel steps of any rasteriser (1/16 or finer), and at most
// half way from a pixel's centre to the edge of its diamond.
constexpr float kLineEndBias = 0.125f;

struct GLDriver : TMax2DDriver {
  std::string ToString() const override { return "OpenGL"; }
  std::shared_ptr<TImageFrame> CreateFrame(TImage& image) override;
};

struct BatcherState {
  Batch batch;
  // One driver object per window, all kept to the end: a frame remembers its
  // driver by address, so a new window must not reuse an old driver's address.
  GLDriver* driver = nullptr;   // the open window's
  std::vector<std::unique_ptr<GLDriver>> drivers;
};
// Never destroyed: static destructors run after the exit handler.
BatcherState& batcher = *new BatcherState;

void ApplyBlend(int blend) {
  switch (blend) {
    case MASKBLEND:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      return;
    case ALPHABLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case LIGHTBLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case SHADEBLEND:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      break;
    default:  // SOLIDBLEND and anything unknown: plain overwrite
      glDisable(GL_BLEND);
      break;
  }
  glDisable(GL_ALPHA_TEST);
}

// Draws the batch's vertices with the whole state they depend on set here,
// every time: the present and the glow pass change texturing, bindings and
// blending.
void DrawArrays(GLenum mode, const Batch& b) {
  ApplyBlend(b.blend);
  if (b.texture != 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, b.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, b.uv.data());
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  glShadeModel(GL_SMOOTH);
  if (mode == GL_LINES) {
    // DrawThinLine places its ends for aliased lines one pixel wide.
    glLineWidth(1.0f);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_LINE_STIPPLE);
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, b.xyz.data());
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(4, GL_FLOAT, 0, b.rgba.data());
  glDrawArrays(mode, 0, static_cast<GLsizei>(b.xyz.size() / 3));
  // Left as the present's immediate-mode quad expects them.
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (b.texture != 0) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// The glows of the batch: summed in the small buffer, which is then added
// over the box of their vertices (widened by the filter's reach, kept in the
// window).
void FlushGlow(const Batch& b) {
  const WindowState& w = screen.window;
  w.fb.Bind(GL_FRAMEBUFFER, w.glow_fbo);
  glViewport(0, 0, w.glow_width, w.glow_height);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawArrays(GL_TRIANGLES, b);
  w.fb.Bind(GL_FRAMEBUFFER, w.fbo);
  glViewport(0, 0, w.width, w.height);

  float left = b.xyz[0], top = b.xyz[1], right = left, bottom = top;
  for (std::size_t i = 0; i < b.xyz.size(); i += 3) {
    left = std::min(left, b.xyz[i]);
    right = std::max(right, b.xyz[i]);
    top = std::min(top, b.xyz[i + 1]);
    bottom = std::max(bottom, b.xyz[i + 1]);
  }
  const float width = static_cast<float>(w.width), height = static_cast<float>(w.height);
  const float reach = 2.0f * kGlowReduction;
  const float x0 = std::clamp(std::floor(left - reach), 0.0f, width);
  const float y0 = std::clamp(std::floor(top - reach), 0.0f, height);
  const float x1 = std::clamp(std::ceil(right + reach), 0.0f, width);
  const float y1 = std::clamp(std::ceil(bottom + reach), 0.0f, height);
  if (x0 >= x1 || y0 >= y1) return;
  // The small buffer's row 0 is the window's bottom row.
  const GLfloat xyz[] = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y0, 0, x1, y1, 0, x0, y1, 0};
  GLfloat uv[12];
  for (int i = 0; i < 6; ++i) {
    uv[2 * i] = xyz[3 * i] / width;
    uv[2 * i + 1] = 1.0f - xyz[3 * i + 1] / height;
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDisable(GL_ALPHA_TEST);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, w.glow_texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 0, uv);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, xyz);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// The batch for a 2D draw, which also leaves its texturing to the GL table.
Batch& Batch2D(Kind kind, const Paint& p, GLuint texture) {
  TableFollows2D(texture);
  return BatchFor(kind, p.blend, texture);
}

void AddVertex(Batch& b, const Paint& p, float x, float y) {
  b.xyz.insert(b.xyz.end(), {x, y, 0.0f});
  b.rgba.insert(b.rgba.end(), {p.r, p.g, p.b, p.a});
}

// The pixel whose top-left corner is (x, y), both whole numbers, as two
// triangles: it then joins the untextured fills around it in one draw. Its
// centre lies strictly inside the square, so every rasteriser covers that
// pixel and no other.
void AddPixel(const Paint& p, float x, float y) {
  Batch& b = Batch2D(Kind::kTriangles, p, 0);
  const float x1 = x + 1.0f, y1 = y + 1.0f;
  AddVertex(b, p, x, y);
  AddVertex(b, p, x1, y);
  AddVertex(b, p, x1, y1);
  AddVertex(b, p, x, y);
  AddVertex(b, p, x1, y1);
  AddVertex(b, p, x, y1);
}

// A texture of the context it was made in, deleted with the image unless
// that context is gone.
struct GLTextureFrame : TGLImageFrame {
  unsigned context = 0;
  // Filtered, and every border texel adds nothing in an additive blend: an
  // enlarged draw fades out inside its own edges.
  bool soft_edge = false;
  ~GLTextureFrame() override {
    if (context != 0 && context == screen.window.context_id && name != 0) {
      // Draws waiting with this texture go out first; a later texture may
      // get the same name.
      if (batcher.batch.texture == name) Flush();
      glDeleteTextures(1, &name);
    }
  }
};

// Whether a textured quad belongs in the glow pass: added, soft-edged and
// enlarged enough along both of its sides. Coordinates that are not finite
// fail the comparisons and keep the quad on the exact path.
bool IsEnlargedGlow(const Paint& p, const TImage& image, const TGLImageFrame& frame,
                    const float xy[8], const float uv[8]) {
  if (screen.window.glow_fbo == 0 || p.blend != LIGHTBLEND) return false;
  // The whole image only: the soft edge is the image's own border.
  for (int i = 0; i < 8; ++i)
    if (uv[i] != 0.0f && uv[i] != 1.0f) return false;
  const auto* f = dynamic_cast<const GLTextureFrame*>(&frame);
  if (f == nullptr || !f->soft_edge) return false;
  auto enlarged = [&](int a, int c) {
    const double pixels =
        std::hypot(double{xy[2 * c]} - xy[2 * a], double{xy[2 * c + 1]} - xy[2 * a + 1]);
    const double texels = std::hypot((double{uv[2 * c]} - uv[2 * a]) * image.width,
                                      (double{uv[2 * c + 1]} - uv[2 * a + 1]) * image.height);
    return pixels >= kGlowMinMagnification * texels && texels > 0;
  };
  return enlarged(0, 1) && enlarged(0, 3);
}

// Whether every texel on the image's border adds nothing in an additive
// blend (no colour, or no alpha).
bool BorderAddsNothing(const TImage& image) {
  const int w = image.width, h = image.height;
  auto nothing = [&](int x, int y) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                           static_cast<std::size_t>(x);
    const std::uint8_t* t = &image.rgba[at * 4];
    return t[3] == 0 || (t[0] == 0 && t[1] == 0 && t[2] == 0);
  };
  for (int x = 0; x < w; ++x)
    if (!nothing(x, 0) || !nothing(x, h - 1)) return false;
  for (int y = 0; y < h; ++y)
    if (!nothing(0, y) || !nothing(w - 1, y)) return false;
  return true;
}

std::shared_ptr<TImageFrame> GLDriver::CreateFrame(TImage& image) {
  const WindowState& w = screen.window;
  if (w.sdl == nullptr || this != batcher.driver) return nullptr;
  const std::size_t pixels = static_cast<std::size_t>(std::max(image.width, 0)) *
                             static_cast<std::size_t>(std::max(image.height, 0));
  if (pixels == 0 || image.rgba.size() < pixels * 4) return nullptr;
  if (image.width > w.max_texture || image.height > w.max_texture) {
    std::fprintf(stderr, "velkaro: image of %dx%d exceeds the renderer's texture size %d\n",
                 image.width, image.height, w.max_texture);
    return nullptr;
  }
  auto frame = std::make_shared<GLTextureFrame>();
  glGenTextures(1, &frame->name);
  frame->context = w.context_id;
  const GLint filter = (image.flags & 2) != 0 ? GL_LINEAR : GL_NEAREST;
  frame->soft_edge = filter == GL_LINEAR && BorderAddsNothing(image);
  glBindTexture(GL_TEXTURE_2D, frame->name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, image.rgba.data());
  return frame;
}

}  // namespace

void Flush() {
  Batch& b = batcher.batch;
  if (b.kind == Kind::kNone) return;
  if (b.kind == Kind::kGlow) {
    FlushGlow(b);
  } else {
    DrawArrays(b.kind == Kind::kTriangles ? GL_TRIANGLES : GL_LINES, b);
  }
  DropBatch();
}

Batch& BatchFor(Kind kind, int blend, GLuint texture) {
  Batch& b = batcher.batch;
  if (b.kind != kind || b.blend != blend || b.texture != texture) {
    Flush();
    b.kind = kind;
    b.blend = blend;
    b.texture = texture;
  }
  return b;
}

void DropBatch() {
  Batch& b = batcher.batch;
  b.kind = Kind::kNone;
  b.xyz.clear();
  b.rgba.clear();
  b.uv.clear();
}

void StartDriver() {
  batcher.drivers.push_back(std::make_unique<GLDriver>());
  batcher.driver = batcher.drivers.back().get();
}

void EndDriver() { batcher.driver = nullptr; }

TMax2DDriver* Driver() { return screen.window.sdl != nullptr ? batcher.driver : nullptr; }

bool Renders() { return true; }

void FillPolygon(const Paint& p, const float* xy, int count) {
  if (screen.window.sdl == nullptr || count < 3) return;
  Batch& b = Batch2D(Kind::kTriangles, p, 0);
  // The fan's triangles, each in the order the fan itself would draw it.
  for (int i = 1; i + 1 < count; ++i) {
    AddVertex(b, p, xy[0], xy[1]);
    AddVertex(b, p, xy[2 * i], xy[2 * i + 1]);
    AddVertex(b, p, xy[2 * i + 2], xy[2 * i + 3]);
  }
}

void DrawTexturedQuad(const Paint& p, TImage& image, const float xy[8], const float uv[8]) {
  if (screen.window.sdl == nullptr) return;
  std::shared_ptr<TImageFrame> frame = image.Frame(0);
  auto* gl_frame = dynamic_cast<TGLImageFrame*>(frame.get());
  if (gl_frame == nullptr || gl_frame->name == 0) return;
  const bool glow = IsEnlargedGlow(p, image, *gl_frame, xy, uv);
  Batch& b = Batch2D(glow ? Kind::kGlow : Kind::kTriangles, p, gl_frame->name);
  for (int i : {0, 1, 2, 0, 2, 3}) {
    AddVertex(b, p, xy[2 * i], xy[2 * i + 1]);
    b.uv.insert(b.uv.end(), {uv[2 * i], uv[2 * i + 1]});
  }
}

void DrawThinLine(const Paint& p, float x0, float y0, float x1, float y1) {
  if (screen.window.sdl == nullptr) return;
  // The ends are not put on pixel centres: a centre is where the rasteriser
  // decides whether to draw that pixel, and the projection's rounding puts
  // the end on either side of it, so most lines going down lost their first pixel
  // and some going left drew their last, by where they lay. Both ends move
  // back along the line by kLineEndBias on its longer axis: the start comes
  // before its centre and the end stops short of its own, each plainly
  // inside its pixel's diamond, so the first pixel is drawn and the last is
  // not; still on the same line, the pixels between stay. (An extra point for
  // the first pixel would be doubled in the blend wherever the line drew it.)
  float back_x = 0, back_y = 0;
  const float steps = std::max(std::fabs(x1 - x0), std::fabs(y1 - y0));
  if (steps > 0 && std::isfinite(steps)) {
    back_x = kLineEndBias * (x1 - x0) / steps;
    back_y = kLineEndBias * (y1 - y0) / steps;
  }
  Batch& b = Batch2D(Kind::kLines, p, 0);
  AddVertex(b, p, x0 + 0.5f - back_x, y0 + 0.5f - back_y);
  AddVertex(b, p, x1 + 0.5f - back_x, y1 + 0.5f - back_y);
}

void DrawPoint(const Paint& p, float x, float y) {
  if (screen.window.sdl == nullptr) return;
  AddPixel(p, x, y);
}

}  // namespace plat::backend

// The 2D drawing operations: recorded, then turned into backend primitives in
// window pixels when the backend renders.
#include "platform/core_draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/core_font.h"
#include "platform/core_state.h"
#include "platform/numeric.h"

namespace plat {

int OvalPointCount(float width, float height) {
  int n = Int(std::fabs(width / 2.0f) + std::fabs(height / 2.0f));
  return std::max(n, 12) & ~3;
}

namespace {
// The pixel that contains a point, by its top-left corner: the floor of
// each coordinate, so a point just left of 0 lies off the window. A point
// that is not a finite number lies on no pixel.
bool PixelOf(float x, float y, float& px, float& py) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  px = std::floor(x);
  py = std::floor(y);
  return true;
}

void DrawPixelAt(const backend::Paint& p, float x, float y) {
  float px, py;
  if (PixelOf(x, y, px, py)) backend::DrawPoint(p, px, py);
}
}  // namespace

void DrawRect(float x, float y, float width, float height) {
  if (Recording()) RecordValues("DrawRect", x, y, width, height);
  if (!backend::Renders()) return;
  const CoreState& st = core();
  float x1 = x + width * st.scale_x;
  float y1 = y + height * st.scale_y;
  const float xy[8] = {x, y, x1, y, x1, y1, x, y1};
  backend::FillPolygon(CurrentPaint(), xy, 4);
}

void DrawOval(float x, float y, float width, float height) {
  if (Recording()) RecordValues("DrawOval", x, y, width, height);
  if (!backend::Renders()) return;
  const CoreState& st = core();
  float w = width * st.scale_x;
  float h = height * st.scale_y;
  if (w == 0.0f || h == 0.0f) return;  // an empty box covers nothing
  // The box spans from x to x + w whatever the sign of w.
  float cx = x + w / 2.0f;
  float cy = y + h / 2.0f;
  float rx = std::fabs(w / 2.0f);
  float ry = std::fabs(h / 2.0f);
  int n = OvalPointCount(w, h);
  std::vector<float>& xy = core().oval_points;
  xy.resize(static_cast<std::size_t>(n) * 2);
  for (int i = 0; i < n; ++i) {
    double t = 2.0 * std::numbers::pi * i / n;
    xy[2 * i] = cx + rx * static_cast<float>(std::cos(t));
    xy[2 * i + 1] = cy + ry * static_cast<float>(std::sin(t));
  }
  backend::FillPolygon(CurrentPaint(), xy.data(), n);
}

void DrawLine(float x, float y, float x2, float y2, int last_pixel) {
  if (Recording()) RecordValues("DrawLine", x, y, x2, y2, last_pixel);
  if (!backend::Renders()) return;
  const CoreState& st = core();
  float ex = x + (x2 - x) * st.scale_x;
  float ey = y + (y2 - y) * st.scale_y;
  backend::Paint p = CurrentPaint();
  if (st.line_width == 1.0f) {
    // From the pixel holding its start to the one holding its end, so the
    // end point lands on the line.
    backend::DrawThinLine(p, std::floor(x), std::floor(y), std::floor(ex), std::floor(ey));
    if (last_pixel) DrawPixelAt(p, ex, ey);
    return;
  }
  float hw = st.line_width / 2.0f;
  float dx = ex - x, dy = ey - y;
  if (std::fabs(dy) > std::fabs(dx)) {
    // Steep: the band is widened across, along x.
    const float xy[8] = {x - hw, y, x + hw, y, ex + hw, ey, ex - hw, ey};
    backend::FillPolygon(p, xy, 4);
  } else {
    const float xy[8] = {x, y - hw, ex, ey - hw, ex, ey + hw, x, y + hw};
    backend::FillPolygon(p, xy, 4);
  }
  if (last_pixel) DrawPixelAt(p, ex, ey);
}

void Plot(float x, float y) {
  if (Recording()) RecordValues("Plot", x, y);
  if (!backend::Renders()) return;
  DrawPixelAt(CurrentPaint(), x, y);
}

namespace {
// Draws an image quad from (-hx, -hy) to (w - hx, h - hy), scaled, placed,
// showing the part (u0, v0)-(u1, v1) of the image.
void DrawQuad(TImage& image, float x, float y, float hx, float hy, float w, float h,
              float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
  const CoreState& st = core();
  float x0 = x - hx * st.scale_x, y0 = y - hy * st.scale_y;
  float x1 = x + (w - hx) * st.scale_x, y1 = y + (h - hy) * st.scale_y;
  const float xy[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
  const float uv[8] = {u0, v0, u1, v0, u1, v1, u0, v1};
  backend::DrawTexturedQuad(CurrentPaint(), image, xy, uv);
}
}  // namespace

void DrawImage(TImage* image, float x, float y, int frame) {
  // Only a recording asks for a handle: that registers images made elsewhere.
  if (core().rec_enabled) Record("DrawImage", {double(HandleFromImage(image)), x, y, double(frame)});
  if (!image || frame != 0 || !backend::Renders()) return;
  DrawQuad(*image, x, y, image->handle_x, image->handle_y, float(image->width),
           float(image->height));
}

void DrawImage(int image, float x, float y, int frame) {
  DrawImage(ImageFromHandle(image), x, y, frame);
}

void DrawText(const std::string& text, float x, float y) {
  Record("DrawText", {x, y}, text);
  CoreState& st = core();
  // The glyph layout is only worked out when someone sees it.
  if (!backend::Renders() && !st.rec_enabled) return;
  if (st.font < 1 || st.font > static_cast<int>(st.fonts.size())) return;
  Font& font = *st.fonts[static_cast<std::size_t>(st.font - 1)];
  float pen = 0;  // in unscaled pixels from x
  for (std::uint32_t ch : DecodeUtf8(text)) {
    const Glyph& g = GlyphOf(font, ch);
    if (!g.present) continue;
    if (g.image) {
      // The glyph's top-left corner relative to (x, y), the top of the line.
      float gx = pen + static_cast<float>(g.left);
      float gy = static_cast<float>(font.ascender - g.top);
      float w = static_cast<float>(g.image->width), h = static_cast<float>(g.image->height);
      Record("DrawGlyph", {double(ch), x + gx * st.scale_x, y + gy * st.scale_y,
                           x + (gx + w) * st.scale_x, y + (gy + h) * st.scale_y});
      if (backend::Renders()) {
        if (g.in_atlas) {
          const TImage& a = font.atlas.image;
          const float aw = static_cast<float>(a.width), ah = static_cast<float>(a.height);
          const float ax = static_cast<float>(g.ax), ay = static_cast<float>(g.ay);
          DrawQuad(font.atlas.image, x, y, -gx, -gy, w, h, ax / aw, ay / ah, (ax + w) / aw,
                   (ay + h) / ah);
        } else {
          DrawQuad(*g.image, x, y, -gx, -gy, w, h);
        }
      }
    }
    pen += static_cast<float>(g.advance);
  }
}

int TextWidth(const std::string& text) {
  CoreState& st = core();
  if (st.font < 1 || st.font > static_cast<int>(st.fonts.size())) return 0;
  Font& font = *st.fonts[static_cast<std::size_t>(st.font - 1)];
  int width = 0;
  for (std::uint32_t ch : DecodeUtf8(text)) {
    const Glyph& g = GlyphOf(font, ch);
    if (g.present) width += g.advance;
  }
  return width;
}

}  // namespace plat

// The GL table of the real backend: what the textured polygon drawer takes
// for immediate-mode OpenGL. Its polygons are gathered between Begin and End
// and join the batches as triangles, so the many small pieces of a frame go
// out in a few draws. Texturing and the texture bound are followed here;
// shading is always smooth, and with lighting off the normal and colour
// material change nothing.
#include <iterator>
#include <vector>

#include "platform/sdl/internal.h"

namespace plat::backend {
namespace {

// The state immediate-mode drawing would find in the GL. Texturing is what
// the drawer set through the table or what the last 2D draw left (a
// textured one binds its texture, an untextured one turns texturing off);
// its polygons join the batches with the texture this gives.
struct TableState {
  bool texturing = false;
  GLuint bound = 0;
  int blend = MASKBLEND;      // handed over by the 2D layer; this is its start value
  GLfloat rgba[4] = {1, 1, 1, 1};
  GLfloat uv[2] = {0, 0};
  // The open primitive, between Begin and End.
  bool open = false;
  GLenum mode = 0;
  int open_blend = 0;         // the blend in force at its Begin
  std::vector<GLfloat> xyz, colours, uvs;
};
// Never destroyed: static destructors run after the exit handler.
TableState& table = *new TableState;

void TableEnable(unsigned cap) {
  if (cap == GL_TEXTURE_2D) {
    table.texturing = true;
    return;
  }
  Flush();
  glEnable(cap);
}

void TableBindTexture(unsigned target, unsigned name) {
  if (target == GL_TEXTURE_2D) table.bound = name;
}

void TableShadeModel(unsigned) {}

// The drawer draws "in the blend mode last set" when its batch begins.
void TableBegin(unsigned mode) {
  TableState& t = table;
  t.open = true;
  t.mode = mode;
  t.open_blend = t.blend;
  t.xyz.clear();
  t.colours.clear();
  t.uvs.clear();
}

void TableColor4ubv(const unsigned char* c) {
  for (int i = 0; i < 4; ++i) table.rgba[i] = static_cast<GLfloat>(c[i]) / 255.0f;
}

void TableNormal3f(float, float, float) {}

void TableTexCoord2f(float u, float v) {
  table.uv[0] = u;
  table.uv[1] = v;
}

void TableVertex3f(float x, float y, float z) {
  TableState& t = table;
  if (!t.open) return;  // outside Begin/End a vertex draws nothing
  t.xyz.insert(t.xyz.end(), {x, y, z});
  t.colours.insert(t.colours.end(), std::begin(t.rgba), std::end(t.rgba));
  t.uvs.insert(t.uvs.end(), {t.uv[0], t.uv[1]});
}

// The primitive as the triangles the GL would make of it: a polygon as a fan
// from its first vertex, a strip with every other triangle turned back. The
// drawer begins nothing else.
void TableEnd() {
  TableState& t = table;
  if (!t.open) return;
  t.open = false;
  const int n = static_cast<int>(t.xyz.size() / 3);
  if (screen.window.sdl == nullptr || n < 3) return;
  const GLuint texture = t.texturing ? t.bound : 0;
  Batch& b = BatchFor(Kind::kTriangles, t.open_blend, texture);
  auto put = [&](int i) {
    const auto k = static_cast<std::size_t>(i);
    b.xyz.insert(b.xyz.end(), &t.xyz[3 * k], &t.xyz[3 * k] + 3);
    b.rgba.insert(b.rgba.end(), &t.colours[4 * k], &t.colours[4 * k] + 4);
    if (texture != 0) b.uv.insert(b.uv.end(), &t.uvs[2 * k], &t.uvs[2 * k] + 2);
  };
  for (int i = 0; i + 2 < n; ++i) {
    if (t.mode == GL_TRIANGLE_STRIP) {
      put(i % 2 == 0 ? i : i + 1);
      put(i % 2 == 0 ? i + 1 : i);
      put(i + 2);
    } else if (t.mode == GL_POLYGON) {
      put(0);
      put(i + 1);
      put(i + 2);
    }
  }
}

}  // namespace

void TableFollows2D(GLuint texture) {
  table.texturing = texture != 0;
  if (texture != 0) table.bound = texture;
}

void ResetTable() {
  // The blend is the 2D layer's, not the context's: it stays.
  const int blend = table.blend;
  table = TableState{};
  table.blend = blend;
}

void SetTableBlend(int blend) { table.blend = blend; }

const GLTable& GLFunctions(bool /*recording*/) {
  static const GLTable functions = {TableEnable,   TableBindTexture, TableShadeModel,
                                    TableBegin,    TableEnd,         TableColor4ubv,
                                    TableNormal3f, TableTexCoord2f,  TableVertex3f};
  return functions;
}

}  // namespace plat::backend

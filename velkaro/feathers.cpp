// The feathers the bird sheds. Nothing draws or moves them; what matters is
// the one random draw each new feather makes.
#include <memory>

#include "velkaro/velkaro.h"

namespace velkaro {

void addFeather(int x, int y) {
  auto f = std::make_shared<feather>();
  f->x = x;
  f->y = y;
  f->alpha = 1.0f;
  f->size = plat::Rand(3, 1);
  f->r = 255;
  f->g = 255;
  f->b = 255;
  // Only the most recent ones are kept; the draw above happens regardless.
  if (g.featherList.size() >= MAX_FEATHERS) g.featherList.pop_front();
  plat::ListAddLast(g.featherList, std::move(f));
}

}  // namespace velkaro

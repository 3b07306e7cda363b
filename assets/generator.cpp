// Builds the game's images and music phrases into the directory given as
// the only argument. Run by the build; the output is the same bytes every
// time.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "assets/gen_assets.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argc > 0 ? argv[0] : "generator");
    return 2;
  }
  const std::string dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "generator: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  // Images and sounds are independent: make them side by side.
  bool images_ok = false;
  std::thread images([&] { images_ok = gen::MakeImages(dir); });
  bool sounds_ok = gen::MakeSounds(dir);
  images.join();
  return images_ok && sounds_ok ? 0 : 1;
}

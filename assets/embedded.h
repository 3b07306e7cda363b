// The game's fourteen embedded files, in the order they are registered. The
// table is generated with the files themselves (assets/CMakeLists.txt).
#pragma once

#include <cstddef>
#include <vector>

namespace assets {

struct EmbeddedFile {
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

const std::vector<EmbeddedFile>& EmbeddedFiles();

}  // namespace assets

// The game's fourteen embedded files, in the order they are registered.
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

// Placeholder until the generated assets are embedded.
#include "assets/embedded.h"

namespace assets {

const std::vector<EmbeddedFile>& EmbeddedFiles() {
  static const std::vector<EmbeddedFile> files;
  return files;
}

}  // namespace assets

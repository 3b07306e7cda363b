// The asset generator is deterministic: two runs give the same bytes, and
// those are the bytes the build embedded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/embedded.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path RunGenerator(const std::string& tag) {
  fs::path dir = fs::temp_directory_path() /
                 ("velkaro_assets_" + tag + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::string cmd = "'" VELKARO_BINARY_DIR "/assets/velkaro_asset_generator' '" + dir.string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return dir;
}

TEST(AssetGenerator, TwoRunsGiveTheEmbeddedBytes) {
  fs::path a = RunGenerator("a"), b = RunGenerator("b");
  int compared = 0;
  for (const auto& f : assets::EmbeddedFiles()) {
    std::string name = f.name;
    if (name == "LIBEB___.ttf") continue;  // copied, not generated
    std::vector<unsigned char> first = Slurp(a / name), second = Slurp(b / name);
    ASSERT_FALSE(first.empty()) << name << " was not generated";
    EXPECT_TRUE(first == second) << name << " differs between runs";
    std::vector<unsigned char> embedded(f.data, f.data + f.size);
    EXPECT_TRUE(first == embedded) << name << " differs from the embedded file";
    ++compared;
  }
  EXPECT_EQ(compared, 13);
  fs::remove_all(a);
  fs::remove_all(b);
}

TEST(AssetGenerator, UnwritableOutputIsAnError) {
  // A regular file where the output directory should be.
  fs::path blocker = fs::temp_directory_path() / ("velkaro_assets_block_" + std::to_string(::getpid()));
  { std::ofstream(blocker) << "x"; }
  std::string cmd = "'" VELKARO_BINARY_DIR "/assets/velkaro_asset_generator' '" +
                    (blocker / "sub").string() + "' 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  fs::remove(blocker);
}

}  // namespace

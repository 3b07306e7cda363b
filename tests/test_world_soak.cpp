// A long run of the whole game through the trace tool: menu, free flight
// and the challenge. Two runs must print the same bytes, and no pass may
// leave a list unbounded or a global at NaN or infinity.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char* kScenario = R"(# menu, free flight, the challenge, free flight again
run 300
tap SPACE
run 1200
hold Z M
run 100
release all
tap Z 3
run 300
tap F1
run 1500
hold LEFT
run 200
release all
tap RIGHT 2
run 1000
hold Z
run 60
release all
frame-ms 17 17 16 250
run 400
tap F1
run 500
)";
constexpr int kPasses = 5560;

std::string RunTrace(const std::string& scenario_path) {
  std::string tool = std::string(VELKARO_BINARY_DIR) + "/velkaro-trace";
  if (!std::filesystem::exists(tool)) {
    ADD_FAILURE() << "velkaro-trace is not built at " << tool;
    return {};
  }
  std::string command = "'" + tool + "' '" + scenario_path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot start " << command;
    return {};
  }
  std::string out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return out;
}

// The five list lengths of one trace line.
std::vector<long> Lists(const std::string& line) {
  std::vector<long> counts;
  std::size_t at = line.find("\"lists\":[");
  if (at == std::string::npos) return counts;
  std::istringstream in(line.substr(at + 9));
  long v;
  char sep = ',';
  while (sep == ',' && in >> v) {
    counts.push_back(v);
    in >> sep;
  }
  return counts;
}

TEST(WorldSoak, LongRunIsDeterministicAndBounded) {
  std::filesystem::path scenario =
      std::filesystem::temp_directory_path() / ("velkaro_soak_" + std::to_string(getpid()) + ".txt");
  {
    std::ofstream(scenario) << kScenario;
  }
  std::string first = RunTrace(scenario.string());
  std::string second = RunTrace(scenario.string());
  std::filesystem::remove(scenario);
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first == second) << "two runs of one scenario differ";

  std::istringstream lines(first);
  std::string line;
  int passes = 0;
  bool challenge = false, scored = false;
  while (std::getline(lines, line)) {
    ASSERT_EQ(line.rfind("{\"pass\":" + std::to_string(passes) + ",", 0), 0u) << line;
    ASSERT_EQ(line.find("nan"), std::string::npos) << line;
    ASSERT_EQ(line.find("inf"), std::string::npos) << line;
    std::vector<long> lists = Lists(line);
    ASSERT_EQ(lists.size(), 5u) << line;
    // Clouds, specks and glints retire at the bottom; the feathers have a
    // fixed bound, the road one of 32 while frozen and 13 more while the
    // waiting sections come down in the challenge.
    ASSERT_LT(lists[0], 200) << line;
    ASSERT_LT(lists[1], 1000) << line;
    ASSERT_LT(lists[2], 3000) << line;
    ASSERT_LE(lists[3], 32 + 13) << line;
    ASSERT_LE(lists[4], 256) << line;
    challenge |= line.find("\"GAMESTATE\":0,\"MODE\":1,") != std::string::npos;
    scored |= line.find("\"score\":0,") == std::string::npos;
    ++passes;
  }
  EXPECT_EQ(passes, kPasses);
  EXPECT_TRUE(challenge);
  EXPECT_TRUE(scored);
}

}  // namespace

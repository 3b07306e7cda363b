// velkaro-trace run as a program: scenario checking, the line format, the
// clock and key directives, the loop's end, repeatability, and the golden
// record of what the game draws.
//
// The references in tests/draws/ are rewritten, when a change of what is
// drawn is intended (say why in the commit), by
//   VELKARO_REWRITE_DRAWS=1 build/tests/test_trace_tool --gtest_filter='*Drawn*'

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "assets/embedded.h"

namespace {

struct Result {
  int rc = -1;
  std::string out, err;
  std::vector<std::string> lines;
};

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Runs the tool on a scenario given as a file (or on standard input).
Result Trace(const std::string& scenario, bool viaStdin = false, const std::string& options = "") {
  char dir[] = "/tmp/velkaro-trace-test-XXXXXX";
  EXPECT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir;
  {
    std::ofstream(d + "/s.txt") << scenario;
  }
  const std::string tool = VELKARO_BINARY_DIR "/velkaro-trace " + options;
  const std::string cmd = viaStdin ? tool + " - < " + d + "/s.txt" : tool + " " + d + "/s.txt";
  const int status = std::system((cmd + " > " + d + "/out 2> " + d + "/err").c_str());
  Result r;
  r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(d + "/out");
  r.err = Slurp(d + "/err");
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  std::system(("rm -rf " + d).c_str());
  return r;
}

// A field's raw text in a trace line.
std::string Field(const std::string& line, const std::string& key) {
  const std::string k = "\"" + key + "\":";
  const std::size_t at = line.find(k);
  if (at == std::string::npos) return "<missing>";
  std::size_t start = at + k.size(), end = start;
  int depth = 0;
  while (end < line.size()) {
    const char c = line[end];
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if ((c == ',' || c == '}') && depth == 0) break;
    ++end;
  }
  return line.substr(start, end - start);
}

std::vector<std::string> Keys(const std::string& line) {
  std::vector<std::string> keys;
  static const std::regex key("\"([A-Za-z]+)\":");
  for (std::sregex_iterator it(line.begin(), line.end(), key), e; it != e; ++it) {
    keys.push_back((*it)[1]);
  }
  return keys;
}

TEST(TraceTool, MalformedScenariosAreRejectedBeforeAnyPass) {
  const std::pair<std::string, int> bad[] = {
      {"run 2\n# fine\nfly 3\n", 3},
      {"hold Q\n", 1},
      {"\nrelease\n", 2},
      {"run x\n", 1},
      {"run -1\n", 1},
      {"clock 2147483648\n", 1},
      {"frame-ms\n", 1},
      {"tap Z -1\n", 1},
      {"run 1\nRun 1\n", 2},
  };
  for (const auto& [scenario, line] : bad) {
    const Result r = Trace(scenario);
    EXPECT_EQ(r.rc, 2) << scenario;
    EXPECT_EQ(r.out, "") << scenario;
    EXPECT_NE(r.err.find("line " + std::to_string(line) + ":"), std::string::npos)
        << scenario << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(Trace("").rc, 0);
  EXPECT_EQ(Trace("  # only a comment\r\n\n").rc, 0);
  const std::string tool = VELKARO_BINARY_DIR "/velkaro-trace";
  const int status = std::system((tool + " /nonexistent/scenario > /dev/null 2>&1").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(TraceTool, LineCarriesTheKeysInOrderWithoutSpaces) {
  const Result r = Trace("run 2\ndump\nrun 1\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  ASSERT_EQ(r.lines.size(), 3u);
  const std::vector<std::string> base = {
      "pass", "GAMESTATE", "MODE", "oldtime", "curtime", "soundtimer", "cloudcount", "birdcount",
      "textlinecount", "textsize", "textx", "texty", "texttx", "textty", "centerx", "centery",
      "Leftwing", "leftcount", "rightwing", "rightcount", "targetcenter", "targetleft",
      "targetright", "leftcountt", "rightcountt", "fatigue", "wind", "targetwind", "islex",
      "isley", "altitude", "hour", "minute", "score", "sunx", "suny", "life", "thingelev",
      "curthingelev", "thingx", "curthingx", "thingcount", "clsr", "clsg", "clsb", "curr", "curg",
      "curb", "rng", "lists", "played"};
  EXPECT_EQ(Keys(r.lines[0]), base);
  EXPECT_EQ(Keys(r.lines[1]), base);
  std::vector<std::string> dumped = base;
  for (const char* k : {"clouds", "specks", "waves", "things", "feathers"}) dumped.push_back(k);
  EXPECT_EQ(Keys(r.lines[2]), dumped);
  for (const auto& line : r.lines) {
    EXPECT_EQ(line.find(' '), std::string::npos);
    EXPECT_EQ(line.front(), '{');
    EXPECT_EQ(line.back(), '}');
  }
  EXPECT_EQ(r.lines[0].rfind("{\"pass\":0,\"GAMESTATE\":1,\"MODE\":0,", 0), 0u);
  // Floats print as %.9g of the float: 1 + 0.003 in single precision.
  EXPECT_EQ(Field(r.lines[0], "textsize"), "1.00300002");
  EXPECT_EQ(Field(r.lines[0], "centery"), "439");
  EXPECT_EQ(Field(r.lines[0], "hour"), "6");
  if (assets::EmbeddedFiles().size() == 14) {
    EXPECT_EQ(Field(r.lines[0], "played"), "[1]");
  }
  EXPECT_EQ(Field(r.lines[1], "played"), "[]");
  // The list counts agree with the dumped records.
  const std::string lists = Field(r.lines[2], "lists");
  const std::string clouds = Field(r.lines[2], "clouds");
  const int cloudRecords = clouds == "[]" ? 0 : static_cast<int>(std::count(clouds.begin(), clouds.end(), '[')) - 1;
  EXPECT_EQ(lists.substr(1, lists.find(',') - 1), std::to_string(cloudRecords));
}

TEST(TraceTool, ClockReadingsFollowTheCycleAndWrap) {
  const Result r = Trace("run 1\nframe-ms 100\nrun 2\nclock -5\nrun 1\nclock 2147483647\n"
                         "frame-ms 1 2\nrun 3\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  ASSERT_EQ(r.lines.size(), 7u);
  const char* want[] = {"100000", "100017", "100117", "-5", "2147483647", "-2147483648",
                        "-2147483646"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Field(r.lines[static_cast<std::size_t>(i)], "curtime"), want[i]) << i;
  // A reading behind the last one is a phrase boundary, never a negative timer.
  EXPECT_EQ(Field(r.lines[3], "soundtimer"), "0");
}

TEST(TraceTool, KeysStartPlayAndSwitchModeOnce) {
  const Result r = Trace("run 1\ntap SPACE\nrun 1\ntap F1 3\nhold Z M\nrun 2\nrelease all\nrun 1\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  ASSERT_EQ(r.lines.size(), 5u);
  EXPECT_EQ(Field(r.lines[0], "GAMESTATE"), "1");
  EXPECT_EQ(Field(r.lines[1], "GAMESTATE"), "0");
  EXPECT_EQ(Field(r.lines[1], "hour"), "5");  // the reset
  EXPECT_EQ(Field(r.lines[2], "MODE"), "1");
  EXPECT_EQ(Field(r.lines[2], "leftcount"), "1");
  EXPECT_EQ(Field(r.lines[3], "leftcount"), "2");
  EXPECT_EQ(Field(r.lines[3], "rightcount"), "2");
  EXPECT_EQ(Field(r.lines[4], "leftcount"), "0");
  EXPECT_EQ(Field(r.lines[4], "MODE"), "1");
}

TEST(TraceTool, EscapeOrCloseEndsTheLoopBeforeTheNextPass) {
  Result r = Trace("run 2\ntap ESCAPE\nrun 5\nrun 1\n");
  EXPECT_EQ(r.rc, 0);
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[2], "{\"end\":2}");

  r = Trace("close\nrun 3\n", true);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "{\"end\":0}\n");

  // Held Escape counts one press.
  r = Trace("run 1\nhold ESCAPE\nrun 1\n");
  EXPECT_EQ(r.out.substr(r.out.rfind('{')), "{\"end\":1}\n");
}

TEST(TraceTool, TwoRunsPrintTheSameBytes) {
  const std::string scenario =
      "frame-ms 17 17 16\nrun 30\ntap SPACE\nrun 200\nhold Z M\nrun 40\nrelease M\n"
      "frame-ms 5000\nrun 20\ntap F1\nrelease all\nframe-ms 16\nrun 300\ndump\nrun 1\n";
  const Result a = Trace(scenario);
  const Result b = Trace(scenario, true);
  ASSERT_EQ(a.rc, 0) << a.err;
  EXPECT_EQ(a.lines.size(), 591u);
  EXPECT_EQ(a.out, b.out);
}

// Every platform call of start-up and of each pass of three scenarios (the
// menu; free flight with climbs, dives and turns; a challenge with sections
// passed and missed and a follower won), against the references.
TEST(TraceTool, DrawnCallsMatchTheReferences) {
  const bool rewrite = std::getenv("VELKARO_REWRITE_DRAWS") != nullptr;
  for (const std::string name : {"menu", "free_flight", "challenge"}) {
    const std::string path = VELKARO_SOURCE_DIR "/tests/draws/" + name;
    const Result r = Trace(Slurp(path + ".scenario"), false, "--calls 24");
    ASSERT_EQ(r.rc, 0) << r.err;
    if (rewrite) {
      std::ofstream(path + ".calls", std::ios::binary) << r.out;
      continue;
    }
    std::istringstream want(Slurp(path + ".calls"));
    std::string pass = "start", w;
    std::size_t line = 0;
    for (int call = 0; std::getline(want, w); ++line, ++call) {
      if (w == "start" || w.rfind("pass ", 0) == 0) {
        pass = w == "start" ? w : w.substr(5, w.find(' ', 5) - 5);
        call = -1;
      }
      ASSERT_EQ(line < r.lines.size() ? r.lines[line] : "<none>", w)
          << name << ": pass " << pass << " differs first"
          << (call < 0 ? std::string() : ", at call " + std::to_string(call));
    }
    EXPECT_EQ(r.lines.size(), line) << name << ": more passes than the reference (if any)";
  }
}

}  // namespace

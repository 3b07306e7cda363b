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

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// The names of a line's "name": keys, in order.
std::vector<std::string> Keys(const std::string& line) {
  std::vector<std::string> keys;
  for (std::size_t at = line.find('"'); at != std::string::npos; at = line.find('"', at + 1)) {
    std::size_t end = at + 1;
    while (end < line.size() && std::isalpha(static_cast<unsigned char>(line[end]))) ++end;
    if (end > at + 1 && line.compare(end, 2, "\":") == 0) {
      keys.push_back(line.substr(at + 1, end - at - 1));
      at = end;
    }
  }
  return keys;
}

// A run that goes wrong, as a user could cause it: the shell command runs
// with T the tool, S a file holding the scenario and D its directory.
struct Failure {
  const char* name;
  std::string scenario;
  std::string command;
  int rc;
  std::string says;  // in the one line on stderr; "" for a clean run
};
void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class TraceToolFailure : public ::testing::TestWithParam<Failure> {};

// The tool exits with its status and says one line naming the cause, and a
// run that fails leaves nothing on standard output.
TEST_P(TraceToolFailure, EndsWithOneLineNamingTheCause) {
  const Failure& f = GetParam();
#if defined(__SANITIZE_ADDRESS__)
  if (f.command.find("ulimit") != std::string::npos) {
    GTEST_SKIP() << "the sanitizer's shadow memory alone is over the limit";
  }
#endif
  char dir[] = "/tmp/velkaro-trace-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir;
  std::ofstream(d + "/s.txt", std::ios::binary) << f.scenario;
  const std::string script = "T=" VELKARO_BINARY_DIR "/velkaro-trace; S=" + d + "/s.txt; D=" + d +
                             "; { " + f.command + "; } > $D/out 2> $D/err";
  const int status = std::system(("sh -c '" + script + "'").c_str());
  const std::string out = Slurp(d + "/out"), err = Slurp(d + "/err");
  std::system(("rm -rf " + d).c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << err.substr(0, 2000);
  EXPECT_EQ(WEXITSTATUS(status), f.rc) << err.substr(0, 2000);
  EXPECT_EQ(out, "");
  if (f.says.empty()) {
    EXPECT_EQ(err, "");
  } else {
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err.substr(0, 2000);
    EXPECT_NE(err.find("velkaro-trace"), std::string::npos) << err.substr(0, 2000);
    EXPECT_NE(err.find(f.says), std::string::npos) << err.substr(0, 2000);
  }
}

const std::string kLongToken(100000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, TraceToolFailure,
    ::testing::Values(
        Failure{"unknown_directive", "run 2\n# fine\nfly 3\n", "$T $S", 2,
                "line 3: unknown directive 'fly'"},
        Failure{"unknown_key", "hold Q\n", "$T $S", 2, "line 1: unknown key 'Q'"},
        Failure{"no_key", "\nrelease\n", "$T $S", 2, "line 2:"},
        Failure{"count_not_an_int", "run x\n", "$T $S", 2, "line 1:"},
        Failure{"negative_run", "run -1\n", "$T $S", 2, "line 1:"},
        Failure{"clock_past_int", "clock 2147483648\n", "$T $S", 2, "line 1:"},
        Failure{"empty_cycle", "frame-ms\n", "$T $S", 2, "line 1:"},
        Failure{"negative_tap", "tap Z -1\n", "$T $S", 2, "line 1:"},
        Failure{"case_sensitive", "run 1\nRun 1\n", "$T $S", 2, "line 2:"},
        Failure{"control_bytes_escaped", std::string("fly\x01\0x\n", 7), "$T $S", 2,
                "'fly\\x01\\x00x'"},
        Failure{"long_token_cut", "run 1\nrun " + kLongToken + "\n", "$T $S", 2,
                "line 2: '" + kLongToken.substr(0, 40) + "\xE2\x80\xA6' is not a count"},
        Failure{"empty", "", "$T $S", 0, ""},
        Failure{"only_comments", "  # only a comment\r\n\n", "$T - < $S", 0, ""},
        Failure{"no_argument", "", "$T", 2, "usage"},
        Failure{"missing_file", "", "$T $D/none", 2, "No such file"},
        Failure{"directory", "run 1\n", "$T $D", 2, "is a directory"},
        Failure{"stdin_closed", "", "$T - <&-", 2, "standard input: it is closed"},
        Failure{"read_error", "", "$T /proc/self/mem", 2, "read error"},
        Failure{"file_over_cap", "", "truncate -s 268435457 $S && $T $S", 2, "256 MiB"},
        Failure{"endless_device", "", "$T /dev/zero", 2, "256 MiB"},
        Failure{"endless_stdin_short_of_memory", "", "ulimit -v 200000; $T - < /dev/zero", 2,
                "out of memory"},
        Failure{"final_flush_fails", "run 1\n", "$T $S > /dev/full", 1,
                "cannot write the trace: No space left"},
        Failure{"write_fails_mid_run", "run 400\n", "$T $S > /dev/full", 1,
                "cannot write the trace: No space left"},
        Failure{"calls_write_fails", "run 2\n", "$T --calls 1 $S > /dev/full", 1,
                "cannot write the trace: No space left"},
        Failure{"stdout_closed", "run 1\n", "$T $S >&-", 1, "standard output is closed"},
        Failure{"stdout_closed_nothing_to_write", "run 0\n", "$T $S >&-", 0, "" }),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

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

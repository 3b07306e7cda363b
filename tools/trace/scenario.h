// A scenario: its text read whole from a file or standard input, and its
// directives parsed one line at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trace {

enum class Op { Clock, FrameMs, Hold, Release, ReleaseAll, Tap, Close, Run, Dump };

struct Directive {
  Op op = Op::Dump;
  std::vector<int> ints;  // clock reading, increments, tap count or pass count
  std::vector<int> keys;
};

struct ParseError {
  long long line;
  std::string what;
};

// Reads the whole scenario at path ("-" for standard input) into text, or
// puts what went wrong in why.
bool readScenario(const std::string& path, std::string& text, std::string& why);

// A decimal int in the signed 32-bit range: optional '-', then digits only.
std::optional<int> parseInt(std::string_view tok);

// The directives of a scenario's text, in order. Lines are parsed where they
// lie, so checking a whole scenario costs no memory.
class Directives {
 public:
  explicit Directives(std::string_view text) : text_(text) {}
  // The next directive, or none at the end; throws ParseError at the first
  // malformed line.
  std::optional<Directive> next();

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  long long lineno_ = 0;
  std::vector<std::string_view> words_;  // kept to reuse its storage
};

}  // namespace trace

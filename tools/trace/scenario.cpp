#include "tools/trace/scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace trace {

namespace {

// A scenario is held whole in memory, so its size is capped.
constexpr std::size_t kMaxScenarioBytes = std::size_t{256} << 20;
constexpr const char* kMaxScenarioText = "256 MiB";

// An offending token for a message: at most about 40 characters (cut on a
// UTF-8 boundary, then an ellipsis), control bytes escaped, in quotes.
std::string quote(std::string_view tok) {
  constexpr std::size_t kShown = 40;
  std::size_t n = tok.size();
  const bool cut = n > kShown;
  if (cut) {
    n = kShown;
    while (n > 0 && (static_cast<unsigned char>(tok[n]) & 0xC0) == 0x80) --n;
  }
  std::string out = "'";
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(tok[i]);
    if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (cut) out += "\xE2\x80\xA6";  // an ellipsis in UTF-8
  return out + "'";
}

std::optional<int> keyCode(std::string_view name) {
  if (name == "ESCAPE") return plat::KEY_ESCAPE;
  if (name == "SPACE") return plat::KEY_SPACE;
  if (name == "F1") return plat::KEY_F1;
  if (name == "Z") return plat::KEY_Z;
  if (name == "M") return plat::KEY_M;
  if (name == "LEFT") return plat::KEY_LEFT;
  if (name == "RIGHT") return plat::KEY_RIGHT;
  return std::nullopt;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<int> parseInt(std::string_view tok) {
  std::size_t i = (!tok.empty() && tok[0] == '-') ? 1 : 0;
  if (i == tok.size()) return std::nullopt;
  long long v = 0;
  for (std::size_t k = i; k < tok.size(); ++k) {
    if (tok[k] < '0' || tok[k] > '9') return std::nullopt;
    v = v * 10 + (tok[k] - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (i == 1) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<Directive> Directives::next() {
  std::vector<std::string_view>& w = words_;
  while (pos_ < text_.size()) {
    std::size_t eol = text_.find('\n', pos_);
    if (eol == std::string_view::npos) eol = text_.size();
    std::string_view raw = text_.substr(pos_, eol - pos_);
    pos_ = eol + 1;
    ++lineno_;
    const std::size_t hash = raw.find('#');
    if (hash != std::string_view::npos) raw = raw.substr(0, hash);
    w.clear();
    for (std::size_t i = 0; i < raw.size();) {
      while (i < raw.size() && isSpace(raw[i])) ++i;
      const std::size_t from = i;
      while (i < raw.size() && !isSpace(raw[i])) ++i;
      if (i > from) w.push_back(raw.substr(from, i - from));
    }
    if (w.empty()) continue;
    const std::string_view word = w[0];
    auto fail = [&](const std::string& what) { throw ParseError{lineno_, what}; };
    auto intArg = [&](std::size_t i, const char* what) {
      std::optional<int> v = parseInt(w[i]);
      if (!v) fail(quote(w[i]) + " is not " + what);
      return *v;
    };
    auto keysFrom = [&](std::size_t first) {
      std::vector<int> keys;
      for (std::size_t i = first; i < w.size(); ++i) {
        std::optional<int> k = keyCode(w[i]);
        if (!k) fail("unknown key " + quote(w[i]));
        keys.push_back(*k);
      }
      if (keys.empty()) fail(std::string(word) + " needs at least one key");
      return keys;
    };

    Directive d;
    if (word == "clock") {
      if (w.size() != 2) fail("clock takes one int");
      d.op = Op::Clock;
      d.ints.push_back(intArg(1, "an int"));
    } else if (word == "frame-ms") {
      if (w.size() < 2) fail("frame-ms takes one or more ints");
      d.op = Op::FrameMs;
      for (std::size_t i = 1; i < w.size(); ++i) d.ints.push_back(intArg(i, "an int"));
    } else if (word == "hold") {
      d.op = Op::Hold;
      d.keys = keysFrom(1);
    } else if (word == "release") {
      if (w.size() == 2 && w[1] == "all") {
        d.op = Op::ReleaseAll;
      } else {
        d.op = Op::Release;
        d.keys = keysFrom(1);
      }
    } else if (word == "tap") {
      if (w.size() != 2 && w.size() != 3) fail("tap takes a key and an optional count");
      d.op = Op::Tap;
      std::optional<int> k = keyCode(w[1]);
      if (!k) fail("unknown key " + quote(w[1]));
      d.keys.push_back(*k);
      int n = 1;
      if (w.size() == 3) {
        n = intArg(2, "a count");
        if (n < 0) fail("tap count must not be negative");
      }
      d.ints.push_back(n);
    } else if (word == "close") {
      if (w.size() != 1) fail("close takes no argument");
      d.op = Op::Close;
    } else if (word == "run") {
      if (w.size() != 2) fail("run takes one count");
      d.op = Op::Run;
      const int n = intArg(1, "a count");
      if (n < 0) fail("run count must not be negative");
      d.ints.push_back(n);
    } else if (word == "dump") {
      if (w.size() != 1) fail("dump takes no argument");
      d.op = Op::Dump;
    } else {
      fail("unknown directive " + quote(word));
    }
    return d;
  }
  return std::nullopt;
}

bool readScenario(const std::string& path, std::string& text, std::string& why) {
  const bool fromStdin = path == "-";
  const int fd = fromStdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0) {
    why = fromStdin && errno == EBADF ? "it is closed" : std::strerror(errno);
    return false;
  }
  struct Closer {
    int fd;
    ~Closer() {
      if (fd != STDIN_FILENO) ::close(fd);
    }
  } closer{fd};
  const std::string tooLarge = std::string("larger than ") + kMaxScenarioText +
                               ", the most a scenario may be";
  if (S_ISDIR(st.st_mode)) {
    why = "it is a directory";
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    if (static_cast<unsigned long long>(st.st_size) > kMaxScenarioBytes) {
      why = tooLarge;
      return false;
    }
    text.reserve(static_cast<std::size_t>(st.st_size));
  }
  // One byte past the cap tells a scenario over it from one just at it;
  // a device such as /dev/zero that never ends is stopped there too.
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  try {
    for (;;) {
      const std::size_t have = text.size();
      text.resize(have + std::min(kChunk, kMaxScenarioBytes + 1 - have));
      const ssize_t n = ::read(fd, text.data() + have, text.size() - have);
      if (n < 0) {
        text.resize(have);
        if (errno == EINTR) continue;
        why = std::string("read error: ") + std::strerror(errno);
        return false;
      }
      text.resize(have + static_cast<std::size_t>(n));
      if (n == 0) return true;
      if (text.size() > kMaxScenarioBytes) {
        why = tooLarge;
        return false;
      }
    }
  } catch (const std::bad_alloc&) {
    const std::size_t mib = text.size() >> 20;
    std::string().swap(text);
    why = "out of memory after reading " + std::to_string(mib) + " MiB";
    return false;
  }
}

}  // namespace trace

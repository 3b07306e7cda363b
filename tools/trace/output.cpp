#include "tools/trace/output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace trace {

// Standard output closed from the start is never written to: descriptor 1
// may since have been reused by a file this program opened.
Out::Out() : closed_(fcntl(STDOUT_FILENO, F_GETFD) == -1) {}

void Out::num(long long v) {
  char tmp[32];
  const int n = std::snprintf(tmp, sizeof tmp, "%lld", v);
  raw(tmp, static_cast<std::size_t>(n));
}

void Out::flt(float f) {
  if (std::isnan(f)) return str("\"nan\"");
  if (std::isinf(f)) return str(f > 0 ? "\"inf\"" : "\"-inf\"");
  char tmp[48];
  const int n = std::snprintf(tmp, sizeof tmp, "%.9g", static_cast<double>(f));
  raw(tmp, static_cast<std::size_t>(n));
}

void Out::key(const char* name) {
  raw(",\"", 2);
  str(name);
  raw("\":", 2);
}

bool Out::flush() {
  if (closed_ && !buf_.empty()) err_ = EBADF;
  std::size_t done = 0;
  while (err_ == 0 && done < buf_.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, buf_.data() + done, buf_.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n == 0) err_ = EIO;
    else if (errno != EINTR) err_ = errno;
  }
  buf_.clear();
  return err_ == 0;
}

std::string Out::error() const {
  return err_ == EBADF ? "standard output is closed" : std::strerror(err_);
}

}  // namespace trace

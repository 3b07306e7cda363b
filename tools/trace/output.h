// The tool's standard output: one buffer, written in large writes. Every
// write is checked; after the first failure nothing more is written and
// error() names the cause.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace trace {

class Out {
 public:
  Out();
  void raw(const char* s, std::size_t n) {
    if (buf_.size() + n > kLimit) flush();
    buf_.append(s, n);
  }
  void str(const char* s) { raw(s, std::strlen(s)); }
  void num(long long v);
  // C's %.9g of the float, which reads back as the same float; infinities
  // and NaN as JSON strings.
  void flt(float f);
  void key(const char* name);  // ,"name":
  // False once any write has failed.
  bool flush();
  bool failed() const { return err_ != 0; }
  std::string error() const;

 private:
  static constexpr std::size_t kLimit = 1 << 16;
  std::string buf_;
  bool closed_;
  int err_ = 0;
};

}  // namespace trace

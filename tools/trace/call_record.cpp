#include "tools/trace/call_record.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/record.h"

namespace trace {

namespace {

// One recorded call as a line: its name, its numbers, its text quoted.
void callLine(std::string& line, const plat::rec::Call& c) {
  line = c.op;
  char tmp[48];
  for (double v : c.args) {
    // The shortest text that reads back as the same value: the float's when
    // the number is one, else the double's.
    const float f = static_cast<float>(v);
    tmp[0] = ' ';
    const std::to_chars_result r = static_cast<double>(f) == v
                                       ? std::to_chars(tmp + 1, tmp + sizeof tmp, f)
                                       : std::to_chars(tmp + 1, tmp + sizeof tmp, v);
    line.append(tmp, r.ptr);
  }
  if (c.op == "DrawText") {
    line += " \"";
    for (unsigned char ch : c.text) {
      if (ch == '"' || ch == '\\') {
        line += '\\';
        line += static_cast<char>(ch);
      } else if (ch < 0x20 || ch >= 0x7f) {
        std::snprintf(tmp, sizeof tmp, "\\x%02x", ch);
        line += tmp;
      } else {
        line += static_cast<char>(ch);
      }
    }
    line += '"';
  }
  line += '\n';
}

}  // namespace

// Glyph records are left out: they are the platform's own text layout.
void writeCalls(Out& o, const char* head, long long pass, bool full) {
  std::string line;
  std::uint64_t digest = 14695981039346656037ull;
  long long count = 0;
  std::string body;
  for (const plat::rec::Call& c : plat::rec::Calls()) {
    if (c.op == "DrawGlyph") continue;
    callLine(line, c);
    ++count;
    if (full) {
      body += line;
    } else {
      for (unsigned char ch : line) digest = (digest ^ ch) * 1099511628211ull;
    }
  }
  plat::rec::Clear();
  o.str(head);
  if (pass >= 0) {
    o.str(" ");
    o.num(pass);
  }
  if (full) {
    o.str("\n");
    o.raw(body.data(), body.size());
  } else {
    char tmp[64];
    std::snprintf(tmp, sizeof tmp, " calls %lld fnv %016llx\n", count,
                  static_cast<unsigned long long>(digest));
    o.str(tmp);
  }
}

}  // namespace trace

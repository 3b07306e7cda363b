// velkaro-trace: runs the game's own start-up, preparation and passes on the
// headless platform, driven by a scenario of keys, close requests and clock
// readings, and prints the game's state after every pass as one JSON line.
//
//   velkaro-trace SCENARIO      (a file, or - for standard input)
//   velkaro-trace --calls N SCENARIO
//
// With --calls it prints what the game asks of the platform instead: every
// call of start-up and of passes 0 to N-1 in full, one per line, and for
// each later pass only its call count and a 64-bit FNV-1a digest of its
// lines. Numbers print as the shortest text that reads back exactly, so a
// change of one ulp shows.
// Exit status 0 when the scenario ran out or the loop ended; 2 on a
// malformed or unreadable scenario (one line on stderr naming the file or
// line and the cause); 1 when the trace cannot be written or the game could
// not start.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/backend.h"
#include "platform/numeric.h"
#include "platform/record.h"
#include "tools/trace/scenario.h"
#include "velkaro/velkaro.h"

namespace {

using velkaro::g;
using trace::Directive;
using trace::Op;

// Output: one buffer, written to standard output in large writes. Every
// write is checked; after the first failure nothing more is written and
// error() names the cause.
class Out {
 public:
  // Standard output closed from the start is never written to: descriptor 1
  // may since have been reused by a file this program opened.
  Out() : closed_(fcntl(STDOUT_FILENO, F_GETFD) == -1) {}
  void raw(const char* s, std::size_t n) {
    if (buf_.size() + n > kLimit) flush();
    buf_.append(s, n);
  }
  void str(const char* s) { raw(s, std::strlen(s)); }
  void num(long long v) {
    char tmp[32];
    const int n = std::snprintf(tmp, sizeof tmp, "%lld", v);
    raw(tmp, static_cast<std::size_t>(n));
  }
  void flt(float f) {
    if (std::isnan(f)) return str("\"nan\"");
    if (std::isinf(f)) return str(f > 0 ? "\"inf\"" : "\"-inf\"");
    char tmp[48];
    const int n = std::snprintf(tmp, sizeof tmp, "%.9g", static_cast<double>(f));
    raw(tmp, static_cast<std::size_t>(n));
  }
  void key(const char* name) {  // ,"name":
    raw(",\"", 2);
    str(name);
    raw("\":", 2);
  }
  // False once any write has failed.
  bool flush() {
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
  bool failed() const { return err_ != 0; }
  std::string error() const {
    return err_ == EBADF ? "standard output is closed" : std::strerror(err_);
  }

 private:
  static constexpr std::size_t kLimit = 1 << 16;
  std::string buf_;
  bool closed_;
  int err_ = 0;
};

int soundNumber(int handle) {
  const int sounds[8] = {g.sound1, g.sound2, g.sound3, g.sound4,
                         g.sound5, g.sound6, g.sound7, g.sound8};
  for (int i = 0; i < 8; ++i) {
    if (sounds[i] == handle) return i + 1;
  }
  return 0;
}

void printPass(Out& o, long long pass, bool dump) {
  o.str("{\"pass\":");
  o.num(pass);
  o.key("GAMESTATE"); o.num(g.GAMESTATE);
  o.key("MODE"); o.num(g.MODE);
  o.key("oldtime"); o.num(g.oldtime);
  o.key("curtime"); o.num(g.curtime);
  o.key("soundtimer"); o.num(g.soundtimer);
  o.key("cloudcount"); o.num(g.cloudcount);
  o.key("birdcount"); o.num(g.birdcount);
  o.key("textlinecount"); o.num(g.textlinecount);
  o.key("textsize"); o.flt(g.textsize);
  o.key("textx"); o.flt(g.textx);
  o.key("texty"); o.flt(g.texty);
  o.key("texttx"); o.flt(g.texttx);
  o.key("textty"); o.flt(g.textty);
  o.key("centerx"); o.flt(g.centerx);
  o.key("centery"); o.flt(g.centery);
  o.key("Leftwing"); o.flt(g.Leftwing);
  o.key("leftcount"); o.flt(g.leftcount);
  o.key("rightwing"); o.flt(g.rightwing);
  o.key("rightcount"); o.flt(g.rightcount);
  o.key("targetcenter"); o.flt(g.targetcenter);
  o.key("targetleft"); o.flt(g.targetleft);
  o.key("targetright"); o.flt(g.targetright);
  o.key("leftcountt"); o.flt(g.leftcountt);
  o.key("rightcountt"); o.flt(g.rightcountt);
  o.key("fatigue"); o.flt(g.fatigue);
  o.key("wind"); o.flt(g.wind);
  o.key("targetwind"); o.flt(g.targetwind);
  o.key("islex"); o.flt(g.islex);
  o.key("isley"); o.flt(g.isley);
  o.key("altitude"); o.flt(g.altitude);
  o.key("hour"); o.num(g.hour);
  o.key("minute"); o.num(g.minute);
  o.key("score"); o.num(g.score);
  o.key("sunx"); o.flt(g.sunx);
  o.key("suny"); o.flt(g.suny);
  o.key("life"); o.num(g.life);
  o.key("thingelev"); o.flt(g.thingelev);
  o.key("curthingelev"); o.flt(g.curthingelev);
  o.key("thingx"); o.num(g.thingx);
  o.key("curthingx"); o.flt(g.curthingx);
  o.key("thingcount"); o.num(g.thingcount);
  o.key("clsr"); o.num(g.clsr);
  o.key("clsg"); o.num(g.clsg);
  o.key("clsb"); o.num(g.clsb);
  o.key("curr"); o.flt(g.curr);
  o.key("curg"); o.flt(g.curg);
  o.key("curb"); o.flt(g.curb);
  o.key("rng"); o.num(plat::RndSeed());
  o.key("lists");
  o.str("[");
  o.num(static_cast<long long>(g.cloudList.size())); o.str(",");
  o.num(static_cast<long long>(g.speckList.size())); o.str(",");
  o.num(static_cast<long long>(g.waveList.size())); o.str(",");
  o.num(static_cast<long long>(g.thingList.size())); o.str(",");
  o.num(static_cast<long long>(g.featherList.size()));
  o.str("]");
  o.key("played");
  o.str("[");
  bool first = true;
  for (int h : plat::rec::Played()) {
    if (!first) o.str(",");
    first = false;
    o.num(soundNumber(h));
  }
  o.str("]");

  if (dump) {
    auto each = [&](auto& list, auto&& row) {
      o.str("[");
      bool firstRow = true;
      for (const auto& p : list) {
        if (!firstRow) o.str(",");
        firstRow = false;
        o.str("[");
        row(*p);
        o.str("]");
      }
      o.str("]");
    };
    o.key("clouds");
    each(g.cloudList, [&](const velkaro::cloud& c) {
      o.flt(c.x); o.str(","); o.flt(c.y); o.str(","); o.flt(c.yspeed); o.str(","); o.flt(c.scale);
    });
    o.key("specks");
    each(g.speckList, [&](const velkaro::speck& s) {
      o.flt(s.x); o.str(","); o.flt(s.y); o.str(","); o.flt(s.yspeed);
    });
    o.key("waves");
    each(g.waveList, [&](const velkaro::wavelet& w) {
      o.flt(w.x); o.str(","); o.flt(w.y); o.str(","); o.flt(w.yspeed);
    });
    o.key("things");
    each(g.thingList, [&](const velkaro::thing& t) {
      o.flt(t.x); o.str(","); o.flt(t.y); o.str(","); o.flt(t.yspeed); o.str(",");
      o.num(t.thingtype); o.str(","); o.flt(t.elev);
    });
    o.key("feathers");
    each(g.featherList, [&](const velkaro::feather& f) {
      o.num(f.x); o.str(","); o.num(f.y); o.str(","); o.num(f.size);
    });
  }
  o.str("}\n");
}

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

// Prints the calls recorded since the last clear, then clears them. Glyph
// records are left out: they are the platform's own text layout.
void printCalls(Out& o, const char* head, long long pass, bool full) {
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

}  // namespace

int main(int argc, char** argv) {
  // Passes printed in full with --calls; -1 prints the state instead.
  long long fullCalls = -1;
  if (argc == 4 && std::strcmp(argv[1], "--calls") == 0) {
    const std::optional<int> n = trace::parseInt(argv[2]);
    if (n && *n >= 0) fullCalls = *n;
  }
  if (argc != 2 && fullCalls < 0) {
    std::fprintf(stderr, "usage: velkaro-trace [--calls N] SCENARIO   (a file, or - for standard "
                         "input)\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  std::string text, why;
  if (!trace::readScenario(path, text, why)) {
    const std::string name =
        std::strcmp(path, "-") == 0 ? "standard input" : std::string("'") + path + "'";
    std::fprintf(stderr, "velkaro-trace: cannot read the scenario from %s: %s\n", name.c_str(),
                 why.c_str());
    return 2;
  }
  // The whole scenario is checked before the first pass, so a malformed one
  // prints nothing.
  try {
    trace::Directives check(text);
    while (check.next()) {
    }
  } catch (const trace::ParseError& e) {
    std::fprintf(stderr, "velkaro-trace: line %lld: %s\n", e.line, e.what.c_str());
    return 2;
  }
  const bool calls = fullCalls >= 0;
  plat::rec::Enable(calls);
  velkaro::registerEmbeddedFiles();
  if (!velkaro::startup()) {
    std::fprintf(stderr, "velkaro-trace: the game could not start\n");
    return 1;
  }
  velkaro::mainPrepare();

  Out out;
  if (calls) printCalls(out, "start", -1, true);
  int clock = 100000;
  std::vector<int> cycle = {17, 17, 16};
  std::size_t cyclePos = 0;
  bool dumpNext = false;
  long long passes = 0;
  std::vector<bool> held(256, false);

  // False once the run is over: the loop ended or the output failed.
  auto apply = [&](const Directive& d) {
    switch (d.op) {
      case Op::Clock:
        clock = d.ints[0];
        break;
      case Op::FrameMs:
        cycle = d.ints;
        cyclePos = 0;
        break;
      case Op::Hold:
        for (int k : d.keys) {
          plat::headless::KeyDown(k);
          held[static_cast<std::size_t>(k)] = true;
        }
        break;
      case Op::Release:
        for (int k : d.keys) {
          plat::headless::KeyUp(k);
          held[static_cast<std::size_t>(k)] = false;
        }
        break;
      case Op::ReleaseAll:
        for (std::size_t k = 0; k < held.size(); ++k) {
          if (held[k]) plat::headless::KeyUp(static_cast<int>(k));
          held[k] = false;
        }
        break;
      case Op::Tap: {
        const int k = d.keys[0];
        const bool isHeld = held[static_cast<std::size_t>(k)];
        for (int i = 0; i < d.ints[0]; ++i) {
          // A held key is let up and pressed again, so each tap counts one
          // press and the key's held state ends as it began.
          if (isHeld) {
            plat::headless::KeyUp(k);
            plat::headless::KeyDown(k);
          } else {
            plat::headless::KeyDown(k);
            plat::headless::KeyUp(k);
          }
        }
        break;
      }
      case Op::Close:
        plat::headless::RequestClose();
        break;
      case Op::Dump:
        dumpNext = true;
        break;
      case Op::Run:
        for (int i = 0; i < d.ints[0]; ++i) {
          plat::headless::SetClock(clock);
          if (!velkaro::mainLoopTest()) {
            out.str(calls ? "end " : "{\"end\":");
            out.num(passes);
            out.str(calls ? "\n" : "}\n");
            return false;
          }
          plat::rec::Played().clear();
          velkaro::mainPass();
          if (calls) {
            printCalls(out, "pass", passes, passes < fullCalls);
          } else {
            printPass(out, passes, dumpNext);
          }
          dumpNext = false;
          ++passes;
          clock = plat::WrapAdd(clock, cycle[cyclePos]);
          cyclePos = (cyclePos + 1) % cycle.size();
          if (out.failed()) return false;  // no use running on
        }
        break;
    }
    return true;
  };
  trace::Directives directives(text);
  while (const std::optional<Directive> d = directives.next()) {
    if (!apply(*d)) break;
  }
  if (!out.flush()) {
    std::fprintf(stderr, "velkaro-trace: cannot write the trace: %s\n", out.error().c_str());
    return 1;
  }
  return 0;
}

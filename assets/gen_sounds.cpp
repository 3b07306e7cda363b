// The eight music phrases. All share one key (D major), one tempo (90 beats
// a minute: 24 beats, six bars, in the game's 16-second phrase) and one
// chord sequence, so any of them started together at a phrase boundary fit
// each other. Every melodic note is a tone of the chord of its bar.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "assets/gen_assets.h"
#include "assets/gen_common.h"

namespace gen {
namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 60.0 / 90.0;
constexpr double kBar = 4.0 * kBeat;
constexpr int kBars = 6;

// D, Bm, G, D/F#, Em, Asus4: the last bar leans back into the first, so
// the phrase can follow itself.
struct Chord {
  int bass;
  int tones[3];
};
constexpr Chord kChords[kBars] = {{50, {62, 66, 69}}, {47, {59, 62, 66}}, {43, {55, 59, 62}},
                                  {42, {62, 66, 69}}, {40, {64, 67, 71}}, {45, {57, 62, 64}}};

// The chord's tones across octaves, within [lo, hi], ascending.
std::vector<int> ChordTones(int bar, int lo, int hi) {
  std::vector<int> out;
  for (int n = lo; n <= hi; ++n) {
    for (int t : kChords[bar].tones) {
      if (n % 12 == t % 12) {
        out.push_back(n);
        break;
      }
    }
  }
  return out;
}

double Hz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// Sine by table with linear interpolation: fast, and the same on every
// build.
class SineTable {
 public:
  SineTable() : t_(kSize + 1) {
    for (int i = 0; i <= kSize; ++i) t_[static_cast<std::size_t>(i)] = std::sin(2.0 * kPi * i / kSize);
  }
  // `cycles`: phase in whole turns.
  double operator()(double cycles) const {
    double f = cycles - std::floor(cycles);
    double x = f * kSize;
    auto i = static_cast<std::size_t>(x);
    if (i >= static_cast<std::size_t>(kSize)) i = kSize - 1;
    double frac = x - static_cast<double>(i);
    return t_[i] + (t_[i + 1] - t_[i]) * frac;
  }

 private:
  static constexpr int kSize = 8192;
  std::vector<double> t_;
};
const SineTable& Sin() {
  static const SineTable table;
  return table;
}

struct Stereo {
  std::vector<double> l, r;
  explicit Stereo(std::size_t n) : l(n, 0.0), r(n, 0.0) {}
};

// How far each wing's phrases lean to its side: the ratio of the two
// channels' RMS, in dB. Gently: the left wing's phrases win whenever both
// wings move, which is most of play, and one boundary can start the same
// wing phrase three times over, in phase, beside the base; a harder pan
// would tilt the whole mix to the left.
constexpr double kWingLeanDb = 2.0;

// The constant-power pan (0 left .. 1 right) that leans a dry note by
// kWingLeanDb to the left or right.
double WingPan(bool left) {
  double p = std::atan(std::pow(10.0, -kWingLeanDb / 20.0)) / (kPi / 2.0);
  return left ? p : 1.0 - p;
}

// A voice: the sample of a note `t` seconds after its start.
enum class Timbre { Bell, Pluck, Marimba, Reed, Glass, Harp, Flute, Pad, Bass };

struct Note {
  double start;   // seconds
  double length;  // seconds the key is held
  double midi;
  double gain;
  double pan;  // 0 left .. 1 right
};

// Attack, then hold, then an exponential release after `length`.
double Envelope(double t, double attack, double length, double release) {
  if (t < 0.0) return 0.0;
  double a = t < attack ? t / attack : 1.0;
  a = a * a * (3.0 - 2.0 * a);  // smooth start: no click
  if (t > length) a *= std::exp(-(t - length) / release);
  return a;
}

// How long after its start a note can still be heard.
double Tail(Timbre tb, double length) {
  switch (tb) {
    case Timbre::Bell: return 4.0;
    case Timbre::Pluck: return 2.5;
    case Timbre::Marimba: return 1.5;
    case Timbre::Glass: return 2.5;
    case Timbre::Harp: return 3.0;
    case Timbre::Bass: return 1.6;
    case Timbre::Reed: return length + 1.2;
    case Timbre::Flute: return length + 1.5;
    case Timbre::Pad: return length + 3.0;
  }
  return length;
}

double Voice(Timbre tb, double t, double f, double length, Rng& noise, double& lp) {
  const SineTable& s = Sin();
  switch (tb) {
    case Timbre::Bell: {
      // FM with an inharmonic ratio; the brightness dies faster than the tone.
      double idx = 2.2 * std::exp(-t / 0.35) + 0.3;
      double m = s(3.5 * f * t);
      double env = Envelope(t, 0.004, 0.0, 1.3);
      return env * (s(f * t + idx * m / (2.0 * kPi)) + 0.25 * s(2.0 * f * t) * std::exp(-t / 0.6));
    }
    case Timbre::Pluck: {
      // Harmonics that fade faster the higher they are.
      static const double kAmp[8] = {0, 1.0, 0.3789, 0.2148, 0.1436, 0.1050, 0.0814, 0.0656};
      double v = 0.0;
      for (int n = 1; n <= 7; ++n) v += kAmp[n] * std::exp(-t * (1.2 + 0.9 * n)) * s(n * f * t);
      return Envelope(t, 0.003, 0.0, 1e9) * v;
    }
    case Timbre::Marimba: {
      double v = s(f * t) * std::exp(-t / 0.45) + 0.35 * s(3.93 * f * t) * std::exp(-t / 0.08) +
                 0.15 * s(9.2 * f * t) * std::exp(-t / 0.025);
      return Envelope(t, 0.002, 0.0, 1e9) * v;
    }
    case Timbre::Glass: {
      double v = s(f * t) * std::exp(-t / 0.9) + 0.4 * s(2.76 * f * t) * std::exp(-t / 0.4) +
                 0.2 * s(5.4 * f * t) * std::exp(-t / 0.15);
      return Envelope(t, 0.003, 0.0, 1e9) * v;
    }
    case Timbre::Harp: {
      double v = 0.0;
      for (int n = 1; n <= 5; ++n)
        v += std::exp(-t * (0.7 + 1.3 * n)) / (n * n) * s(n * f * t * (1.0 + 0.0004 * n));
      return Envelope(t, 0.004, 0.0, 1e9) * v;
    }
    case Timbre::Reed: {
      // Odd harmonics, a slow swell and a gentle vibrato.
      double vib = 0.004 * std::min(t / 0.6, 1.0);
      double ph = f * t - f * vib / (2.0 * kPi * 5.0) * std::cos(2.0 * kPi * 5.0 * t);
      double v = s(ph) + 0.28 * s(3.0 * ph) + 0.1 * s(5.0 * ph);
      return Envelope(t, 0.09, length, 0.25) * v;
    }
    case Timbre::Flute: {
      double vib = 0.005 * std::min(t / 0.8, 1.0);
      double ph = f * t - f * vib / (2.0 * kPi * 5.3) * std::cos(2.0 * kPi * 5.3 * t);
      // Breath: white noise through a one-pole low-pass.
      double w = noise.Uniform() * 2.0 - 1.0;
      lp += 0.25 * (w - lp);
      double v = s(ph) + 0.18 * s(2.0 * ph) + 0.05 * s(3.0 * ph) + 0.35 * lp;
      return Envelope(t, 0.18, length, 0.35) * v;
    }
    case Timbre::Pad: {
      // Three slightly detuned soft saws: a slow chorus of their own.
      static const double kAmp[7] = {0, 1.0, 0.3078, 0.1546, 0.0948, 0.0648, 0.0476};
      double v = 0.0;
      for (double det : {-0.0018, 0.0, 0.0021}) {
        for (int n = 1; n <= 6; ++n) v += kAmp[n] * s(n * f * (1.0 + det) * t + det * 40.0);
      }
      return Envelope(t, 0.7, length, 0.9) * v / 3.0;
    }
    case Timbre::Bass: {
      double v = s(f * t) + 0.3 * s(2.0 * f * t) * std::exp(-t / 0.15);
      return Envelope(t, 0.006, 0.0, 1e9) * std::exp(-t / 0.45) * v;
    }
  }
  return 0.0;
}

void Render(Stereo& out, Timbre tb, const std::vector<Note>& notes, std::uint64_t seed) {
  Rng noise(seed);
  for (const Note& n : notes) {
    double lp = 0.0;
    double f = Hz(n.midi);
    auto first = static_cast<std::size_t>(std::lround(n.start * kRate));
    auto count = static_cast<std::size_t>(Tail(tb, n.length) * kRate);
    // Constant-power pan.
    double gl = n.gain * std::cos(n.pan * kPi / 2.0);
    double gr = n.gain * std::sin(n.pan * kPi / 2.0);
    for (std::size_t i = 0; i < count && first + i < out.l.size(); ++i) {
      double v = Voice(tb, static_cast<double>(i) / kRate, f, n.length, noise, lp);
      out.l[first + i] += gl * v;
      out.r[first + i] += gr * v;
    }
  }
}

// A small stereo room (parallel damped combs into series all-passes), with
// slightly different delays per side so the tail is wide.
void Reverb(Stereo& x, double wet) {
  const int combs[4] = {557, 593, 641, 677};
  const int alls[2] = {277, 211};
  for (int side = 0; side < 2; ++side) {
    std::vector<double>& ch = side == 0 ? x.l : x.r;
    const int spread = side * 13;
    std::vector<double> acc(ch.size(), 0.0);
    for (int c : combs) {
      std::vector<double> buf(static_cast<std::size_t>(c + spread), 0.0);
      std::size_t pos = 0;
      double damp = 0.0;
      for (std::size_t i = 0; i < ch.size(); ++i) {
        double y = buf[pos];
        damp = y * 0.65 + damp * 0.35;
        buf[pos] = ch[i] + damp * 0.8;
        acc[i] += y * 0.25;
        pos = (pos + 1) % buf.size();
      }
    }
    for (int a : alls) {
      std::vector<double> buf(static_cast<std::size_t>(a + spread), 0.0);
      std::size_t pos = 0;
      for (std::size_t i = 0; i < acc.size(); ++i) {
        double b = buf[pos];
        double in = acc[i];
        buf[pos] = in + b * 0.5;
        acc[i] = b - in * 0.5;
        pos = (pos + 1) % buf.size();
      }
    }
    for (std::size_t i = 0; i < ch.size(); ++i) ch[i] = ch[i] * (1.0 - wet * 0.5) + acc[i] * wet;
  }
}

// Fade in over a few milliseconds and out over the last quarter second,
// so neither end clicks.
void Fades(Stereo& x) {
  const std::size_t n = x.l.size();
  const auto in = static_cast<std::size_t>(0.01 * kRate);
  const auto out = static_cast<std::size_t>(0.25 * kRate);
  for (std::size_t i = 0; i < n; ++i) {
    double g = 1.0;
    if (i < in) g = 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / in);
    std::size_t left = n - 1 - i;
    if (left < out) g *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(left) / out);
    x.l[i] *= g;
    x.r[i] *= g;
  }
}

double Peak(const Stereo& x) {
  double p = 0.0;
  for (std::size_t i = 0; i < x.l.size(); ++i) p = std::max({p, std::fabs(x.l[i]), std::fabs(x.r[i])});
  return p;
}

// RMS of the mono sum, (left + right) / 2: how loud the phrase is.
double MonoRms(const Stereo& x) {
  double sum = 0.0;
  for (std::size_t i = 0; i < x.l.size(); ++i) {
    double m = 0.5 * (x.l[i] + x.r[i]);
    sum += m * m;
  }
  return x.l.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.l.size()));
}

void Gain(Stereo& x, double g) {
  for (std::size_t i = 0; i < x.l.size(); ++i) {
    x.l[i] *= g;
    x.r[i] *= g;
  }
}

double BarStart(int bar) { return bar * kBar; }

// One voice's notes rendered over a phrase of `frames`, then given a room.
Stereo Perform(std::size_t frames, Timbre timbre, const std::vector<Note>& notes, int seed,
               double reverb) {
  Stereo s(frames);
  Render(s, timbre, notes, seed);
  Reverb(s, reverb);
  return s;
}

// The room's two sides have delays a little apart, so its tail lends each
// phrase's notes a lean of their own: a wing phrase's lean is set anew once
// it has its room, by the channels' gains, keeping its power.
Stereo PerformWing(std::size_t frames, Timbre timbre, const std::vector<Note>& notes, int seed,
                   double reverb, bool left) {
  Stereo s = Perform(frames, timbre, notes, seed, reverb);
  double pl = 0.0, pr = 0.0;
  for (std::size_t i = 0; i < frames; ++i) {
    pl += s.l[i] * s.l[i];
    pr += s.r[i] * s.r[i];
  }
  if (pl <= 0.0 || pr <= 0.0) return s;
  // The left channel's power over the right's.
  const double ratio = std::pow(10.0, (left ? kWingLeanDb : -kWingLeanDb) / 10.0);
  const double gl = std::sqrt(ratio * (pl + pr) / ((1.0 + ratio) * pl));
  const double gr = std::sqrt((pl + pr) / ((1.0 + ratio) * pr));
  for (std::size_t i = 0; i < frames; ++i) {
    s.l[i] *= gl;
    s.r[i] *= gr;
  }
  return s;
}

// sound1: a bell figure falling through each bar's chord, each bar lower.
Stereo Sinking(std::size_t frames) {
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 62, 86 - 2 * bar);
    for (int k = 0; k < 4; ++k) {
      int n = tones[tones.size() - 1 - static_cast<std::size_t>(k)];
      notes.push_back({BarStart(bar) + k * kBeat, 0.0, static_cast<double>(n), k == 0 ? 1.0 : 0.8, 0.5});
    }
  }
  return Perform(frames, Timbre::Bell, notes, 1, 0.35);
}

// sound2: plucked eighths climbing through each bar's chord, each bar higher.
Stereo Rising(std::size_t frames) {
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 55 + 2 * bar, 90);
    for (int k = 0; k < 6; ++k) {
      notes.push_back({BarStart(bar) + k * kBeat / 2.0, 0.0, static_cast<double>(tones[static_cast<std::size_t>(k)]),
                       k % 2 == 0 ? 1.0 : 0.75, 0.45 + 0.02 * k});
    }
  }
  return Perform(frames, Timbre::Pluck, notes, 2, 0.3);
}

// sound3 / sound4: the wings sinking; right a marimba on the off-beats,
// left a reed in two falling half notes a bar.
Stereo RightSinking(std::size_t frames) {
  const double pan = WingPan(false);
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 64, 84 - bar);
    for (int k = 0; k < 4; ++k) {
      int n = tones[tones.size() - 1 - static_cast<std::size_t>(k)];
      notes.push_back({BarStart(bar) + (k + 0.5) * kBeat, 0.0, static_cast<double>(n), 0.9, pan});
    }
  }
  return PerformWing(frames, Timbre::Marimba, notes, 3, 0.3, false);
}

Stereo LeftSinking(std::size_t frames) {
  const double pan = WingPan(true);
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 55, 76 - 2 * bar);
    int hi = tones.back(), lo = tones[tones.size() - 2];
    notes.push_back({BarStart(bar), 1.7 * kBeat, static_cast<double>(hi), 1.0, pan});
    notes.push_back({BarStart(bar) + 2.0 * kBeat, 1.7 * kBeat, static_cast<double>(lo), 0.9, pan});
  }
  return PerformWing(frames, Timbre::Reed, notes, 4, 0.35, true);
}

// sound5 / sound6: the wings rising; right a glassy run up the second half
// of each bar, left a harp triplet climbing from each downbeat.
Stereo RightRising(std::size_t frames) {
  const double pan = WingPan(false);
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 64 + bar, 96);
    for (int k = 0; k < 5; ++k) {
      notes.push_back({BarStart(bar) + (1.0 + 0.5 * k) * kBeat, 0.0,
                       static_cast<double>(tones[static_cast<std::size_t>(k)]), 0.6 + 0.1 * k, pan});
    }
  }
  return PerformWing(frames, Timbre::Glass, notes, 5, 0.35, false);
}

Stereo LeftRising(std::size_t frames) {
  const double pan = WingPan(true);
  std::vector<Note> notes;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 52 + 2 * bar, 90);
    for (int k = 0; k < 4; ++k) {
      notes.push_back({BarStart(bar) + k * kBeat / 3.0, 0.0, static_cast<double>(tones[static_cast<std::size_t>(k)]),
                       0.8 + 0.05 * k, pan});
    }
    // An answer on the third beat, one step higher again.
    notes.push_back({BarStart(bar) + 2.0 * kBeat, 0.0, static_cast<double>(tones[4]), 0.7, pan});
  }
  return PerformWing(frames, Timbre::Harp, notes, 6, 0.3, true);
}

// sound7: a high breathy line, long notes, two detuned voices spread wide.
Stereo HighLine(std::size_t frames) {
  Stereo s(frames);
  std::vector<Note> a, b;
  for (int bar = 0; bar < kBars; ++bar) {
    std::vector<int> tones = ChordTones(bar, 79, 91);
    auto n1 = static_cast<double>(tones[static_cast<std::size_t>(bar % 2 == 0 ? tones.size() - 1 : tones.size() - 2)]);
    auto n2 = static_cast<double>(tones[static_cast<std::size_t>(bar % 3 == 0 ? 0 : 1)]);
    for (auto* v : {&a, &b}) {
      double det = v == &a ? -0.04 : 0.05;  // a few cents apart: a slow chorus
      double pan = v == &a ? 0.25 : 0.75;
      v->push_back({BarStart(bar), 2.4 * kBeat, n1 + det, 0.5, pan});
      v->push_back({BarStart(bar) + 2.75 * kBeat, 1.0 * kBeat, n2 + det, 0.4, pan});
    }
  }
  Render(s, Timbre::Flute, a, 7);
  Render(s, Timbre::Flute, b, 8);
  Reverb(s, 0.5);
  return s;
}

// sound8: the base: a pad on the chords and a soft bass pulse on every beat.
Stereo Base(std::size_t frames) {
  Stereo pad(frames), bass(frames);
  std::vector<Note> chords, pulse;
  for (int bar = 0; bar < kBars; ++bar) {
    const Chord& c = kChords[bar];
    for (int k = 0; k < 3; ++k)
      chords.push_back({BarStart(bar), kBar - 0.3, static_cast<double>(c.tones[k]), 0.5, 0.3 + 0.2 * k});
    for (int beat = 0; beat < 4; ++beat) {
      double n = beat % 2 == 0 ? c.bass : c.bass + 12;
      pulse.push_back({BarStart(bar) + beat * kBeat, 0.0, n, beat == 0 ? 1.0 : 0.6, 0.5});
    }
  }
  Render(pad, Timbre::Pad, chords, 9);
  Render(bass, Timbre::Bass, pulse, 10);
  Reverb(pad, 0.4);
  Stereo s(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    s.l[i] = 0.55 * pad.l[i] + 0.9 * bass.l[i];
    s.r[i] = 0.55 * pad.r[i] + 0.9 * bass.r[i];
  }
  return s;
}

}  // namespace

bool MakeSounds(const std::string& dir) {
  // Lengths in hundredths of a second, each just short of the 16-second
  // phrase so every phrase has ended before the next boundary.
  const int hundredths[8] = {1596, 1595, 1596, 1595, 1595, 1598, 1596, 1593};
  Stereo (*const makers[8])(std::size_t) = {Sinking,     Rising,     RightSinking, LeftSinking,
                                            RightRising, LeftRising, HighLine,     Base};
  // Each phrase is made on a thread of its own; they share nothing, so the
  // result does not depend on the order in which they finish.
  std::vector<Stereo> phrases(8, Stereo(0));
  std::vector<std::thread> workers;
  for (int i = 0; i < 8; ++i) {
    workers.emplace_back([&phrases, &makers, &hundredths, i] {
      auto frames = static_cast<std::size_t>(hundredths[i]) * kRate / 100;
      phrases[static_cast<std::size_t>(i)] = makers[i](frames);
    });
  }
  for (std::thread& w : workers) w.join();
  for (Stereo& s : phrases) {
    Fades(s);
    // No phrase peaks above one level, low enough that five started
    // together (even five of the same one) stay below full scale.
    double p = Peak(s);
    Gain(s, p > 0.0 ? 0.18 / p : 0.0);
  }
  // The two wings' phrases of a kind (sinking: sound3 and sound4; rising:
  // sound5 and sound6) at one loudness, so neither side's wing sounds
  // louder than the other's. The louder is lowered, so no peak rises (a held
  // reed carries far more energy under the same peak than a struck marimba).
  for (auto [right, left] : {std::pair{2, 3}, std::pair{4, 5}}) {
    Stereo& a = phrases[static_cast<std::size_t>(right)];
    Stereo& b = phrases[static_cast<std::size_t>(left)];
    double ra = MonoRms(a), rb = MonoRms(b);
    if (ra > rb) Gain(a, rb / ra);
    if (rb > ra) Gain(b, ra / rb);
  }
  // All eight together must stay below full scale too.
  std::size_t longest = 0;
  for (const Stereo& s : phrases) longest = std::max(longest, s.l.size());
  Stereo sum(longest);
  for (const Stereo& s : phrases) {
    for (std::size_t k = 0; k < s.l.size(); ++k) {
      sum.l[k] += s.l[k];
      sum.r[k] += s.r[k];
    }
  }
  double all = Peak(sum);
  double g = all > 0.9 ? 0.9 / all : 1.0;
  for (int i = 0; i < 8; ++i) {
    Stereo& s = phrases[static_cast<std::size_t>(i)];
    Gain(s, g);
    char name[32];
    std::snprintf(name, sizeof name, "/sound%d.wav", i + 1);
    if (!WriteWav(dir + name, s.l, s.r, kRate)) return false;
  }
  return true;
}

}  // namespace gen

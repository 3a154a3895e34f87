// Composition of the music tracks: four styles, generated melodies that repeat and answer like
// a tune, and the arrangement into intro, verse, chorus, breakdown, return and a resolving end.
#include "compose.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "synth.h"

namespace assetgen {

namespace {

constexpr int steps = 16;  // sixteenth notes per bar

const std::array<trackstyle, 4> styles = {{
    // 1: driving four-on-the-floor in A minor.
    {138,
     45,
     true,
     {{{0, true}, {8, false}, {3, false}, {10, false}}},
     {{{5, true}, {0, true}, {8, false}, {7, false}}},
     "X...x...X...x...",
     "....X.......X...",
     "x.o.x.o.x.o.x.ox",
     "R.RO.RRO.RR.R.OF",
     "0123210301232103",
     0.5,
     0x7A11u},
    // 2: broken beat in E minor, laid back.
    {132,
     40,
     true,
     {{{0, true}, {10, false}, {8, false}, {10, false}}},
     {{{8, false}, {10, false}, {7, true}, {0, true}}},
     "X.....x...X..x..",
     "....X.......X..x",
     "xxXxxxXxxxXxxxXx",
     "R..R..R.F..F.O..",
     "0214021402140214",
     0.35,
     0x7B22u},
    // 3: fast and urgent in D minor.
    {146,
     38,
     true,
     {{{0, true}, {0, true}, {8, false}, {10, false}}},
     {{{5, true}, {8, false}, {10, false}, {7, false}}},
     "X...x...X...x.x.",
     "....X.......X...",
     "x.X.x.X.x.X.x.Xo",
     "RRR.RRR.RRR.ROFO",
     "0123012301230123",
     0.25,
     0x7C33u},
    // 4: bright and bouncy in G major.
    {140,
     43,
     false,
     {{{0, false}, {7, false}, {9, true}, {5, false}}},
     {{{5, false}, {7, false}, {4, true}, {9, true}}},
     "X..x..x.X.x.....",
     "....X..x....X...",
     "x.o.x.o.x.o.x.o.",
     "R.R.O.R.R.F.O.R.",
     "0124210401242104",
     0.42,
     0x7D44u},
}};

// Rhythms of one melody bar: 'x' starts a note, '-' holds it, '.' is silence.
const char* const rhythms[] = {
    "x--x--x-x---x-x-", "x-x-x-x-x---x-x-", "x---x--x--x-x---", "x-------x-x-x---",
    "x-xx-x-xx-x-x-x-", "x--x--x---x-x-x-", "x-----x-x-x-x---", "x-x-x--x--x-x---",
};
const char* const cadencerhythm = "x--x--x---------";

struct melodynote {
  int step, length;
  int pitch;
};
using melodybar = std::vector<melodynote>;

// Onsets and lengths of a rhythm string.
std::vector<std::pair<int, int>> onsets(const std::string& pattern) {
  std::vector<std::pair<int, int>> out;
  for (int s = 0; s < steps; ++s) {
    if (pattern[static_cast<std::size_t>(s)] != 'x' &&
        pattern[static_cast<std::size_t>(s)] != 'R' &&
        pattern[static_cast<std::size_t>(s)] != 'O' && pattern[static_cast<std::size_t>(s)] != 'F')
      continue;
    int len = 1;
    while (s + len < steps && pattern[static_cast<std::size_t>(s + len)] == '-') ++len;
    out.emplace_back(s, len);
  }
  return out;
}

int pitchclass(int semis) {
  return ((semis % 12) + 12) % 12;
}

std::array<int, 3> triad(const chord& c) {
  return {c.root, c.root + (c.minor ? 3 : 4), c.root + 7};
}

bool chordtone(const chord& c, int pc) {
  for (int t : triad(c))
    if (pitchclass(t) == pc) return true;
  return false;
}

// Pitch classes (above the key) the tune may use over a chord: the key's scale, with any note a
// semitone away from a chord tone bent onto that chord tone, so borrowed chords never clash.
std::vector<int> tunescale(const trackstyle& s, const chord& c) {
  static constexpr int minor[] = {0, 2, 3, 5, 7, 8, 10}, major[] = {0, 2, 4, 5, 7, 9, 11};
  std::vector<int> out;
  for (int pc : s.minor ? minor : major) {
    for (int t : triad(c))
      if (std::abs(pitchclass(t) - pc) == 1 || std::abs(pitchclass(t) - pc) == 11)
        pc = pitchclass(t);
    out.push_back(pc);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// The key's root in the octave from E4 up, where the lead sings.
int leadhome(const trackstyle& s) {
  int home = s.key;
  while (home < 64) home += 12;
  return home;
}

// Every MIDI pitch in the lead's range that fits the chord; chord tones only when `strong`.
std::vector<int> candidates(const trackstyle& s, const chord& c, bool strong) {
  const int low = leadhome(s) - 5, high = leadhome(s) + 12;
  const std::vector<int> scale = tunescale(s, c);
  std::vector<int> out;
  for (int p = low; p <= high; ++p) {
    const int pc = pitchclass(p - s.key);
    if (strong ? chordtone(c, pc) : std::find(scale.begin(), scale.end(), pc) != scale.end())
      out.push_back(p);
  }
  return out;
}

// The candidate nearest to `target`, or the second nearest now and then.
int nearest(const std::vector<int>& options, int target, prng& rng, bool allowsecond) {
  std::vector<int> sorted = options;
  std::sort(sorted.begin(), sorted.end(), [target](int a, int b) {
    return std::abs(a - target) < std::abs(b - target) ||
           (std::abs(a - target) == std::abs(b - target) && a < b);
  });
  if (allowsecond && sorted.size() > 1 && rng.below(4) == 0) return sorted[1];
  return sorted[0];
}

// One bar of tune: chord tones on the strong steps, scale steps in between, drifting back to the
// middle of the range when it wanders off, and seldom striking the same note twice in a row.
melodybar makebar(const trackstyle& s, const chord& c, const std::string& rhythm, int& previous,
                  prng& rng) {
  melodybar bar;
  const int middle = leadhome(s) + 5;
  for (auto [step, length] : onsets(rhythm)) {
    const bool strong = step % 8 == 0 || length >= 4;
    static constexpr int moves[] = {-2, -1, -1, -1, 1, 1, 1, 2, 3, -3};
    int move = moves[rng.below(10)];
    if ((previous > middle + 6 && move > 0) || (previous < middle - 6 && move < 0)) move = -move;
    const int target = previous + move * 2;  // about a scale step per move
    std::vector<int> options = candidates(s, c, strong);
    if (options.size() > 1 && rng.below(5) != 0)
      options.erase(std::remove(options.begin(), options.end(), previous), options.end());
    const int pitch = nearest(options, target, rng, !strong);
    bar.push_back({step, length, pitch});
    previous = pitch;
  }
  return bar;
}

// The same bar of tune moved to another chord: shifted by the step between the chords' roots and
// bent onto that chord's notes, so the motif is heard coming back higher or lower.
melodybar refit(const trackstyle& s, const melodybar& source, const chord& from, const chord& to,
                prng& rng) {
  int shift = pitchclass(to.root - from.root);
  if (shift > 6) shift -= 12;
  melodybar bar;
  for (const melodynote& n : source) {
    const bool strong = n.step % 8 == 0 || n.length >= 4;
    bar.push_back(
        {n.step, n.length, nearest(candidates(s, to, strong), n.pitch + shift, rng, false)});
  }
  return bar;
}

// A closing bar that lands on the chord's root and holds it.
melodybar cadence(const trackstyle& s, const chord& c, int& previous, prng& rng) {
  melodybar bar = makebar(s, c, cadencerhythm, previous, rng);
  std::vector<int> roots;
  for (int p : candidates(s, c, true))
    if (pitchclass(p - s.key) == pitchclass(c.root)) roots.push_back(p);
  bar.back().pitch = nearest(roots, previous, rng, false);
  previous = bar.back().pitch;
  return bar;
}

// Eight bars of tune over a four-chord progression: a four-bar phrase whose third bar echoes the
// first, played twice, the second time ending on a cadence.
std::vector<melodybar> makemelody(const trackstyle& s, const std::array<chord, 4>& chords,
                                  prng& rng) {
  const std::string motif = rhythms[rng.below(8)], answer = rhythms[rng.below(8)],
                    close = rhythms[rng.below(8)];
  int previous = leadhome(s) + 5;
  std::vector<melodybar> tune;
  tune.push_back(makebar(s, chords[0], motif, previous, rng));
  tune.push_back(makebar(s, chords[1], answer, previous, rng));
  tune.push_back(refit(s, tune[0], chords[0], chords[2], rng));
  previous = tune[2].back().pitch;
  tune.push_back(makebar(s, chords[3], close, previous, rng));
  for (int i = 0; i < 3; ++i) tune.push_back(tune[static_cast<std::size_t>(i)]);
  previous = tune[6].back().pitch;
  tune.push_back(cadence(s, chords[3], previous, rng));
  return tune;
}

enum class drumstyle { intro, full, breakdown, outro };

struct section {
  int bars;
  bool chorus;  // which progression
  drumstyle drums;
  int lead;  // 0 none, 1 tune, 2 tune with octave doubling
  bool arp;
};

const section layout[] = {
    {4, false, drumstyle::intro, 0, true}, {8, false, drumstyle::full, 1, false},
    {8, true, drumstyle::full, 1, true},   {4, false, drumstyle::breakdown, 0, true},
    {8, false, drumstyle::full, 2, true},  {4, true, drumstyle::full, 1, true},
    {4, false, drumstyle::outro, 1, true},
};

// Writes the notes and hits of the whole track, bar by bar.
class arranger {
 public:
  explicit arranger(const trackstyle& s) : s_(s), rng_(s.seed) {
    out_.beat = 60.0 / s.bpm;
    step_ = out_.beat / 4.0;
    versetune_ = makemelody(s, s.verse, rng_);
    chorustune_ = makemelody(s, s.chorus, rng_);
  }

  arrangement run() {
    int bar = 0;
    for (const section& sec : layout) {
      for (int i = 0; i < sec.bars; ++i, ++bar) playbar(sec, i, bar);
    }
    finalchord(bar);
    return std::move(out_);
  }

 private:
  double time(int bar, int step) const { return (bar * steps + step) * step_; }
  double humanise(double v) { return std::clamp(v * (0.92 + 0.08 * rng_.unit()), 0.0, 1.0); }

  chord chordof(const section& sec, int i) const {
    if (sec.drums == drumstyle::outro) {
      const chord ending[] = {s_.verse[0], s_.verse[1], s_.chorus[3], {0, s_.minor}};
      return ending[i];
    }
    return (sec.chorus ? s_.chorus : s_.verse)[static_cast<std::size_t>(i % 4)];
  }

  void playbar(const section& sec, int i, int bar) {
    const chord c = chordof(sec, i);
    const bool last = i == sec.bars - 1;
    drums(sec, i, bar, last);
    bassline(sec, i, bar, c);
    pad(bar, c);
    if (sec.arp) arpeggio(bar, c, sec.drums == drumstyle::breakdown ? 0.8 : 0.55);
    if (sec.lead) lead(sec, i, bar, c);
  }

  void hit(drumkind kind, int bar, int step, double velocity, double pitch = 0.0) {
    out_.drums.push_back({time(bar, step), kind, humanise(velocity), pitch});
    if (kind == drumkind::kick) out_.kicktimes.push_back(time(bar, step));
  }

  void pattern(const std::string& p, drumkind kind, int bar, int upto, double scale) {
    for (int st = 0; st < upto; ++st) {
      const char ch = p[static_cast<std::size_t>(st)];
      if (ch == '.') continue;
      const drumkind k = ch == 'o' ? drumkind::openhat : kind;
      hit(k, bar, st, (ch == 'X' ? 1.0 : 0.75) * scale);
    }
  }

  // The last half bar before a new section: a snare run that swells, with falling toms.
  void fill(int bar, bool toms) {
    for (int st = 8; st < steps; ++st) {
      const double swell = 0.45 + 0.55 * (st - 8) / 7.0;
      if (toms && st >= 12)
        hit(drumkind::tom, bar, st, swell, 220.0 - 30.0 * (st - 12));
      else
        hit(drumkind::snare, bar, st, swell);
    }
    hit(drumkind::kick, bar, 8, 0.9);
  }

  void drums(const section& sec, int i, int bar, bool last) {
    if (i == 0 && bar > 0) hit(drumkind::crash, bar, 0, 0.8);
    const int upto = last ? 8 : steps;
    switch (sec.drums) {
      case drumstyle::intro:
        pattern(s_.kick, drumkind::kick, bar, upto, 1.0);
        pattern(s_.hats, drumkind::hat, bar, upto, 0.7);
        if (i >= 2) pattern(s_.snare, drumkind::snare, bar, upto, 0.8);
        break;
      case drumstyle::breakdown:
        hit(drumkind::kick, bar, 0, 0.9);
        for (int st = 0; st < upto; st += 2) hit(drumkind::hat, bar, st, st % 4 == 0 ? 0.35 : 0.5);
        break;
      case drumstyle::full:
      case drumstyle::outro:
        pattern(s_.kick, drumkind::kick, bar, upto, 1.0);
        pattern(s_.snare, drumkind::snare, bar, upto, 1.0);
        pattern(s_.hats, drumkind::hat, bar, upto, 1.0);
        break;
    }
    if (last) fill(bar, sec.drums == drumstyle::outro || bar % 16 == 11);
  }

  void bassline(const section& sec, int i, int bar, const chord& c) {
    const double root = s_.key + c.root;
    if (sec.drums == drumstyle::intro && i < 2) return;
    if (sec.drums == drumstyle::breakdown) {
      out_.bass.push_back({time(bar, 0), 14 * step_, root, 0.8});
      return;
    }
    for (auto [st, len] : onsets(s_.bass)) {
      const char ch = s_.bass[static_cast<std::size_t>(st)];
      const double pitch = root + (ch == 'O' ? 12 : ch == 'F' ? 7 : 0);
      out_.bass.push_back(
          {time(bar, st), len * step_ * 0.8, pitch, humanise(st % 4 == 0 ? 1.0 : 0.8)});
    }
  }

  // Chord tones voiced close together around the middle of the keyboard, so chords move smoothly.
  std::vector<double> voicing(const chord& c, int low) const {
    std::vector<double> out;
    for (int t : triad(c)) {
      int p = low + pitchclass(s_.key + t - low);
      out.push_back(p);
    }
    return out;
  }

  void pad(int bar, const chord& c) {
    for (double p : voicing(c, s_.key + 10)) out_.pad.push_back({time(bar, 0), 16 * step_, p, 0.5});
  }

  void arpeggio(int bar, const chord& c, double level) {
    std::vector<double> tones = voicing(c, s_.key + 19);
    std::sort(tones.begin(), tones.end());
    tones.push_back(tones[0] + 12);
    tones.push_back(tones[1] + 12);
    for (int st = 0; st < steps; ++st) {
      const double pitch =
          tones[static_cast<std::size_t>(s_.arp[static_cast<std::size_t>(st)] - '0')];
      out_.arp.push_back(
          {time(bar, st), step_ * 0.6, pitch, humanise(level * (st % 4 == 0 ? 1.0 : 0.7))});
    }
  }

  void lead(const section& sec, int i, int bar, const chord& c) {
    const std::vector<melodybar>& tune = sec.chorus ? chorustune_ : versetune_;
    melodybar notes = tune[static_cast<std::size_t>(i % 8)];
    if (sec.drums == drumstyle::outro && i >= 2) {
      int previous = notes.empty() ? leadhome(s_) + 5 : notes.front().pitch;
      notes = i == 3 ? cadence(s_, c, previous, rng_) : refit(s_, tune[0], s_.verse[0], c, rng_);
    } else if (sec.bars == 4 && i == 3) {
      int previous = tune[2].back().pitch;
      notes = cadence(s_, c, previous, rng_);
    }
    for (const melodynote& n : notes) {
      const double gate = n.length * step_ * 0.85;
      out_.lead.push_back({time(bar, n.step), gate, static_cast<double>(n.pitch), humanise(0.9)});
      if (sec.lead == 2)
        out_.lead.push_back({time(bar, n.step), gate, n.pitch + 12.0, humanise(0.35)});
    }
  }

  // The closing downbeat: the home chord rings out and fades, ready for the next track.
  void finalchord(int bar) {
    const chord home{0, s_.minor};
    hit(drumkind::kick, bar, 0, 1.0);
    hit(drumkind::crash, bar, 0, 0.9);
    out_.bass.push_back({time(bar, 0), 1.6, static_cast<double>(s_.key), 1.0});
    for (double p : voicing(home, s_.key + 10)) out_.pad.push_back({time(bar, 0), 1.6, p, 0.6});
    out_.lead.push_back({time(bar, 0), 1.4, static_cast<double>(leadhome(s_)), 0.8});
    out_.length = time(bar, 0) + 3.2;
  }

  const trackstyle& s_;
  prng rng_;
  arrangement out_;
  double step_ = 0.0;
  std::vector<melodybar> versetune_, chorustune_;
};

}  // namespace

const trackstyle& style(int number) {
  return styles[static_cast<std::size_t>(std::clamp(number, 1, 4) - 1)];
}

arrangement arrange(const trackstyle& s) {
  return arranger(s).run();
}

}  // namespace assetgen

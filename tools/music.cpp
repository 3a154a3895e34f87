// The four music tracks: renders an arrangement through the instruments into buses, adds echoes
// and the kick's pumping, mixes to stereo, limits softly and encodes to Ogg Vorbis.
#include "music.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

#include "compose.h"
#include "ogg.h"
#include "voices.h"

namespace assetgen {

namespace {

constexpr double peaktarget = 0.74;  // leaves room for the codec's small overshoot

std::size_t at(double seconds) {
  return static_cast<std::size_t>(std::lround(seconds * samplerate));
}

struct buses {
  buffer kick, drums, hats, bass, lead, arp, padleft, padright;
  explicit buses(std::size_t n)
      : kick(n), drums(n), hats(n), bass(n), lead(n), arp(n), padleft(n), padright(n) {}
};

// A drum machine's sample bank: every drum rendered once at full velocity (a few takes of the
// noisy ones, so repeated hits are not identical), then mixed in as scaled copies. Much faster
// than synthesising each of the track's hundreds of hits.
class drumkit {
 public:
  explicit drumkit(prng& rng) {
    kick_.push_back(take(0.42, [&](buffer& b) { kickdrum(b, 0, 1.0); }));
    for (int i = 0; i < 4; ++i) {
      snare_.push_back(take(0.24, [&](buffer& b) { snaredrum(b, 0, 1.0, rng); }));
      hat_.push_back(take(0.18, [&](buffer& b) { hihat(b, 0, 1.0, 0.035, rng); }));
    }
    for (int i = 0; i < 2; ++i) {
      openhat_.push_back(take(0.8, [&](buffer& b) { hihat(b, 0, 1.0, 0.16, rng); }));
      crash_.push_back(take(2.2, [&](buffer& b) { crashcymbal(b, 0, 1.0, rng); }));
    }
  }

  void play(const drumhit& h, buses& b, prng& rng) {
    const std::size_t i = at(h.time);
    switch (h.kind) {
      case drumkind::kick:
        mixin(b.kick, i, kick_[0], h.velocity);
        break;
      case drumkind::snare:
        mixin(b.drums, i, pick(snare_, rng), h.velocity);
        break;
      case drumkind::hat:
        mixin(b.hats, i, pick(hat_, rng), h.velocity);
        break;
      case drumkind::openhat:
        mixin(b.hats, i, pick(openhat_, rng), h.velocity);
        break;
      case drumkind::crash:
        mixin(b.drums, i, pick(crash_, rng), h.velocity * 0.6);
        break;
      case drumkind::tom:
        mixin(b.drums, i, tom(h.pitch), h.velocity);
        break;
    }
  }

 private:
  template <typename renderfn>
  static buffer take(double seconds, renderfn render) {
    buffer b(at(seconds) + 1);
    render(b);
    return b;
  }

  static const buffer& pick(const std::vector<buffer>& takes, prng& rng) {
    return takes[static_cast<std::size_t>(rng.below(static_cast<int>(takes.size())))];
  }

  static void mixin(buffer& out, std::size_t start, const buffer& sample, double gain) {
    const std::size_t n = std::min(sample.size(), out.size() > start ? out.size() - start : 0);
    for (std::size_t k = 0; k < n; ++k) out[start + k] += static_cast<float>(gain * sample[k]);
  }

  const buffer& tom(double hz) {
    for (const auto& [pitch, sample] : toms_)
      if (pitch == hz) return sample;
    toms_.emplace_back(hz, take(0.35, [&](buffer& b) { tomdrum(b, 0, 1.0, hz); }));
    return toms_.back().second;
  }

  std::vector<buffer> kick_, snare_, hat_, openhat_, crash_;
  std::vector<std::pair<double, buffer>> toms_;
};

void renderdrums(const arrangement& a, buses& b, prng& rng) {
  drumkit kit(rng);
  for (const drumhit& h : a.drums) kit.play(h, b, rng);
}

void rendernotes(const arrangement& a, const trackstyle& s, buses& b) {
  for (const noteevent& n : a.bass) bassnote(b.bass, at(n.time), n.gate, n.pitch, n.velocity);
  for (const noteevent& n : a.lead)
    leadnote(b.lead, at(n.time), n.gate, n.pitch, n.velocity, s.leadwidth);
  for (const noteevent& n : a.arp) arpnote(b.arp, at(n.time), n.gate, n.pitch, n.velocity);
  for (const noteevent& n : a.pad)
    padnote(b.padleft, b.padright, at(n.time), n.gate, n.pitch, n.velocity);
}

// Gain that dips after every kick and recovers smoothly: the sustained parts breathe with the beat.
std::vector<float> pumping(const arrangement& a, std::size_t n) {
  std::vector<float> gain(n, 1.0f);
  const std::size_t span = at(0.3);
  for (double t : a.kicktimes) {
    const std::size_t start = at(t);
    for (std::size_t i = start; i < std::min(n, start + span); ++i) {
      const double since = static_cast<double>(i - start) / samplerate;
      const double dip = 0.45 * std::min(1.0, since / 0.004) * std::exp(-since / 0.09);
      gain[i] = std::min(gain[i], static_cast<float>(1.0 - dip));
    }
  }
  return gain;
}

// A stereo echo: alternating sides, each repeat darker and quieter.
void pingpong(const buffer& dry, double delay, double feedback, double level, stereo& out) {
  const std::size_t d = at(delay);
  buffer left(dry.size()), right(dry.size());
  onepole dampl, dampr;
  const double coef = lowpasscoef(3000.0);
  for (std::size_t i = d; i < dry.size(); ++i) {
    left[i] = static_cast<float>(dampl.run(dry[i - d] + feedback * right[i - d], coef));
    right[i] = static_cast<float>(dampr.run(feedback * left[i - d], coef));
  }
  for (std::size_t i = 0; i < dry.size(); ++i) {
    out.left[i] += static_cast<float>(level * left[i]);
    out.right[i] += static_cast<float>(level * right[i]);
  }
}

void addpanned(const buffer& mono, double level, double pan, stereo& out,
               const std::vector<float>* gain = nullptr) {
  const double angle = (pan + 1.0) * pi / 4.0;
  const double l = level * std::cos(angle) * std::sqrt(2.0),
               r = level * std::sin(angle) * std::sqrt(2.0);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    const double v = gain ? mono[i] * (*gain)[i] : mono[i];
    out.left[i] += static_cast<float>(l * v);
    out.right[i] += static_cast<float>(r * v);
  }
}

// Brings the mix to a steady loudness, rounds off the rare peaks, and fades the very start and
// the ringing end so the track begins and ends on silence.
void master(stereo& mix) {
  double sum = 0.0;
  for (std::size_t i = 0; i < mix.left.size(); ++i)
    sum += mix.left[i] * mix.left[i] + mix.right[i] * mix.right[i];
  const double rms = std::sqrt(sum / (2.0 * static_cast<double>(mix.left.size())));
  const double gain = rms > 0.0 ? 0.18 / rms : 0.0;
  const std::size_t n = mix.left.size(), fadein = at(0.005), fadeout = at(2.4);
  for (std::size_t i = 0; i < n; ++i) {
    double edge = 1.0;
    if (i < fadein) edge = static_cast<double>(i) / static_cast<double>(fadein);
    if (n - i < fadeout)
      edge = std::min(edge, 0.5 - 0.5 * std::cos(pi * static_cast<double>(n - i) /
                                                 static_cast<double>(fadeout)));
    for (buffer* side : {&mix.left, &mix.right})
      (*side)[i] = static_cast<float>(softlimit((*side)[i] * gain * edge, 0.55, peaktarget));
  }
}

}  // namespace

stereo maketrack(int number) {
  const trackstyle& s = style(number);
  const arrangement a = arrange(s);
  const std::size_t n = at(a.length);
  buses b(n);
  prng rng(s.seed ^ 0xD12u);
  renderdrums(a, b, rng);
  rendernotes(a, s, b);

  const std::vector<float> pump = pumping(a, n);
  stereo mix{buffer(n), buffer(n)};
  addpanned(b.kick, 0.75, 0.0, mix);
  addpanned(b.drums, 0.85, -0.05, mix);
  addpanned(b.hats, 0.9, 0.35, mix);
  addpanned(b.bass, 0.36, 0.0, mix, &pump);
  addpanned(b.lead, 0.26, 0.0, mix);
  pingpong(b.lead, a.beat * 0.75, 0.35, 0.22, mix);
  addpanned(b.arp, 0.16, -0.3, mix, &pump);
  pingpong(b.arp, a.beat * 0.5, 0.3, 0.08, mix);
  for (std::size_t i = 0; i < n; ++i) {
    mix.left[i] += static_cast<float>(0.1 * b.padleft[i] * pump[i]);
    mix.right[i] += static_cast<float>(0.1 * b.padright[i] * pump[i]);
  }
  master(mix);
  return mix;
}

bool writemusic(const std::string& outdir, float quality) {
  // Two workers, each making every other track: the tracks share nothing, so the bytes do not
  // depend on the scheduling.
  std::array<bool, 5> ok{};
  auto worker = [&](int first) {
    for (int k = first; k <= 4; k += 2) {
      const stereo track = maketrack(k);
      ok[static_cast<std::size_t>(k)] =
          writeogg(outdir + "/music/tt" + std::to_string(k) + ".ogg", track.left, track.right,
                   samplerate, quality, 0x0F10F000 + k);
    }
  };
  std::thread second(worker, 2);
  worker(1);
  second.join();
  return ok[1] && ok[2] && ok[3] && ok[4];
}

}  // namespace assetgen

// The in-memory link, the scripted keys and the summary of a duel.
#include "tests/net/duel.h"

namespace flopfist::nettest {

void memorylink::send(int from, std::span<const uint8_t> bytes, uint32_t now) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> jitter(-c_.jitterms, c_.jitterms);
  if (cut || unit(rng_) < c_.loss) return;
  const int copies = unit(rng_) < c_.duplicate ? 2 : 1;
  for (int k = 0; k < copies; ++k) {
    const int delay = std::max(0, c_.rttms / 2 + jitter(rng_));
    inflight_.push_back({now + uint32_t(delay), 1 - from, sent_++, {bytes.begin(), bytes.end()}});
  }
}

std::vector<std::vector<uint8_t>> memorylink::arrived(int to, uint32_t now) {
  std::vector<std::vector<uint8_t>> out;
  std::vector<datagram> due;
  for (size_t k = 0; k < inflight_.size();) {
    if (inflight_[k].to == to && inflight_[k].due <= now) {
      due.push_back(std::move(inflight_[k]));
      inflight_[k] = std::move(inflight_.back());
      inflight_.pop_back();
    } else {
      ++k;
    }
  }
  std::sort(due.begin(), due.end(), [](const datagram& a, const datagram& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  });
  for (datagram& d : due) out.push_back(std::move(d.bytes));
  return out;
}

uint16_t scriptinput(uint32_t seed, int side, int frame) {
  // A run of 6 to 21 frames per held set of keys, chosen by a mix of the seed, the side and the run.
  const int run = frame / 14;
  uint64_t x = (uint64_t(seed) << 32) ^ (uint64_t(side) << 31) ^ uint64_t(run);
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  x ^= x >> 31;
  const uint16_t dirs = uint16_t(x & 0xF);
  return uint16_t(dirs << (side == 0 ? 0 : 4));
}

matchsetup versussetup(uint32_t seed) {
  matchsetup s;
  s.mode = gamemode::versus;
  s.level = 1;
  s.rules.blood = 30;
  s.rng = media::generator(int(seed));
  return s;
}

int depthpercentile(const dueloutcome& o, double p) {
  std::array<int, net::depthslots> all{};
  int total = 0;
  for (const net::linkstats& s : o.stats) {
    for (size_t d = 0; d < all.size(); ++d) {
      all[d] += s.depths[d];
      total += s.depths[d];
    }
  }
  if (total == 0) return 0;
  int seen = 0;
  for (size_t d = 0; d < all.size(); ++d) {
    seen += all[d];
    if (seen >= p * total) return int(d);
  }
  return net::depthslots - 1;
}

std::string describe(const linkconfig& c, const dueloutcome& o) {
  const int stepped = o.stats[0].stepped + o.stats[1].stepped;
  const int waited = o.stats[0].waited + o.stats[1].waited;
  const int slowed = o.stats[0].slowed + o.stats[1].slowed;
  const int rollbacks = o.stats[0].rollbacks + o.stats[1].rollbacks;
  char line[200];
  std::snprintf(line, sizeof line,
                "rtt %3d ms loss %2d%%: waited %5.1f/1000 slowed %5.1f/1000 rollbacks %5.1f/1000 "
                "depth p50 %d p99 %d desyncs %d (seed %u, %d frames)",
                c.rttms, int(c.loss * 100 + 0.5), 1000.0 * waited / std::max(stepped, 1),
                1000.0 * slowed / std::max(stepped, 1), 1000.0 * rollbacks / std::max(stepped, 1),
                depthpercentile(o, 0.5), depthpercentile(o, 0.99), o.desyncs, c.seed, o.compared);
  return line;
}

}  // namespace flopfist::nettest

// The two players meet first, at once and without loss, as browsers do (straight to the relay);
// then only match datagrams cross the legs.
#include "bench/netlink/relayhop.h"

#include <cmath>
#include <memory>

namespace flopfist::nettest {

namespace {

constexpr net::address4 lobbyat{0xCB007101, 27961};  // 203.0.113.1
constexpr std::array<net::address4, 2> playerat{net::address4{0xCB007102, 40000}, net::address4{0xCB007112, 50000}};

lobby::endpoint where(int k) { return {lobby::transportkind::udp, playerat[size_t(k)], 0}; }

}  // namespace

linkconfig relayhop::leg(const linkconfig& c, int which) {
  linkconfig l = c;
  l.rttms = c.rttms / 2;
  l.loss = 1 - std::sqrt(1 - c.loss);
  l.seed = c.seed * 2 + uint32_t(which);
  return l;
}

relayhop::relayhop(const linkconfig& c)
    : rooms_(lobby::roomsettings{}, [state = uint64_t(c.seed)](std::span<uint8_t> into) mutable {
        for (uint8_t& b : into) b = uint8_t((state = state * 6364136223846793005ull + 1) >> 56);
      }),
      legs_{memorylink(leg(c, 0)), memorylink(leg(c, 1))} {
  // The meeting, word by word straight through the rooms.
  std::array<net::meetsettings, 2> s;
  for (int k = 0; k < 2; ++k) {
    s[size_t(k)].side = k == 0 ? net::role::host : net::role::guest;
    s[size_t(k)].canpunch = false;
  }
  players_[0] = std::make_unique<net::meeting>(s[0], lobbyat, 0, 1);
  auto exchange = [&](int k, uint32_t now) {
    std::vector<net::meetdatagram> out;
    players_[size_t(k)]->tick(now, out);
    std::vector<lobby::outgoing> said;
    for (const net::meetdatagram& d : out) rooms_.receive(where(k), d.bytes.view(), now, said);
    for (const lobby::outgoing& o : said) {
      const int to = o.to == where(0) ? 0 : 1;
      if (players_[size_t(to)]) players_[size_t(to)]->receive(lobbyat, o.word.view(), now, out);
    }
  };
  for (uint32_t now = 0; now < 2000 && !paired_; now += 10) {
    exchange(0, now);
    if (!players_[1] && players_[0]->phase() == net::meetphase::waiting) {
      s[1].code = players_[0]->code();
      players_[1] = std::make_unique<net::meeting>(s[1], lobbyat, now, 2);
    }
    if (players_[1]) exchange(1, now);
    paired_ = players_[1] && players_[0]->phase() == net::meetphase::relayed &&
              players_[1]->phase() == net::meetphase::relayed;
  }
}

void relayhop::send(int from, std::span<const uint8_t> bytes, uint32_t now) {
  if (cut || !paired_) return;
  const net::meetdatagram d = players_[size_t(from)]->relayword(bytes);
  legs_[size_t(from)].send(0, d.bytes.view(), now);
}

void relayhop::pump(uint32_t now) {
  for (int k = 0; k < 2; ++k) {
    for (const std::vector<uint8_t>& bytes : legs_[size_t(k)].arrived(1, now)) {
      std::vector<lobby::outgoing> said;
      rooms_.receive(where(k), bytes, now, said);
      for (const lobby::outgoing& o : said) {
        if (!o.forward) continue;
        legs_[size_t(o.to == where(0) ? 0 : 1)].send(1, bytes, now);
      }
    }
  }
}

std::vector<std::vector<uint8_t>> relayhop::arrived(int to, uint32_t now) {
  pump(now);
  std::vector<std::vector<uint8_t>> out;
  std::vector<net::meetdatagram> answers;
  for (const std::vector<uint8_t>& bytes : legs_[size_t(to)].arrived(0, now)) {
    players_[size_t(to)]->receive(lobbyat, bytes, now, answers);
    const std::span<const uint8_t> payload = players_[size_t(to)]->relayed();
    if (!payload.empty()) out.emplace_back(payload.begin(), payload.end());
  }
  return out;
}

}  // namespace flopfist::nettest

// The UDP transport on 127.0.0.1 in one process: two sessions play over it, a third machine and a
// joiner of another version are turned away, a vanished host is noticed; and a match by room code
// through the lobby program started on the loopback; and only the probes that ask for it leave with a
// low TTL.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include <chrono>
#include <thread>
#include <vector>

#include "match/version.h"
#include "net/handshake.h"
#include "net/session.h"
#include "net/link.h"
#include "net/transport.h"
#include "net/udp.h"
#include "tests/lobby/lobbyprocess.h"
#include "tests/net/duel.h"

namespace flopfist::net {
namespace {

// The callers' clock moves 2 ms a pass while the sockets get a real millisecond to carry datagrams.
struct pump {
  uint32_t now = 1000;
  template <typename done>
  bool until(std::initializer_list<transport*> links, done finished, int passes = 3000) {
    for (int k = 0; k < passes; ++k) {
      for (transport* l : links) l->poll(now);
      if (finished()) return true;
      now += 2;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
};

struct pair {
  std::unique_ptr<transport> host, guest;
  pump p;
  void join() {
    std::string error;
    host = hostgame(0, error);
    ASSERT_NE(host, nullptr) << error;
    guest = joingame("127.0.0.1", host->port(), p.now);
    ASSERT_NE(guest, nullptr);
    ASSERT_TRUE(p.until({host.get(), guest.get()}, [&] {
      return host->phase() == linkphase::joined && guest->phase() == linkphase::joined;
    })) << guest->problem();
  }
};

// Two sessions play `frames` frames over the joined links; both confirm them with the same hashes.
void playover(pair& link, int frames) {
  std::array<transport*, 2> ends{link.host.get(), link.guest.get()};
  std::array<session, 2> s{session({0, 2, 8, 3000}, link.p.now), session({1, 2, 8, 3000}, link.p.now)};
  std::array<rollback<nettest::foldgame>, 2> g{rollback<nettest::foldgame>({}, 16), rollback<nettest::foldgame>({}, 16)};
  std::array<std::vector<uint64_t>, 2> hashes;
  int pass = 0;
  const bool done = link.p.until({ends[0], ends[1]}, [&] {
    for (int k = 0; k < 2; ++k) {
      packet in;
      while (ends[size_t(k)]->next(in)) s[size_t(k)].receive(in.view(), link.p.now);
      if (pass % 8 != 0) continue;  // a tick every 16 ms of the callers' clock
      const auto requests = s[size_t(k)].advance(nettest::scriptinput(5, k, s[size_t(k)].frame()), link.p.now);
      g[size_t(k)].carry(s[size_t(k)], requests, [](const request&, const matchevents&) {});
      for (const request& r : requests) {
        if (r.kind != requestkind::save) continue;
        hashes[size_t(k)].resize(std::max(hashes[size_t(k)].size(), size_t(r.frame) + 1));
        hashes[size_t(k)][size_t(r.frame)] = g[size_t(k)].savedfor(r.frame).hash();
      }
      ends[size_t(k)]->send(s[size_t(k)].outgoing());
    }
    ++pass;
    // Confirmed frames a side has stepped to: their saved hashes are final.
    return std::min({s[0].confirmed(), s[1].confirmed(), s[0].frame(), s[1].frame()}) >= frames;
  }, 20000);
  ASSERT_TRUE(done) << "frames " << s[0].frame() << " and " << s[1].frame();
  EXPECT_EQ(s[0].state(), linkstate::running);
  EXPECT_EQ(s[1].state(), linkstate::running);
  for (int f = 0; f < frames; ++f) ASSERT_EQ(hashes[0][size_t(f)], hashes[1][size_t(f)]) << f;
  EXPECT_GT(s[0].stats().packetsreceived, frames / 2);
}

TEST(udp, TwoSessionsPlayAMatchOverTheLoopback) {
  pair link;
  ASSERT_NO_FATAL_FAILURE(link.join());
  playover(link, 240);
}

// Host and joiner meet by the room code in the real lobby, reach each other through the probes (or,
// for a joiner that cannot punch, the relay), and play. The time from the join to the link is printed, not checked: it depends on the machine.
TEST(udp, ByRoomCodeThroughTheLobbyProgramTheGamesPunchOrRelayAndPlay) {
  lobbyprocess lobby({"--port", "0", "--ws-port", "0"});
  const uint16_t lobbyport = started(lobby).udp;
  ASSERT_NE(lobbyport, 0) << "the lobby did not start";
  const std::string where = "127.0.0.1:" + std::to_string(lobbyport);
  pair link;
  std::string error;
  link.host = hostgame(0, error, where, link.p.now);
  ASSERT_NE(link.host, nullptr) << error;
  ASSERT_TRUE(link.p.until({link.host.get()}, [&] { return !link.host->code().empty(); })) << link.host->lobbyproblem();
  const auto started = std::chrono::steady_clock::now();
  link.guest = joinbycode(link.host->code(), where, link.p.now, error);
  ASSERT_NE(link.guest, nullptr) << error;
  ASSERT_TRUE(link.p.until({link.host.get(), link.guest.get()}, [&] {
    return link.host->phase() == linkphase::joined && link.guest->phase() == linkphase::joined;
  })) << link.guest->problem();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("joined by code in %lld ms of real time, path %s\n", (long long)took.count(), pathname(link.guest->path()));
  EXPECT_EQ(link.guest->path(), linkpath::punched);
  EXPECT_EQ(link.host->path(), linkpath::punched);
  playover(link, 120);
  // A joiner that cannot punch, as a browser cannot, goes through the lobby's relay at once.
  link.guest.reset();
  ASSERT_TRUE(link.p.until({link.host.get()}, [&] { return link.host->phase() == linkphase::closed; }));
  link.host = hostgame(0, error, where, link.p.now);
  ASSERT_NE(link.host, nullptr) << error;
  ASSERT_TRUE(link.p.until({link.host.get()}, [&] { return !link.host->code().empty(); }));
  auto socket = openudp(0, error);
  ASSERT_NE(socket, nullptr) << error;
  linksettings relayonly;
  relayonly.hosting = false;
  relayonly.lobby = address4{0x7F000001, lobbyport};
  relayonly.meet.mine = {protocolversion, gameversion};
  relayonly.meet.code = link.host->code();
  relayonly.meet.canpunch = false;
  const auto relaystart = std::chrono::steady_clock::now();
  link.guest = makelink(std::move(socket), relayonly, link.p.now, 5);
  ASSERT_TRUE(link.p.until({link.host.get(), link.guest.get()}, [&] {
    return link.host->phase() == linkphase::joined && link.guest->phase() == linkphase::joined;
  })) << link.guest->problem();
  const auto relaytook = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - relaystart);
  std::printf("joined by code in %lld ms of real time, path %s\n", (long long)relaytook.count(), pathname(link.guest->path()));
  EXPECT_EQ(link.guest->path(), linkpath::relayed);
  EXPECT_EQ(link.host->path(), linkpath::relayed);
  playover(link, 120);
}

TEST(udp, AThirdMachineIsTurnedAwayAndTheMatchGoesOn) {
  pair link;
  ASSERT_NO_FATAL_FAILURE(link.join());
  auto third = joingame("127.0.0.1", link.host->port(), link.p.now);
  ASSERT_TRUE(link.p.until({link.host.get(), link.guest.get(), third.get()},
                           [&] { return third->phase() == linkphase::refused; }));
  EXPECT_NE(third->problem().find("ALREADY"), std::string::npos) << third->problem();
  EXPECT_EQ(link.host->phase(), linkphase::joined);
  // The joiner's datagrams still reach the host.
  const std::array<uint8_t, 3> hi{'F', 'f', 5};
  link.guest->send(hi);
  packet got;
  ASSERT_TRUE(link.p.until({link.host.get(), link.guest.get(), third.get()}, [&] { return link.host->next(got); }));
  EXPECT_EQ(got.size, 3u);
}

TEST(udp, AJoinerOfAnotherVersionHearsBothVersions) {
  std::string error;
  auto host = hostgame(0, error);
  ASSERT_NE(host, nullptr) << error;
  // A joiner built as another version would be: its hello says so, from a socket of its own.
  auto other = openudp(0, error);
  ASSERT_NE(other, nullptr) << error;
  message h = hello();
  h.hello.game = gameversion + 1;
  const packet out = encode(h);
  other->sendto({0x7F000001, host->port()}, out.view());
  pump p;
  message answerheard;
  datagram in;
  ASSERT_TRUE(p.until({host.get()}, [&] {
    while (other->receive(in)) answerheard = decode(in.view());
    return answerheard.kind != messagekind::none;
  }));
  ASSERT_EQ(answerheard.kind, messagekind::refuse);
  EXPECT_EQ(answerheard.refuse.game, gameversion);
  EXPECT_EQ(host->phase(), linkphase::waiting) << "still waiting for a joiner it can play";
  EXPECT_EQ(host->path(), linkpath::direct);
}

TEST(udp, AHostGoneBeforeTheStartIsNoticed) {
  std::string error;
  auto host = hostgame(0, error);
  ASSERT_NE(host, nullptr) << error;
  pump p;
  auto guest = joingame("127.0.0.1", host->port(), p.now, 400);
  host.reset();
  ASSERT_TRUE(p.until({guest.get()}, [&] { return guest->phase() == linkphase::failed; }));
  EXPECT_FALSE(guest->problem().empty());
}

TEST(udp, AddressesWithAndWithoutAPort) {
  std::string a;
  uint16_t port = 0;
  EXPECT_TRUE(splitaddress("192.168.1.7", a, port));
  EXPECT_EQ(a, "192.168.1.7");
  EXPECT_EQ(port, defaultport);
  EXPECT_TRUE(splitaddress("lan-box:4000", a, port));
  EXPECT_EQ(a, "lan-box");
  EXPECT_EQ(port, 4000);
  EXPECT_FALSE(splitaddress("lan-box:", a, port));
  EXPECT_FALSE(splitaddress("lan-box:70000", a, port));
  EXPECT_FALSE(splitaddress("lan-box:65536", a, port));
  EXPECT_FALSE(splitaddress("lan-box:0", a, port));
  EXPECT_TRUE(splitaddress("lan-box:1", a, port));
  EXPECT_TRUE(splitaddress("lan-box:65535", a, port));
  EXPECT_EQ(port, 65535);
  EXPECT_FALSE(splitaddress("lan-box:4x", a, port));
  EXPECT_FALSE(splitaddress(":4000", a, port));
}

// The TTL each datagram left with, as a plain socket on the loopback reads it.
struct ttlreader {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  uint16_t port = 0;
  ttlreader() {
    const int on = 1;
    setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    port = ntohs(a.sin_port);
  }
  ~ttlreader() { close(fd); }
  int next() const {
    std::array<uint8_t, 64> data{};
    iovec v{data.data(), data.size()};
    alignas(cmsghdr) std::array<char, 64> control{};
    msghdr m{};
    m.msg_iov = &v;
    m.msg_iovlen = 1;
    m.msg_control = control.data();
    m.msg_controllen = control.size();
    if (recvmsg(fd, &m, MSG_DONTWAIT) < 0) return -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) return *reinterpret_cast<const int*>(CMSG_DATA(c));
    }
    return 0;
  }
};

TEST(udp, OnlyTheLowTTLProbesLeaveWithALowTTL) {
  std::string error;
  const auto mine = openudp(0, error);
  ttlreader reader;
  ASSERT_TRUE(mine != nullptr && reader.fd >= 0) << error;
  const address4 to{0x7F000001, reader.port};
  const std::array<uint8_t, 3> bytes{1, 2, 3};
  mine->sendto(to, bytes);
  mine->sendto(to, bytes, 2);
  mine->sendto(to, bytes, 2);
  mine->sendto(to, bytes);  // the match's datagrams after the first probes: never cut short
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const int usual = reader.next();
  EXPECT_GT(usual, 2);
  EXPECT_EQ(reader.next(), 2);
  EXPECT_EQ(reader.next(), 2);
  EXPECT_EQ(reader.next(), usual);
  EXPECT_EQ(reader.next(), -1);
}

TEST(udp, ThisMachinesAddressesLeaveTheLoopbackOut) {
  for (const address4& a : localaddresses()) EXPECT_NE(a.ip >> 24, 127u) << addresstext(a);
}

}  // namespace
}  // namespace flopfist::net

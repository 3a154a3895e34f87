// Games found on the LAN: the beacon read whole or not at all, the list's expiry, updates and
// limit, a waiting host's beacons, and on the loopback a host found by a listener and joined at
// the address it was heard from.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "match/version.h"
#include "net/lan.h"
#include "net/lobby.h"
#include "net/udp.h"

namespace flopfist::net {
namespace {

const versions ours{protocolversion, gameversion};

beaconbytes anna(std::string code = "") { return encode(beacon{ours, 77, "ANNA", std::move(code)}); }

std::vector<uint8_t> bytesof(const beaconbytes& b) { return {b.view().begin(), b.view().end()}; }

TEST(beacon, ReadsBackWhatWasWrittenAndNothingElse) {
  for (const std::string code : {"", "K7Q2M"}) {
    const beaconbytes b = anna(code);
    beacon back;
    ASSERT_TRUE(decodebeacon(b.view(), back)) << code;
    EXPECT_EQ(back.mine, ours);
    EXPECT_EQ(back.host, 77u);
    EXPECT_EQ(back.name, "ANNA");
    EXPECT_EQ(back.code, code);
    // Torn anywhere, or with a byte more, it is no beacon.
    for (size_t n = 0; n < b.size; ++n) EXPECT_FALSE(decodebeacon(b.view().first(n), back)) << n;
    std::vector<uint8_t> longer = bytesof(b);
    longer.push_back(0);
    EXPECT_FALSE(decodebeacon(longer, back));
  }
  beacon back;
  EXPECT_FALSE(decodebeacon(std::vector<uint8_t>(mostbeacon + 1, 'F'), back));
  EXPECT_TRUE(decodebeacon(encode(beacon{ours, 1, "", ""}).view(), back)) << "a host with no name typed";
  EXPECT_EQ(back.name, "");
}

TEST(beacon, WrongMarksLayoutsNamesAndCodesAreDropped) {
  const std::vector<uint8_t> good = bytesof(anna("K7Q2M"));
  const size_t nameat = 2 + 1 + 2 + 4 + 4;  // mark, layout, versions, host
  auto changed = [&](size_t at, uint8_t to) {
    std::vector<uint8_t> b = good;
    b[at] = to;
    return b;
  };
  beacon back;
  EXPECT_FALSE(decodebeacon(changed(0, 'G'), back)) << "mark";
  EXPECT_FALSE(decodebeacon(changed(1, 'L'), back)) << "a rendezvous word's mark";
  EXPECT_FALSE(decodebeacon(changed(2, beaconlayout + 1), back)) << "another layout";
  EXPECT_FALSE(decodebeacon(changed(nameat + 1, 'a'), back)) << "a small letter";
  EXPECT_FALSE(decodebeacon(changed(nameat + 1, ' '), back)) << "a leading space";
  EXPECT_FALSE(decodebeacon(changed(nameat + 4, ' '), back)) << "a trailing space";
  EXPECT_FALSE(decodebeacon(changed(nameat + 2, '!'), back)) << "a character no name holds";
  EXPECT_FALSE(decodebeacon(changed(nameat + 7, '0'), back)) << "a 0 is no code's";
  std::vector<uint8_t> four = changed(nameat + 5, 4);
  four.pop_back();
  EXPECT_FALSE(decodebeacon(four, back)) << "a code of four";
  // A name longer than a name may be, its length told honestly.
  std::vector<uint8_t> longname(good.begin(), good.begin() + long(nameat));
  longname.push_back(uint8_t(namelength + 1));
  longname.insert(longname.end(), namelength + 1, 'A');
  longname.push_back(0);
  EXPECT_FALSE(decodebeacon(longname, back));
  // Written, a name too long or a bad code are cut to what the reader takes.
  ASSERT_TRUE(decodebeacon(encode(beacon{ours, 1, "anna maria louisa", "0OIL1"}).view(), back));
  EXPECT_EQ(back.name, "ANNA MARIA");
  EXPECT_EQ(back.code, "");
}

constexpr address4 annaat{0xC6336402, 27960};  // 198.51.100.2

TEST(lanlist, GamesGoUnheardForTooLongAndTheNewestBeaconWins) {
  lanlist list(ours);
  list.heard(annaat, anna().view(), 1000);
  list.heard({0xC6336403, 27960}, encode(beacon{ours, 88, "BO", ""}).view(), 1500);
  ASSERT_EQ(list.games().size(), 2u);
  // The same host again, from another interface, with a code now: one row, in its place.
  list.heard({0xC0000205, 27960}, anna("K7Q2M").view(), 2000);
  ASSERT_EQ(list.games().size(), 2u);
  EXPECT_EQ(list.games()[0].name, "ANNA");
  EXPECT_EQ(list.games()[0].at, (address4{0xC0000205, 27960}));
  EXPECT_EQ(list.games()[0].code, "K7Q2M");
  EXPECT_TRUE(list.games()[0].sameversion);
  list.expire(2000 + lanlastms);
  EXPECT_EQ(list.games().size(), 1u) << "BO unheard for longer than allowed";
  list.expire(2001 + lanlastms);
  EXPECT_TRUE(list.games().empty());
  // Malformed bytes and a source with no port list nothing.
  list.heard(annaat, std::vector<uint8_t>{'F', 'b', 1}, 5000);
  list.heard({0xC6336402, 0}, anna().view(), 5000);
  EXPECT_TRUE(list.games().empty());
}

TEST(lanlist, OtherVersionsAreMarkedAndANewGameTakesTheStalestPlace) {
  lanlist list(ours);
  list.heard(annaat, encode(beacon{{ours.protocol, ours.game + 1}, 5, "OLD", ""}).view(), 0);
  ASSERT_EQ(list.games().size(), 1u);
  EXPECT_FALSE(list.games()[0].sameversion);
  for (uint32_t k = 1; k < mostlangames + 3; ++k) {
    list.heard({annaat.ip + k, 27960}, encode(beacon{ours, 100 + k, "P" + std::to_string(k), ""}).view(), k * 10);
    list.heard(annaat, encode(beacon{ours, 5, "OLD", ""}).view(), k * 10);  // heard all along
  }
  ASSERT_EQ(list.games().size(), mostlangames);
  EXPECT_EQ(list.games()[0].name, "OLD");
  EXPECT_TRUE(list.games()[0].sameversion) << "its newest beacon says it is ours now";
  // P1 to P3 were heard longest ago, and gave their places to the last three.
  for (size_t k = 1; k < mostlangames; ++k) EXPECT_EQ(list.games()[k].name, "P" + std::to_string(k + 3));
}

// A link that only says what a test tells it.
class toldlink final : public transport {
 public:
  linkphase now = linkphase::waiting;
  std::string roomcode;
  void poll(uint32_t) override {}
  linkphase phase() const override { return now; }
  void send(std::span<const uint8_t>) override {}
  bool next(packet&) override { return false; }
  void sendwhole(std::string_view) override {}
  bool nextwhole(std::string&) override { return false; }
  std::string problem() const override { return ""; }
  uint16_t port() const override { return 27960; }
  std::string code() const override { return roomcode; }
};

class sentlog final : public datagrams {
 public:
  std::vector<std::pair<address4, std::vector<uint8_t>>> sent;
  void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t) override {
    sent.push_back({to, {bytes.begin(), bytes.end()}});
  }
  bool receive(datagram&) override { return false; }
  uint16_t port() const override { return 27960; }
};

TEST(beaconing, AWaitingHostBeaconsEachSecondToEveryTargetUntilJoined) {
  auto owned = std::make_unique<toldlink>();
  toldlink& link = *owned;
  auto socket = std::make_shared<sentlog>();
  const std::vector<address4> to{{0xC633647F, discoveryport}, {0x7FFFFFFF, discoveryport}};
  auto host = beaconing(std::move(owned), socket, to, "anna", ours, 9);
  host->poll(5000);
  ASSERT_EQ(socket->sent.size(), 2u) << "at once, to both";
  EXPECT_EQ(socket->sent[0].first, to[0]);
  EXPECT_EQ(socket->sent[1].first, to[1]);
  beacon b;
  ASSERT_TRUE(decodebeacon(socket->sent[0].second, b));
  EXPECT_EQ(b.name, "ANNA");
  EXPECT_EQ(b.host, 9u);
  EXPECT_EQ(b.code, "");
  host->poll(5000 + beaconms - 1);
  EXPECT_EQ(socket->sent.size(), 2u);
  link.roomcode = "K7Q2M";
  host->poll(5000 + beaconms);
  ASSERT_EQ(socket->sent.size(), 4u);
  ASSERT_TRUE(decodebeacon(socket->sent[3].second, b));
  EXPECT_EQ(b.code, "K7Q2M");
  EXPECT_EQ(host->code(), "K7Q2M");
  link.now = linkphase::joined;
  host->poll(5000 + 5 * beaconms);
  EXPECT_EQ(socket->sent.size(), 4u) << "a joined host is no longer to be found";
  EXPECT_EQ(host->phase(), linkphase::joined);
}

// On the loopback's broadcast only: a host beaconing to this machine is listed within a couple of
// beacons at the address it was heard from, and joined there.
TEST(beaconing, AHostOnThisMachineIsListedAndJoinedWhereItWasHeard) {
  std::string error;
  auto listener = listenlan(error);
  ASSERT_NE(listener, nullptr) << error;
  auto second = listenlan(error);
  ASSERT_NE(second, nullptr) << "two games on one machine may both listen: " << error;
  uint32_t now = 1000;
  auto host = hostgame(0, error, "", now, lanbeacons::local, "ANNA");
  ASSERT_NE(host, nullptr) << error;
  std::optional<langame> found;
  for (int k = 0; k < 3000 && !found; ++k, now += 2) {
    host->poll(now);
    listener->poll(now);
    second->poll(now);
    for (const langame& g : listener->games()) {
      if (g.at.port == host->port()) found = g;  // other tests' hosts may beacon here too
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(found) << "not heard";
  EXPECT_EQ(found->name, "ANNA");
  EXPECT_EQ(found->at.ip >> 24, 127u);
  EXPECT_TRUE(found->sameversion);
  EXPECT_TRUE(std::any_of(second->games().begin(), second->games().end(),
                          [&](const langame& g) { return g.at.port == host->port(); }));
  auto guest = joingame(addresstext(found->at).substr(0, addresstext(found->at).rfind(':')), found->at.port, now);
  ASSERT_NE(guest, nullptr);
  for (int k = 0; k < 3000 && guest->phase() != linkphase::joined; ++k, now += 2) {
    host->poll(now);
    guest->poll(now);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(guest->phase(), linkphase::joined);
  EXPECT_EQ(host->phase(), linkphase::joined);
}

}  // namespace
}  // namespace flopfist::net

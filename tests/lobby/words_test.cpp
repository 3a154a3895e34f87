// The rendezvous words: each kind survives the trip through bytes, and the decoder refuses torn,
// oversized, misnamed and out-of-range words rather than reading something else into them.
#include <gtest/gtest.h>

#include <vector>

#include "net/rendezvous.h"

namespace flopfist::net {
namespace {

std::vector<word> everykind() {
  std::vector<word> all;
  static const std::vector<uint8_t> payload(80, 0x5A);
  word w;
  w.nonce = 0xDEADBEEF;
  w.code = {'K', '7', 'M', '2', 'Q'};
  w.key = 0x0123456789ABCDEFull;
  w.mine = {2, 1};
  w.host = {3, 4};
  w.lancount = 2;
  w.lan[0] = {0xC0A80002, 27960};
  w.lan[1] = {0x0A000005, 4000};
  w.seen = {0xCB007105, 40000};
  w.seq = 77;
  w.side = role::guest;
  w.why = refusereason::full;
  w.how = pathkind::lan;
  w.payload = payload;
  for (uint8_t k = 1; k <= uint8_t(wordkind::gone); ++k) {
    w.kind = wordkind(k);
    all.push_back(w);
  }
  return all;
}

std::vector<uint8_t> bytesof(const word& w) {
  const wordbytes b = encode(w);
  return {b.bytes.begin(), b.bytes.begin() + std::ptrdiff_t(b.size)};
}

TEST(words, EveryKindComesBackAsItWent) {
  for (const word& w : everykind()) {
    const std::vector<uint8_t> b = bytesof(w);
    const word back = decodeword(b);
    SCOPED_TRACE(int(w.kind));
    ASSERT_EQ(back.kind, w.kind);
    // Each field a kind carries comes back; a field it does not carry stays at its default, which
    // differs from what was sent, so a kind reading a field it should not shows here.
    EXPECT_EQ(encode(back).view().size(), b.size());
    EXPECT_TRUE(std::equal(b.begin(), b.end(), encode(back).bytes.begin()));
    switch (w.kind) {
      case wordkind::join:
        EXPECT_EQ(back.code, w.code);
        EXPECT_EQ(back.mine, w.mine);
        EXPECT_EQ(back.lancount, 2);
        EXPECT_EQ(back.lan[1], w.lan[1]);
        EXPECT_EQ(back.nonce, w.nonce);
        break;
      case wordkind::refuse:
        EXPECT_EQ(back.host, w.host);
        EXPECT_EQ(back.mine, w.mine);
        EXPECT_EQ(back.why, refusereason::full);
        break;
      case wordkind::peer:
        EXPECT_EQ(back.seen, w.seen);
        EXPECT_EQ(back.side, role::guest);
        EXPECT_EQ(back.lan[0], w.lan[0]);
        EXPECT_EQ(back.key, w.key);
        break;
      case wordkind::relay:
        EXPECT_EQ(back.payload.size(), 80u);
        EXPECT_EQ(back.key, w.key);
        break;
      case wordkind::probe:
        EXPECT_EQ(back.seq, 77);
        EXPECT_EQ(back.side, role::guest);
        break;
      case wordkind::keepalive:
        EXPECT_EQ(back.key, w.key);
        EXPECT_EQ(back.nonce, 0u);
        break;
      default:
        break;
    }
  }
}

TEST(words, TornOversizedAndMisnamedWordsAreRefused) {
  for (const word& w : everykind()) {
    SCOPED_TRACE(int(w.kind));
    std::vector<uint8_t> b = bytesof(w);
    for (size_t n = 0; n < b.size(); ++n) {
      if (w.kind == wordkind::relay && n > relayoverhead) continue;  // a shorter payload is still a payload
      EXPECT_EQ(decodeword({b.data(), n}).kind, wordkind::none) << "torn at " << n;
    }
    std::vector<uint8_t> longer = b;
    longer.push_back(0);
    if (w.kind != wordkind::relay) {
      EXPECT_EQ(decodeword(longer).kind, wordkind::none);
    }
    // Another kind's number on these bytes is refused, or read as that kind only where the layouts
    // agree to the byte; never as a third thing.
    for (int k = 0; k < 256; ++k) {
      std::vector<uint8_t> renamed = b;
      renamed[2] = uint8_t(k);
      const word r = decodeword(renamed);
      if (k == 0 || k > int(wordkind::gone)) {
        EXPECT_EQ(r.kind, wordkind::none) << k;
      }
      if (r.kind != wordkind::none) {
        EXPECT_EQ(int(r.kind), k);
        EXPECT_EQ(bytesof(r), renamed);
      }
    }
    for (size_t at : {0, 1}) {
      std::vector<uint8_t> marked = b;
      marked[at] ^= 0x20;
      EXPECT_EQ(decodeword(marked).kind, wordkind::none);
    }
  }
  std::vector<uint8_t> huge(mostword + mostrelay + 1, 0);
  huge[0] = 'F';
  huge[1] = 'L';
  huge[2] = uint8_t(wordkind::relay);
  EXPECT_EQ(decodeword(huge).kind, wordkind::none);
  huge.resize(relayoverhead + mostrelay + 1);
  EXPECT_EQ(decodeword(huge).kind, wordkind::none);
  huge.resize(relayoverhead + mostrelay);
  EXPECT_EQ(decodeword(huge).kind, wordkind::relay);
  huge.resize(relayoverhead);
  EXPECT_EQ(decodeword(huge).kind, wordkind::none) << "a relay word carries at least one byte";
}

TEST(words, FieldsOutOfRangeAreRefused) {
  const std::vector<word> all = everykind();
  auto spoilt = [](word w, auto change) {
    std::vector<uint8_t> b = bytesof(w);
    change(b);
    return decodeword(b).kind;
  };
  const word& join = all[size_t(wordkind::join) - 1];
  // The code's characters sit at 7..11: a look-alike, a small letter and a zero are refused.
  for (char bad : {'0', 'O', '1', 'I', 'L', 'k', '\0'}) {
    EXPECT_EQ(spoilt(join, [&](std::vector<uint8_t>& b) { b[9] = uint8_t(bad); }), wordkind::none) << bad;
  }
  // LAN slots: the count (at 18) past four, a counted slot without a port, a spare slot not zero.
  EXPECT_EQ(spoilt(join, [](std::vector<uint8_t>& b) { b[18] = 5; }), wordkind::none);
  EXPECT_EQ(spoilt(join, [](std::vector<uint8_t>& b) { b[18] = 3; }), wordkind::none);
  EXPECT_EQ(spoilt(join, [](std::vector<uint8_t>& b) { b.back() = 1; }), wordkind::none);
  EXPECT_EQ(spoilt(join, [](std::vector<uint8_t>& b) { b[18] = 1; }), wordkind::none);
  // Enumerated fields past their last value.
  const word& refuse = all[size_t(wordkind::refuse) - 1];
  EXPECT_EQ(spoilt(refuse, [](std::vector<uint8_t>& b) { b[7] = 0; }), wordkind::none);
  EXPECT_EQ(spoilt(refuse, [](std::vector<uint8_t>& b) { b[7] = 5; }), wordkind::none);
  const word& peer = all[size_t(wordkind::peer) - 1];
  EXPECT_EQ(spoilt(peer, [](std::vector<uint8_t>& b) { b[11] = 3; }), wordkind::none);
  const word& path = all[size_t(wordkind::path) - 1];
  EXPECT_EQ(spoilt(path, [](std::vector<uint8_t>& b) { b[11] = 4; }), wordkind::none);
  const word& probe = all[size_t(wordkind::probe) - 1];
  EXPECT_EQ(spoilt(probe, [](std::vector<uint8_t>& b) { b[13] = 0; }), wordkind::none);
}

TEST(words, EveryRequestBeforePairingIsAsLongAsItsLongestAnswer) {
  const std::vector<word> all = everykind();
  auto size = [&](wordkind k) { return encode(all[size_t(k) - 1]).size; };
  EXPECT_GE(size(wordkind::open), size(wordkind::room));
  EXPECT_GE(size(wordkind::open), size(wordkind::refuse));
  EXPECT_GE(size(wordkind::join), size(wordkind::seat));
  EXPECT_GE(size(wordkind::join), size(wordkind::refuse));
  EXPECT_GE(size(wordkind::keepalive), size(wordkind::alive));
}

TEST(words, CodesAsTyped) {
  EXPECT_EQ(cleancode("k7m-2q"), "K7M2Q");
  EXPECT_EQ(cleancode(" K7M 2Q "), "K7M2Q");
  EXPECT_EQ(cleancode("K7M2"), "");
  EXPECT_EQ(cleancode("K7M2QQ"), "");
  EXPECT_EQ(cleancode("K7MOQ"), "") << "O is never in a code: it would be read as 0";
  EXPECT_EQ(cleancode("K7ML2"), "");
  for (char c : codealphabet) EXPECT_TRUE(std::string_view("01OIL").find(c) == std::string_view::npos) << c;
  EXPECT_EQ(codealphabet.size(), 31u);
}

TEST(words, ARefusalForVersionsNamesBoth) {
  word no;
  no.kind = wordkind::refuse;
  no.why = refusereason::versions;
  no.host = {3, 12};
  no.mine = {2, 11};
  EXPECT_EQ(refusewords(no), "THE HOST RUNS VERSION 12 (PROTOCOL 3), THIS GAME VERSION 11 (PROTOCOL 2)");
}

}  // namespace
}  // namespace flopfist::net

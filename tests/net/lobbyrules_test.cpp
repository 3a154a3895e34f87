// The words before a match at both ends of their bounds: the letters and length of a name, the
// versions a host takes.
#include <gtest/gtest.h>

#include <string>

#include "match/version.h"
#include "net/handshake.h"
#include "net/lobby.h"

namespace flopfist::net {
namespace {

TEST(lobbyrules, ANameHoldsEveryLetterAndDigitAndTenOfThem) {
  for (char c : std::string("AZ09 -.")) EXPECT_TRUE(namechar(c)) << c;
  for (char c : std::string("@[/:a_")) EXPECT_FALSE(namechar(c)) << c;
  EXPECT_EQ(cleanname("zoe 9"), "ZOE 9");
  for (const std::string name : {"Z", "ZACH 2009", "ZZZZZ99999", "A-0.9 Z"}) {
    const lobbymessage m = decodelobby(encode({lobbykind::name, name, ""}));
    EXPECT_EQ(m.kind, lobbykind::name) << name;
    EXPECT_EQ(m.name, name);
  }
  // Eleven letters are more than any player could type.
  EXPECT_EQ(decodelobby(std::string("Fl\x01\x0b") + "ZZZZZ999990").kind, lobbykind::none);
  EXPECT_EQ(decodelobby(std::string("Fl\x01\x0a") + "ZZZZZ99999").kind, lobbykind::name);
  // The set-up, the match as a replay of one frame, may fill its bound.
  EXPECT_EQ(decodelobby(encode({lobbykind::setup, "ANNA", std::string(mostsetup, 'x')})).kind, lobbykind::setup);
}

// A joiner of another protocol or game version, older or newer, is turned away, and its screen
// names the host's versions and its own.
TEST(lobbyrules, OlderAndNewerVersionsAreRefusedNamingBoth) {
  for (const int step : {-1, 1}) {
    SCOPED_TRACE(step < 0 ? "older" : "newer");
    message proto = hello();
    proto.hello.protocol = uint16_t(protocolversion + step);
    message game = hello();
    game.hello.game = uint32_t(int64_t(gameversion) + step);
    for (const message& from : {proto, game}) {
      const message no = answer(from, false);
      ASSERT_EQ(no.kind, messagekind::refuse);
      EXPECT_EQ(no.refuse.why, refusal::versions);
      EXPECT_EQ(no.refuse.protocol, protocolversion);
      EXPECT_EQ(no.refuse.game, gameversion);
    }
    // Read on the joiner's side, where the host's versions are the other ones.
    refusemessage theirs{refusal::versions, uint16_t(protocolversion + step), uint32_t(int64_t(gameversion) + step)};
    const std::string text = refusaltext(theirs);
    for (const std::string& named :
         {"VERSION " + std::to_string(theirs.game) + " (PROTOCOL " + std::to_string(theirs.protocol) + ")",
          "VERSION " + std::to_string(gameversion) + " (PROTOCOL " + std::to_string(protocolversion) + ")"}) {
      EXPECT_NE(text.find(named), std::string::npos) << text << " lacks " << named;
    }
  }
}

}  // namespace
}  // namespace flopfist::net

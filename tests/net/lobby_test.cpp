// The lobby's words through bytes and back, names as players type them, and the refusal of the rest.
#include <gtest/gtest.h>


#include "net/lobby.h"

namespace flopfist::net {
namespace {

TEST(lobby, EveryKindComesBackAsItWent) {
  const lobbymessage setup{lobbykind::setup, "ANNA", std::string(300, 'x') + std::string(1, '\0')};
  const lobbymessage s = decodelobby(encode(setup));
  EXPECT_EQ(s.kind, lobbykind::setup);
  EXPECT_EQ(s.name, "ANNA");
  EXPECT_EQ(s.setup, setup.setup);
  for (lobbykind k : {lobbykind::name, lobbykind::rematch, lobbykind::leave}) {
    const lobbymessage m = decodelobby(encode({k, "BO 2", ""}));
    EXPECT_EQ(m.kind, k);
    EXPECT_EQ(m.name, "BO 2");
  }
  // A joiner with no name typed says so with an empty one.
  EXPECT_EQ(decodelobby(encode({lobbykind::name, "", ""})).kind, lobbykind::name);
}

TEST(lobby, NamesKeepWhatAPlayerMeantAndNothingElse) {
  EXPECT_EQ(cleanname("anna"), "ANNA");
  EXPECT_EQ(cleanname("  Jo-Jo. 7  "), "JO-JO. 7");
  EXPECT_EQ(cleanname("\x1b[31mRED\n"), "31MRED") << "a terminal's codes leave only their letters";
  EXPECT_EQ(cleanname("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJ");
  EXPECT_EQ(cleanname("ÅSA"), "SA");
  EXPECT_EQ(cleanname(""), "");
}

TEST(lobby, TornForeignOrMisnamedMessagesAreRefused) {
  const std::string good = encode({lobbykind::setup, "ANNA", "replay bytes"});
  EXPECT_EQ(decodelobby(good.substr(0, 3)).kind, lobbykind::none);
  EXPECT_EQ(decodelobby(good.substr(0, 6)).kind, lobbykind::none) << "name cut short";
  EXPECT_EQ(decodelobby(good.substr(0, 8)).kind, lobbykind::none) << "a set-up with no match";
  std::string other = good;
  other[1] = 'f';
  EXPECT_EQ(decodelobby(other).kind, lobbykind::none);
  other = good;
  other[2] = 9;
  EXPECT_EQ(decodelobby(other).kind, lobbykind::none);
  other = good;
  other[4] = 'a';  // a small letter is no name a player could type here
  EXPECT_EQ(decodelobby(other).kind, lobbykind::none);
  other = good;
  other[3] = char(namelength + 1);
  EXPECT_EQ(decodelobby(other).kind, lobbykind::none);
  // Words after a rematch offer, or a set-up past its bound, are not one of ours either.
  EXPECT_EQ(decodelobby(encode({lobbykind::rematch, "ANNA", ""}) + "x").kind, lobbykind::none);
  EXPECT_EQ(decodelobby(encode({lobbykind::setup, "ANNA", std::string(mostsetup + 1, 'x')})).kind, lobbykind::none);
}

}  // namespace
}  // namespace flopfist::net

// The messages through bytes and back, the refusal of anything torn or out of bounds, and the handshake.
#include <gtest/gtest.h>


#include "match/version.h"
#include "net/handshake.h"
#include "net/packet.h"

namespace flopfist::net {
namespace {

message fullinputs() {
  message m;
  m.kind = messagekind::inputs;
  inputmessage& in = m.inputs;
  in.sent = 0xDEADBEEF;
  in.echo = 77;
  in.echoage = 5;
  in.frame = 123456;
  in.advantage = -3;
  in.ack = 123400;
  in.first = 123399;
  in.count = maxinputs;
  for (int k = 0; k < maxinputs; ++k) in.inputs[size_t(k)] = uint16_t(k * 1031);
  in.hashfirst = 123390;
  in.hashcount = maxhashes;
  for (int k = 0; k < maxhashes; ++k) in.hashes[size_t(k)] = uint32_t(k) * 0x9E3779B9u;
  return m;
}

TEST(packet, EveryKindComesBackAsItWent) {
  const message in = fullinputs();
  const packet p = encode(in);
  ASSERT_LE(p.size, maxpacket);
  const message out = decode(p.view());
  ASSERT_EQ(out.kind, messagekind::inputs);
  EXPECT_EQ(out.inputs.sent, in.inputs.sent);
  EXPECT_EQ(out.inputs.echoage, 5);
  EXPECT_EQ(out.inputs.frame, 123456);
  EXPECT_EQ(out.inputs.advantage, -3);
  EXPECT_EQ(out.inputs.ack, 123400);
  EXPECT_EQ(out.inputs.first, 123399);
  EXPECT_EQ(out.inputs.inputs, in.inputs.inputs);
  EXPECT_EQ(out.inputs.hashfirst, 123390);
  EXPECT_EQ(out.inputs.hashes, in.inputs.hashes);

  const message h = hello();
  const message hb = decode(encode(h).view());
  EXPECT_EQ(hb.kind, messagekind::hello);
  EXPECT_EQ(hb.hello.game, gameversion);
  EXPECT_EQ(hb.hello.protocol, protocolversion);
  // The last words of a side that leaves: its inputs and the frame the match ends at.
  message q = fullinputs();
  q.kind = messagekind::quit;
  q.inputs.end = 123401;
  const packet pq = encode(q);
  ASSERT_LE(pq.size, maxpacket);
  const message qb = decode(pq.view());
  ASSERT_EQ(qb.kind, messagekind::quit);
  EXPECT_EQ(qb.inputs.end, 123401);
  EXPECT_EQ(qb.inputs.inputs, in.inputs.inputs);
  q.inputs.end = -5;
  EXPECT_EQ(decode(encode(q).view()).kind, messagekind::none);
}

TEST(packet, TornLongOrOutOfBoundsMessagesAreRefused) {
  const packet p = encode(fullinputs());
  for (size_t n = 0; n < p.size; ++n) {
    EXPECT_EQ(decode(p.view().first(n)).kind, messagekind::none) << n << " bytes";
  }
  std::vector<uint8_t> longer(p.view().begin(), p.view().end());
  longer.push_back(0);
  EXPECT_EQ(decode(longer).kind, messagekind::none);
  std::vector<uint8_t> b(p.view().begin(), p.view().end());
  b[0] = 'X';
  EXPECT_EQ(decode(b).kind, messagekind::none);
  b[0] = 'F';
  b[2] = 9;  // no such kind
  EXPECT_EQ(decode(b).kind, messagekind::none);
  // A count over the bound, with bytes enough behind it, is still refused.
  message m = fullinputs();
  m.inputs.count = 10;
  m.inputs.hashcount = 0;
  const packet pm = encode(m);
  std::vector<uint8_t> over(pm.view().begin(), pm.view().end());
  const size_t countat = 3 + 4 + 4 + 2 + 4 + 1 + 4 + 4;
  ASSERT_EQ(over[countat], 10);
  over[countat] = maxinputs + 1;
  over.resize(over.size() + 2 * (maxinputs + 1 - 10), 0);
  EXPECT_EQ(decode(over).kind, messagekind::none);
  message neg = fullinputs();
  neg.inputs.frame = -1;
  EXPECT_EQ(decode(encode(neg).view()).kind, messagekind::none);
  std::vector<uint8_t> huge(maxpacket + 1, 0);
  EXPECT_EQ(decode(huge).kind, messagekind::none);
}

TEST(handshake, TheHostWelcomesItsOwnVersionsAndRefusesOthersNamingBoth) {
  EXPECT_EQ(answer(hello(), false).kind, messagekind::welcome);
  message old = hello();
  old.hello.game = gameversion + 6;
  const message no = answer(old, false);
  ASSERT_EQ(no.kind, messagekind::refuse);
  EXPECT_EQ(no.refuse.why, refusal::versions);
  // The joiner reads the host's versions from the refusal and names its own beside them.
  const std::string text = refusaltext(decode(encode(no).view()).refuse);
  EXPECT_NE(text.find("VERSION " + std::to_string(gameversion)), std::string::npos) << text;
  refusemessage theirs = no.refuse;
  theirs.game = gameversion + 6;
  const std::string other = refusaltext(theirs);
  EXPECT_NE(other.find(std::to_string(gameversion + 6)), std::string::npos) << other;
  EXPECT_NE(other.find(std::to_string(gameversion)), std::string::npos) << other;
  message proto = hello();
  proto.hello.protocol = protocolversion + 1;
  EXPECT_EQ(answer(proto, false).refuse.why, refusal::versions);
  EXPECT_EQ(answer(hello(), true).refuse.why, refusal::full);
  EXPECT_EQ(answer(message{}, false).kind, messagekind::none);
}

}  // namespace
}  // namespace flopfist::net

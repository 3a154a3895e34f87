// libFuzzer target for the network message decoders (datagrams, lobby words, the link's own frames
// and the LAN's beacons): any bytes are refused or decode to a message whose encoding gives the same
// bytes back, a session fed them stays within its bounds, and so do the whole-message channel and
// the list of games on the LAN.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "net/lan.h"
#include "net/lobby.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/wholes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace net = flopfist::net;
  const std::span<const uint8_t> bytes(data, size);
  const net::message m = net::decode(bytes);
  if (m.kind != net::messagekind::none) {
    const net::packet again = net::encode(m);
    if (again.size != size) std::abort();
    for (size_t k = 0; k < size; ++k) {
      if (again.bytes[k] != data[k]) std::abort();
    }
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const net::lobbymessage l = net::decodelobby(text);
  if (l.kind != net::lobbykind::none && net::encode(l) != text) std::abort();
  const net::framefields f = net::readframe(bytes);
  if (f.kind != net::framekind::none) {
    const net::linkframe again = net::frameof(f.kind, f.seq, f.index, f.count, f.payload);
    if (again.view().size() != size || !std::equal(bytes.begin(), bytes.end(), again.view().begin())) std::abort();
  }
  net::beacon b;
  if (net::decodebeacon(bytes, b)) {
    const net::beaconbytes again = net::encode(b);
    if (again.size != size || !std::equal(bytes.begin(), bytes.end(), again.view().begin())) std::abort();
  }
  // Heard from ever more hosts (a beacon's host number made different each time), the list keeps to
  // its most, and forgets them all once none has been heard for long enough.
  net::lanlist games({1, 1});
  std::vector<uint8_t> from(bytes.begin(), bytes.end());
  for (uint32_t k = 0; k < net::mostlangames + 2; ++k) {
    if (from.size() > 9) from[9] = uint8_t(k);  // the host's number, in a beacon
    games.heard({0xC6336402 + k, 27960}, from, k);
    if (games.games().size() > net::mostlangames) std::abort();
  }
  games.expire(net::mostlangames + 2 + net::lanlastms);
  if (!games.games().empty()) std::abort();
  // The channel takes the frame as a piece of its first message, and answers at most an acknowledgement.
  net::wholechannel channel;
  std::vector<net::linkframe> out;
  channel.receive(f, out);
  if (out.size() > 1) std::abort();
  // A session takes the datagram in the middle of a match and steps on.
  net::session s({1, 2, 8, 3000}, 0);
  for (int t = 0; t < 5; ++t) (void)s.advance(uint16_t(t), uint32_t(t * 16));
  s.receive(bytes, 90);
  for (int t = 0; t < 3; ++t) {
    for (const net::request& r : s.advance(0, uint32_t(100 + t * 16))) {
      if (r.frame < 0 || r.frame > s.frame()) std::abort();
    }
    if (s.outgoing().size() > net::maxpacket) std::abort();
  }
  return 0;
}

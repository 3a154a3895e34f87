// libFuzzer target for the rendezvous words and the lobby's rooms: any bytes are refused or decode
// to a word whose encoding gives the same bytes back; a lobby fed them, as the first word from a
// stranger and as a word inside a paired room, answers no stranger with more bytes than it was sent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "lobby/rooms.h"
#include "net/rendezvous.h"

namespace {

namespace net = flopfist::net;
namespace lobby = flopfist::lobby;

lobby::endpoint at(uint32_t ip, uint16_t port) { return {lobby::transportkind::udp, {ip, port}, 0}; }

void send(lobby::rooms& r, const lobby::endpoint& from, const net::word& w, std::vector<lobby::outgoing>& out) {
  const net::wordbytes b = net::encode(w);
  r.receive(from, b.view(), 1000, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const net::word w = net::decodeword(bytes);
  if (w.kind != net::wordkind::none) {
    const net::wordbytes again = net::encode(w);
    if (again.size != size) std::abort();
    for (size_t k = 0; k < size; ++k) {
      if (again.bytes[k] != data[k]) std::abort();
    }
  }
  // A lobby with one paired room, then the bytes from a stranger and from the host.
  lobby::rooms r({}, [next = uint8_t(1)](std::span<uint8_t> into) mutable {
    for (uint8_t& b : into) b = next++;
  });
  std::vector<lobby::outgoing> out;
  net::word open;
  open.kind = net::wordkind::open;
  send(r, at(0x0A000001, 1000), open, out);
  if (out.size() != 1) std::abort();
  const net::word room = net::decodeword(out[0].word.view());
  net::word k;
  k.kind = net::wordkind::keepalive;
  k.key = room.key;
  send(r, at(0x0A000001, 1000), k, out);
  net::word join;
  join.kind = net::wordkind::join;
  join.code = room.code;
  send(r, at(0x0A000002, 2000), join, out);
  k.key = net::decodeword(out.back().word.view()).key;
  send(r, at(0x0A000002, 2000), k, out);
  out.clear();
  r.receive(at(0x0A000003, 3000), bytes, 2000, out);
  for (const lobby::outgoing& o : out) {
    if (o.forward || o.word.size > size || !(o.to == at(0x0A000003, 3000))) std::abort();
  }
  out.clear();
  r.receive(at(0x0A000001, 1000), bytes, 3000, out);
  for (const lobby::outgoing& o : out) {
    if (o.forward && !(o.to == at(0x0A000002, 2000))) std::abort();
  }
  r.tick(5000, out);
  return 0;
}

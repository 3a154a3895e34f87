// Messages to and from bytes: little-endian fields behind a two-byte mark and a kind, lengths checked.
#include "net/packet.h"

#include "net/bytes.h"

namespace flopfist::net {

namespace {

constexpr uint8_t mark0 = 'F', mark1 = 'f';

using writer = bytewriter<packet>;
using reader = bytereader;

bool readinputs(reader& r, inputmessage& m) {
  uint8_t advantage = 0;
  if (!r.u32(m.sent) || !r.u32(m.echo) || !r.u16(m.echoage) || !r.i32(m.frame) || !r.u8(advantage) ||
      !r.i32(m.ack) || !r.i32(m.first) || !r.u8(m.count)) {
    return false;
  }
  m.advantage = int8_t(advantage);
  if (m.count > maxinputs || m.frame < 0 || m.ack < 0 || m.first < 0) return false;
  for (int k = 0; k < m.count; ++k) {
    if (!r.u16(m.inputs[size_t(k)])) return false;
  }
  if (!r.i32(m.hashfirst) || !r.u8(m.hashcount)) return false;
  if (m.hashcount > maxhashes || m.hashfirst < 0) return false;
  for (int k = 0; k < m.hashcount; ++k) {
    if (!r.u32(m.hashes[size_t(k)])) return false;
  }
  return true;
}

}  // namespace

packet encode(const message& m) {
  packet p;
  writer w(p);
  w.u8(mark0);
  w.u8(mark1);
  w.u8(uint8_t(m.kind));
  switch (m.kind) {
    case messagekind::hello:
    case messagekind::welcome:
      w.u16(m.hello.protocol);
      w.u32(m.hello.game);
      break;
    case messagekind::refuse:
      w.u8(uint8_t(m.refuse.why));
      w.u16(m.refuse.protocol);
      w.u32(m.refuse.game);
      break;
    case messagekind::inputs:
    case messagekind::quit: {
      const inputmessage& in = m.inputs;
      w.u32(in.sent);
      w.u32(in.echo);
      w.u16(in.echoage);
      w.u32(uint32_t(in.frame));
      w.u8(uint8_t(in.advantage));
      w.u32(uint32_t(in.ack));
      w.u32(uint32_t(in.first));
      const uint8_t count = in.count > maxinputs ? uint8_t(maxinputs) : in.count;
      w.u8(count);
      for (int k = 0; k < count; ++k) w.u16(in.inputs[size_t(k)]);
      w.u32(uint32_t(in.hashfirst));
      const uint8_t hashcount = in.hashcount > maxhashes ? uint8_t(maxhashes) : in.hashcount;
      w.u8(hashcount);
      for (int k = 0; k < hashcount; ++k) w.u32(in.hashes[size_t(k)]);
      if (m.kind == messagekind::quit) w.u32(uint32_t(in.end));
      break;
    }
    case messagekind::none:
      break;
  }
  return p;
}

message decode(std::span<const uint8_t> bytes) {
  message m;
  reader r(bytes);
  uint8_t a = 0, b = 0, kind = 0;
  if (bytes.size() > maxpacket || !r.u8(a) || !r.u8(b) || !r.u8(kind) || a != mark0 || b != mark1) return {};
  bool ok = false;
  switch (messagekind(kind)) {
    case messagekind::hello:
    case messagekind::welcome:
      ok = r.u16(m.hello.protocol) && r.u32(m.hello.game);
      break;
    case messagekind::refuse: {
      uint8_t why = 0;
      ok = r.u8(why) && r.u16(m.refuse.protocol) && r.u32(m.refuse.game) &&
           (why == uint8_t(refusal::versions) || why == uint8_t(refusal::full));
      m.refuse.why = refusal(why);
      break;
    }
    case messagekind::inputs:
      ok = readinputs(r, m.inputs);
      break;
    case messagekind::quit:
      ok = readinputs(r, m.inputs) && r.i32(m.inputs.end) && m.inputs.end >= 0;
      break;
    default:
      return {};
  }
  if (!ok || !r.done()) return {};
  m.kind = messagekind(kind);
  return m;
}

}  // namespace flopfist::net

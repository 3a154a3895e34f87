// Rendezvous words to and from bytes. Every request before pairing is at least as long as any
// answer the lobby gives to it, so the layouts below keep open and join the longest of their kind.
#include "net/rendezvous.h"

#include "net/bytes.h"

namespace flopfist::net {

namespace {

constexpr uint8_t mark0 = 'F', mark1 = 'L';

class writer : public bytewriter<wordbytes> {
 public:
  using bytewriter::bytewriter;
  void code(const roomcode& c) {
    for (char ch : c) u8(uint8_t(ch));
  }
  void address(const address4& a) {
    u32(a.ip);
    u16(a.port);
  }
  void versionsof(const versions& v) {
    u16(v.protocol);
    u32(v.game);
  }
  void lan(const word& w) {
    const uint8_t count = w.lancount > mostlan ? uint8_t(mostlan) : w.lancount;
    u8(count);
    for (size_t k = 0; k < mostlan; ++k) address(k < count ? w.lan[k] : address4{});
  }
};

class reader : public bytereader {
 public:
  using bytereader::bytereader;
  bool code(roomcode& c) {
    for (char& ch : c) {
      uint8_t v = 0;
      if (!u8(v) || codealphabet.find(char(v)) == std::string_view::npos) return false;
      ch = char(v);
    }
    return true;
  }
  bool address(address4& a) { return u32(a.ip) && u16(a.port); }
  bool versionsof(versions& v) { return u16(v.protocol) && u32(v.game); }
  // A count, then every slot: those counted name a port, the others are all zero.
  bool lan(word& w) {
    if (!u8(w.lancount) || w.lancount > mostlan) return false;
    for (size_t k = 0; k < mostlan; ++k) {
      address4 a;
      if (!address(a)) return false;
      if (k < w.lancount ? a.port == 0 : a != address4{}) return false;
      if (k < w.lancount) w.lan[k] = a;
    }
    return true;
  }
};

bool knownreason(uint8_t v) { return v >= uint8_t(refusereason::versions) && v <= uint8_t(refusereason::busy); }
bool knownrole(uint8_t v) { return v == uint8_t(role::host) || v == uint8_t(role::guest); }
bool knownpath(uint8_t v) { return v >= uint8_t(pathkind::punched) && v <= uint8_t(pathkind::lan); }

bool readfields(reader& r, wordkind kind, word& w) {
  uint8_t v = 0;
  switch (kind) {
    case wordkind::open:
      return r.u32(w.nonce) && r.versionsof(w.mine) && r.lan(w);
    case wordkind::room:
      return r.u32(w.nonce) && r.code(w.code) && r.u64(w.key);
    case wordkind::join:
      return r.u32(w.nonce) && r.code(w.code) && r.versionsof(w.mine) && r.lan(w);
    case wordkind::seat:
      return r.u32(w.nonce) && r.u64(w.key);
    case wordkind::refuse:
      if (!r.u32(w.nonce) || !r.u8(v) || !knownreason(v)) return false;
      w.why = refusereason(v);
      return r.versionsof(w.host) && r.versionsof(w.mine);
    case wordkind::keepalive:
    case wordkind::alive:
    case wordkind::leave:
    case wordkind::gone:
      return r.u64(w.key);
    case wordkind::peer:
      if (!r.u64(w.key) || !r.u8(v) || !knownrole(v)) return false;
      w.side = role(v);
      return r.address(w.seen) && r.lan(w);
    case wordkind::relay:
      if (!r.u64(w.key)) return false;
      w.payload = r.rest();
      return !w.payload.empty() && w.payload.size() <= mostrelay;
    case wordkind::probe:
    case wordkind::answer:
      if (!r.u64(w.key) || !r.u16(w.seq) || !r.u8(v) || !knownrole(v)) return false;
      w.side = role(v);
      return true;
    case wordkind::path:
      if (!r.u64(w.key) || !r.u8(v) || !knownpath(v)) return false;
      w.how = pathkind(v);
      return true;
    case wordkind::none:
      break;
  }
  return false;
}

}  // namespace

bool validcode(std::string_view code) {
  if (code.size() != codelength) return false;
  for (char c : code) {
    if (codealphabet.find(c) == std::string_view::npos) return false;
  }
  return true;
}

std::string cleancode(std::string_view typed) {
  std::string code;
  for (char c : typed) {
    if (c == ' ' || c == '-') continue;
    code += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  }
  return validcode(code) ? code : std::string();
}

std::string addresstext(const address4& a) {
  return std::to_string(a.ip >> 24) + "." + std::to_string((a.ip >> 16) & 255) + "." +
         std::to_string((a.ip >> 8) & 255) + "." + std::to_string(a.ip & 255) + ":" + std::to_string(a.port);
}

wordbytes encode(const word& w) {
  wordbytes b;
  writer o(b);
  o.u8(mark0);
  o.u8(mark1);
  o.u8(uint8_t(w.kind));
  switch (w.kind) {
    case wordkind::open:
      o.u32(w.nonce);
      o.versionsof(w.mine);
      o.lan(w);
      break;
    case wordkind::room:
      o.u32(w.nonce);
      o.code(w.code);
      o.u64(w.key);
      break;
    case wordkind::join:
      o.u32(w.nonce);
      o.code(w.code);
      o.versionsof(w.mine);
      o.lan(w);
      break;
    case wordkind::seat:
      o.u32(w.nonce);
      o.u64(w.key);
      break;
    case wordkind::refuse:
      o.u32(w.nonce);
      o.u8(uint8_t(w.why));
      o.versionsof(w.host);
      o.versionsof(w.mine);
      break;
    case wordkind::keepalive:
    case wordkind::alive:
    case wordkind::leave:
    case wordkind::gone:
      o.u64(w.key);
      break;
    case wordkind::peer:
      o.u64(w.key);
      o.u8(uint8_t(w.side));
      o.address(w.seen);
      o.lan(w);
      break;
    case wordkind::relay: {
      o.u64(w.key);
      const size_t n = w.payload.size() > mostrelay ? mostrelay : w.payload.size();
      for (size_t k = 0; k < n; ++k) o.u8(w.payload[k]);
      break;
    }
    case wordkind::probe:
    case wordkind::answer:
      o.u64(w.key);
      o.u16(w.seq);
      o.u8(uint8_t(w.side));
      break;
    case wordkind::path:
      o.u64(w.key);
      o.u8(uint8_t(w.how));
      break;
    case wordkind::none:
      break;
  }
  return b;
}

bool wordmark(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == mark0 && bytes[1] == mark1;
}

word decodeword(std::span<const uint8_t> bytes) {
  if (bytes.size() > mostword + mostrelay || !wordmark(bytes)) return {};
  reader r(bytes.subspan(2));
  uint8_t kind = 0;
  word w;
  if (!r.u8(kind) || kind == 0 || kind > uint8_t(wordkind::gone)) return {};
  if (!readfields(r, wordkind(kind), w) || !r.done()) return {};
  w.kind = wordkind(kind);
  return w;
}

std::string refusewords(const word& refused) {
  auto text = [](const versions& v) {
    return "VERSION " + std::to_string(v.game) + " (PROTOCOL " + std::to_string(v.protocol) + ")";
  };
  switch (refused.why) {
    case refusereason::versions:
      return "THE HOST RUNS " + text(refused.host) + ", THIS GAME " + text(refused.mine);
    case refusereason::full:
      return "THAT ROOM ALREADY HAS TWO PLAYERS";
    case refusereason::noroom:
      return "NO ROOM HAS THAT CODE";
    case refusereason::busy:
      return "THE LOBBY IS FULL, TRY AGAIN LATER";
  }
  return "THE LOBBY REFUSED";
}

}  // namespace flopfist::net

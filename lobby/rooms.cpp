// The rooms' rules. Before a player has shown a secret it was sent (the host its token, a guest its
// ticket), the lobby sends to its address only answers no longer than the request, so a forged
// source address gains an attacker nothing; words to a player nobody asked for (peer, gone) go only
// to players who showed their secret.
#include "lobby/rooms.h"

#include <algorithm>

namespace flopfist::lobby {

namespace {

constexpr int hostseat = 0, guestseat = 1;

shortword wordof(const net::word& w) {
  const net::wordbytes b = net::encode(w);  // never a relay word: its fixed part only
  shortword s;
  s.size = std::min(b.size, s.bytes.size());
  std::copy_n(b.bytes.begin(), s.size, s.bytes.begin());
  return s;
}

std::string codetext(const net::roomcode& c) { return std::string(c.data(), c.size()); }

std::string versionstext(const net::versions& v) {
  return "version " + std::to_string(v.game) + " protocol " + std::to_string(v.protocol);
}

const char* reasontext(net::refusereason why) {
  switch (why) {
    case net::refusereason::versions:
      return "versions differ";
    case net::refusereason::full:
      return "room full";
    case net::refusereason::noroom:
      return "no such room";
    case net::refusereason::busy:
      return "lobby full";
  }
  return "refused";
}

}  // namespace

std::string endpointtext(const endpoint& e) {
  const std::string at = net::addresstext(e.address);
  return e.over == transportkind::udp ? "udp " + at : "websocket #" + std::to_string(e.connection) + " " + at;
}

std::string eventtext(const roomevent& e) {
  static const char* const names[] = {"created", "joined", "punched", "relayed", "ended", "refused"};
  std::string line = "room " + (e.code.empty() ? std::string("-----") : e.code) + " " + names[int(e.kind)];
  if (!e.detail.empty()) line += ": " + e.detail;
  return line;
}

rooms::rooms(roomsettings settings, randomsource random) : settings_(settings), random_(std::move(random)) {}

uint64_t rooms::newkey() {
  uint64_t k = 0;
  while (k == 0) random_(std::span<uint8_t>(reinterpret_cast<uint8_t*>(&k), sizeof k));
  return k;
}

net::roomcode rooms::newcode() {
  // Uniform over the alphabet: bytes at or past the largest multiple of its size are drawn again.
  constexpr size_t n = net::codealphabet.size();
  constexpr uint8_t limit = uint8_t(256 / n * n);
  for (;;) {
    net::roomcode c{};
    size_t filled = 0;
    if (settings_.prefix != 0) c[filled++] = settings_.prefix;
    while (filled < c.size()) {
      uint8_t b[8];
      random_(b);
      for (uint8_t v : b) {
        if (v < limit && filled < c.size()) c[filled++] = net::codealphabet[v % n];
      }
    }
    if (!codes_.contains(codetext(c))) return c;
  }
}

int rooms::seat(const room& r, const endpoint& e) const {
  if (r.players[hostseat].where == e) return hostseat;
  if (r.paired && r.players[guestseat].where == e) return guestseat;
  return -1;
}

rooms::room* rooms::bytoken(uint64_t token) {
  const auto at = rooms_.find(token);
  return at == rooms_.end() ? nullptr : &at->second;
}

void rooms::log(eventkind k, const room& r, std::string detail) {
  events_.push_back({k, codetext(r.code), std::move(detail)});
}

void rooms::refuse(const endpoint& to, const net::word& w, net::refusereason why, const net::versions& host,
                   std::vector<outgoing>& out) {
  net::word no;
  no.kind = net::wordkind::refuse;
  no.nonce = w.nonce;
  no.why = why;
  no.host = host;
  no.mine = w.mine;
  out.push_back({to, false, wordof(no)});
  std::string detail = std::string(reasontext(why)) + " for " + endpointtext(to);
  if (why == net::refusereason::versions) {
    detail += ": host " + versionstext(host) + ", guest " + versionstext(w.mine);
  }
  const std::string code = w.kind == net::wordkind::join ? codetext(w.code) : "";
  events_.push_back({eventkind::refused, code, std::move(detail)});
}

void rooms::receive(const endpoint& from, std::span<const uint8_t> bytes, uint64_t now,
                    std::vector<outgoing>& out) {
  const net::word w = net::decodeword(bytes);
  switch (w.kind) {
    case net::wordkind::open:
      return open(from, w, now, out);
    case net::wordkind::join:
      return join(from, w, now, out);
    case net::wordkind::keepalive:
      return keepalive(from, w, now, out);
    case net::wordkind::relay:
      return relay(from, w, now, out);
    case net::wordkind::path:
      return path(from, w);
    case net::wordkind::leave:
      return leave(from, w.key, now, out);
    default:
      return;  // the lobby's own words, the games' probes, and anything malformed: dropped unanswered
  }
}

void rooms::open(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out) {
  const auto known = hosts_.find(from);
  if (known != hosts_.end()) {
    room& r = rooms_.at(known->second);
    if (r.nonce == w.nonce) {  // its answer was lost: the same room again
      net::word again;
      again.kind = net::wordkind::room;
      again.nonce = r.nonce;
      again.code = r.code;
      again.key = r.token;
      out.push_back({from, false, wordof(again)});
      return;
    }
    end(known->second, "its host opened another", out);  // a host holds one room at a time
  }
  // Neither a flood of rooms from one address nor the lobby's whole allowance taken.
  const auto waiting = waitingbyaddress_.find(from.address.ip);
  if (rooms_.size() >= settings_.mostrooms ||
      (waiting != waitingbyaddress_.end() && waiting->second >= settings_.mostperaddress)) {
    return refuse(from, w, net::refusereason::busy, {}, out);
  }
  ++waitingbyaddress_[from.address.ip];
  const uint64_t token = newkey();
  room& r = rooms_[token];
  r.code = newcode();
  r.token = token;
  r.nonce = w.nonce;
  r.host = w.mine;
  r.created = now;
  r.players[hostseat] = {from, false, now, w.lancount, w.lan};
  codes_[codetext(r.code)] = token;
  hosts_[from] = token;
  net::word answer;
  answer.kind = net::wordkind::room;
  answer.nonce = w.nonce;
  answer.code = r.code;
  answer.key = token;
  out.push_back({from, false, wordof(answer)});
  log(eventkind::created, r, "host " + endpointtext(from) + ", " + versionstext(w.mine));
}

void rooms::join(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out) {
  const auto code = codes_.find(codetext(w.code));
  if (code == codes_.end()) return refuse(from, w, net::refusereason::noroom, {}, out);
  room& r = rooms_.at(code->second);
  if (r.paired) {
    if (r.players[guestseat].where == from) return sendpeers(r, out);  // the paired guest asks again
    return refuse(from, w, net::refusereason::full, r.host, out);
  }
  if (r.players[hostseat].where == from) return refuse(from, w, net::refusereason::full, r.host, out);
  if (!(w.mine == r.host)) return refuse(from, w, net::refusereason::versions, r.host, out);
  // One seat per address and request; the oldest of the others makes way.
  candidate* slot = nullptr;
  for (candidate& c : r.candidates) {
    if (c.ticket != 0 && c.who.where == from) slot = &c;
  }
  if (slot == nullptr) {
    slot = &r.candidates[0];
    for (candidate& c : r.candidates) {
      if (c.ticket == 0 || c.who.heard < slot->who.heard) slot = &c;
      if (slot->ticket == 0) break;
    }
  }
  if (slot->ticket == 0 || !(slot->who.where == from) || slot->nonce != w.nonce) {
    tickets_.erase(slot->ticket);
    *slot = {{from, false, now, w.lancount, w.lan}, newkey(), w.nonce};
    tickets_[slot->ticket] = r.token;
  }
  net::word s;
  s.kind = net::wordkind::seat;
  s.nonce = w.nonce;
  s.key = slot->ticket;
  out.push_back({from, false, wordof(s)});
}

void rooms::keepalive(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out) {
  if (room* r = bytoken(w.key)) {
    const int at = seat(*r, from);
    if (at < 0) return;
    player& p = r->players[at];
    p.heard = now;
    if (r->paired) return sendpeers(*r, out);  // a lost peer word is made good by the next keepalive
    p.here = true;
    net::word a;
    a.kind = net::wordkind::alive;
    a.key = w.key;
    out.push_back({from, false, wordof(a)});
    // A guest that showed its ticket before the host had shown its token is paired now.
    for (const candidate& c : r->candidates) {
      if (c.ticket != 0 && c.who.here) return pair(*r, c, now, out);
    }
    return;
  }
  // A guest's ticket.
  const auto ticket = tickets_.find(w.key);
  if (ticket == tickets_.end()) return;
  room& r = rooms_.at(ticket->second);
  for (candidate& c : r.candidates) {
    if (c.ticket != w.key || !(c.who.where == from)) continue;
    c.who.here = true;
    c.who.heard = now;
    if (r.players[hostseat].here) return pair(r, c, now, out);
    net::word a;
    a.kind = net::wordkind::alive;
    a.key = w.key;
    out.push_back({from, false, wordof(a)});
    return;
  }
}

void rooms::pair(room& r, candidate c, uint64_t now, std::vector<outgoing>& out) {
  r.players[guestseat] = c.who;
  r.players[guestseat].here = true;
  r.players[guestseat].heard = now;
  r.paired = true;
  forgetcandidates(r);
  unwait(r);
  r.packets.start(now);
  r.bytes.start(now);
  log(eventkind::joined, r, "guest " + endpointtext(c.who.where));
  sendpeers(r, out);
}

void rooms::unwait(const room& r) {
  const auto at = waitingbyaddress_.find(r.players[hostseat].where.address.ip);
  if (at != waitingbyaddress_.end() && --at->second == 0) waitingbyaddress_.erase(at);
}

void rooms::forgetcandidates(room& r) {
  for (candidate& c : r.candidates) tickets_.erase(c.ticket);
  r.candidates = {};
}

void rooms::sendpeers(const room& r, std::vector<outgoing>& out) const {
  for (int k = 0; k < 2; ++k) {
    const player& other = r.players[1 - k];
    net::word p;
    p.kind = net::wordkind::peer;
    p.key = r.token;
    p.side = k == hostseat ? net::role::host : net::role::guest;
    // A browser's connection has no address another game could reach.
    if (other.where.over == transportkind::udp) p.seen = other.where.address;
    p.lancount = other.lancount;
    p.lan = other.lan;
    out.push_back({r.players[k].where, false, wordof(p)});
  }
}

void rooms::relay(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out) {
  room* r = bytoken(w.key);
  if (r == nullptr || !r->paired) return;
  const int at = seat(*r, from);
  if (at < 0) return;  // the token alone is not enough: only the paired addresses are relayed
  r->players[at].heard = now;
  const size_t size = w.payload.size() + net::relayoverhead;
  if (!r->packets.take(1, now) || !r->bytes.take(size, now)) {
    ++dropped_;
    return;
  }
  if (!r->relaying) {
    r->relaying = true;
    log(eventkind::relayed, *r, "");
  }
  ++relayed_;
  out.push_back({r->players[1 - at].where, true, {}});
}

void rooms::path(const endpoint& from, const net::word& w) {
  room* r = bytoken(w.key);
  if (r == nullptr || !r->paired || seat(*r, from) < 0) return;
  if (w.how == net::pathkind::relayed) return;  // its first relayed word says so
  log(eventkind::punched, *r, w.how == net::pathkind::lan ? "by LAN addresses" : "by public addresses");
}

void rooms::leave(const endpoint& from, uint64_t key, uint64_t, std::vector<outgoing>& out) {
  room* r = bytoken(key);
  if (r == nullptr || seat(*r, from) < 0) return;
  end(key, endpointtext(from) + " left", out);
}

void rooms::closed(const endpoint& from, uint64_t, std::vector<outgoing>& out) {
  std::vector<uint64_t> left;
  for (const auto& [token, r] : rooms_) {
    if (seat(r, from) >= 0) left.push_back(token);
  }
  for (uint64_t token : left) end(token, endpointtext(from) + " closed its connection", out);
}

void rooms::end(uint64_t token, const std::string& why, std::vector<outgoing>& out) {
  room& r = rooms_.at(token);
  net::word g;
  g.kind = net::wordkind::gone;
  g.key = token;
  for (const player& p : r.players) {
    if (p.here) out.push_back({p.where, false, wordof(g)});
  }
  log(eventkind::ended, r, why);
  forgetcandidates(r);
  if (!r.paired) unwait(r);
  codes_.erase(codetext(r.code));
  const auto host = hosts_.find(r.players[hostseat].where);
  if (host != hosts_.end() && host->second == token) hosts_.erase(host);
  rooms_.erase(token);
}

void rooms::tick(uint64_t now, std::vector<outgoing>& out) {
  std::vector<std::pair<uint64_t, const char*>> over;
  for (const auto& [token, r] : rooms_) {
    if (!r.paired && now - r.created >= settings_.unjoinedms) {
      over.push_back({token, "nobody joined in time"});
    } else if (!r.players[hostseat].here && now - r.created >= settings_.unconfirmedms) {
      over.push_back({token, "its host never showed its token"});
    } else if (now - r.players[hostseat].heard >= settings_.silentms) {
      over.push_back({token, "the host went silent"});
    } else if (r.paired && now - r.players[guestseat].heard >= settings_.silentms) {
      over.push_back({token, "the guest went silent"});
    }
  }
  for (const auto& [token, why] : over) end(token, why, out);
}

}  // namespace flopfist::lobby

// The meeting's steps. Requests to the lobby go again until answered; once paired, every address
// of the other player is probed, and the first that answers is the path. Once one side has an
// answer both directions work, so the other side's next probe is answered too; a probe heard late
// in the window buys the hearer a little more time so the two settle alike.
#include "net/rendezvousclient.h"

#include <algorithm>

namespace flopfist::net {

meeting::meeting(const meetsettings& s, address4 lobby, uint32_t now, uint32_t nonce)
    : settings_(s), lobby_(lobby), nonce_(nonce), heard_(now) {
  if (s.side == role::guest) {
    const std::string code = cleancode(s.code);
    if (code.empty()) {
      phase_ = meetphase::refused;
      problem_ = "THAT IS NOT A ROOM CODE";
      return;
    }
    std::copy(code.begin(), code.end(), code_.begin());
  }
}

void meeting::send(std::vector<meetdatagram>& out, const address4& to, const word& w, uint8_t ttl) const {
  out.push_back({to, ttl, encode(w)});
}

bool meeting::receive(const address4& from, std::span<const uint8_t> bytes, uint32_t now,
                      std::vector<meetdatagram>& out) {
  relayed_ = {};  // a payload belongs to its own word, whose bytes the caller may reuse
  const word w = decodeword(bytes);
  if (w.kind == wordkind::none) return false;
  if (w.kind == wordkind::probe || w.kind == wordkind::answer) {
    probeword(from, w, now, out);
    return true;
  }
  if (from == lobby_) lobbyword(w, now);
  return true;
}

void meeting::lobbyword(const word& w, uint32_t now) {
  switch (w.kind) {
    case wordkind::room:
      if (settings_.side != role::host || w.nonce != nonce_ || phase_ != meetphase::asking) return;
      code_ = w.code;
      key_ = w.key;
      phase_ = meetphase::waiting;
      sentonce_ = false;  // show the token at once
      break;
    case wordkind::seat:
      if (settings_.side != role::guest || w.nonce != nonce_ || seated_) return;
      key_ = w.key;
      seated_ = true;
      sentonce_ = false;
      break;
    case wordkind::refuse:
      if (w.nonce != nonce_ || phase_ != meetphase::asking) return;
      phase_ = meetphase::refused;
      problem_ = refusewords(w);
      return;
    case wordkind::alive:
      if (w.key != key_) return;
      alive_ = true;
      break;
    case wordkind::peer:
      if (phase_ != meetphase::asking && phase_ != meetphase::waiting) {
        if (w.key != key_) return;
        break;  // the answer to a later keepalive
      }
      paired(w, now);
      break;
    case wordkind::relay:
      if (w.key != key_ || (phase_ != meetphase::relayed && phase_ != meetphase::punching &&
                            phase_ != meetphase::direct)) {
        return;
      }
      relayed_ = w.payload;
      break;
    case wordkind::gone:
      if (w.key != key_ || key_ == 0) return;
      phase_ = meetphase::failed;
      problem_ = "THE OTHER PLAYER LEFT";
      return;
    default:
      return;
  }
  heard_ = now;
}

void meeting::paired(const word& w, uint32_t now) {
  key_ = w.key;
  alive_ = true;
  seen_ = w.seen;
  targets_.clear();
  if (settings_.canpunch) {
    if (w.seen.port != 0) targets_.push_back(w.seen);
    for (size_t k = 0; k < w.lancount; ++k) {
      if (std::find(targets_.begin(), targets_.end(), w.lan[k]) == targets_.end()) targets_.push_back(w.lan[k]);
    }
  }
  // A browser on either side has nothing to punch: the relay at once.
  if (targets_.empty() || w.seen.port == 0) return settle(meetphase::relayed, now);
  phase_ = meetphase::punching;
  punchend_ = now + settings_.punchms;
  lastprobe_ = now - settings_.probems;
  rounds_ = 0;
}

void meeting::probeword(const address4& from, const word& w, uint32_t now, std::vector<meetdatagram>& out) {
  if (key_ == 0 || w.key != key_ || w.side == settings_.side) return;
  if (phase_ != meetphase::punching && phase_ != meetphase::direct) return;
  if (w.kind == wordkind::probe) {
    word a;
    a.kind = wordkind::answer;
    a.key = key_;
    a.seq = w.seq;
    a.side = settings_.side;
    send(out, from, a);
    if (phase_ == meetphase::punching && !extended_ && punchend_ - now < settings_.gracems) {
      punchend_ += settings_.gracems;
      extended_ = true;
    }
    return;
  }
  if (phase_ != meetphase::punching) return;  // the first answer won already
  peer_ = from;
  const bool lan = from != seen_ && std::find(targets_.begin(), targets_.end(), from) != targets_.end();
  path_ = lan ? pathkind::lan : pathkind::punched;
  settle(meetphase::direct, now);
}

void meeting::settle(meetphase p, uint32_t now) {
  phase_ = p;
  if (p == meetphase::relayed) path_ = pathkind::relayed;
  reported_ = false;
  lastsent_ = now;
  sentonce_ = false;  // the next tick tells the lobby the path
}

void meeting::tick(uint32_t now, std::vector<meetdatagram>& out) {
  if (phase_ == meetphase::refused || phase_ == meetphase::failed) return;
  if (now - heard_ >= settings_.patiencems && phase_ == meetphase::asking) {
    phase_ = meetphase::failed;
    problem_ = "NO ANSWER FROM THE LOBBY";
    return;
  }
  // Words to the lobby: the request until answered, then keepalives.
  uint32_t every = settings_.keepalivems;
  word w;
  if (phase_ == meetphase::asking && settings_.side == role::host) {
    w.kind = wordkind::open;
    every = settings_.retryms;
  } else if (phase_ == meetphase::asking && !seated_) {
    w.kind = wordkind::join;
    w.code = code_;
    every = settings_.retryms;
  } else {
    w.kind = wordkind::keepalive;
    w.key = key_;
    if (phase_ == meetphase::asking || !alive_) every = settings_.retryms;
    if (phase_ == meetphase::waiting && alive_) every = settings_.waitingkeepalivems;
  }
  w.nonce = nonce_;
  w.mine = settings_.mine;
  w.lancount = settings_.lancount;
  w.lan = settings_.lan;
  if (!sentonce_ || now - lastsent_ >= every) {
    sentonce_ = true;
    lastsent_ = now;
    if ((phase_ == meetphase::direct || phase_ == meetphase::relayed) && !reported_) {
      word p;
      p.kind = wordkind::path;
      p.key = key_;
      p.how = path_;
      send(out, lobby_, p);
      reported_ = true;
    } else {
      send(out, lobby_, w);
    }
  }
  if (phase_ != meetphase::punching) return;
  if (int32_t(now - punchend_) >= 0) return settle(meetphase::relayed, now);
  if (now - lastprobe_ < settings_.probems) return;
  lastprobe_ = now;
  const uint8_t ttl = rounds_ < settings_.lowttlrounds ? settings_.lowttl : 0;
  ++rounds_;
  word probe;
  probe.kind = wordkind::probe;
  probe.key = key_;
  probe.side = settings_.side;
  probe.seq = seq_++;
  for (const address4& to : targets_) send(out, to, probe, ttl);
}

void meeting::leave(std::vector<meetdatagram>& out) {
  if (key_ == 0 || phase_ == meetphase::refused || phase_ == meetphase::failed) return;
  word w;
  w.kind = wordkind::leave;
  w.key = key_;
  send(out, lobby_, w);
  phase_ = meetphase::failed;
  problem_ = "LEFT";
}

meetdatagram meeting::relayword(std::span<const uint8_t> payload) const {
  word w;
  w.kind = wordkind::relay;
  w.key = key_;
  w.payload = payload;
  return {lobby_, 0, encode(w)};
}

}  // namespace flopfist::net

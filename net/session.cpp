// The rollback session: prediction, rollback, the waiting window, time sync, hashes and the link's end.
#include "net/session.h"

#include <algorithm>

namespace flopfist::net {

namespace {
constexpr uint16_t noecho = 0xFFFF;
constexpr int slowgap = 12;  // ticks between two left out for time sync: slow a little at a time
size_t slot(int frame) { return size_t(frame) % size_t(session::ring); }
}  // namespace

session::session(const sessionconfig& config, uint32_t now) : cfg_(config), lastheard_(now) {
  cfg_.delay = std::clamp(cfg_.delay, 0, 4);
  cfg_.window = std::clamp(cfg_.window, 1, 16);
  cfg_.side = cfg_.side == 0 ? 0 : 1;
  remoteslotframe_.fill(-1);
  localhashframe_.fill(-1);
  remotehashframe_.fill(-1);
}

std::span<const request> session::leave(uint32_t now) {
  requestcount_ = 0;
  out_.size = 0;
  if (state_ != linkstate::running) return {};
  state_ = linkstate::left;
  const int end = confirmedframe();
  // The last words: every input of ours the peer may lack, and where the match ends.
  buildmessage(now);
  message q = decode(out_.view());
  q.kind = messagekind::quit;
  q.inputs.end = end;
  quit_ = encode(q);
  out_.size = 0;
  requestcount_ = 0;
  finish(end);
  return {requests_.data(), size_t(requestcount_)};
}

int session::confirmedframe() const { return std::min(remotenext_, current_ + cfg_.delay); }

uint16_t session::remoteinput(int frame) const {
  if (remoteslotframe_[slot(frame)] == frame) return remote_[slot(frame)];
  // A missing input is taken to be the last one received: players hold keys far longer than a frame.
  if (remotenext_ > 0) return remote_[slot(remotenext_ - 1)];
  return 0;
}

void session::receive(std::span<const uint8_t> bytes, uint32_t now) {
  const message m = decode(bytes);
  if (m.kind != messagekind::inputs && m.kind != messagekind::quit) return;
  // The peer cannot run further ahead than its window allows it past the inputs it has of ours,
  // nor hold inputs or hashes of frames further on: such a message is not from a fair peer.
  const int64_t reach = int64_t(current_) + ring;
  const inputmessage& head = m.inputs;
  if (head.frame > reach || head.first > reach || head.hashfirst > reach) return;
  stats_.bytesreceived += int64_t(bytes.size());
  ++stats_.packetsreceived;
  if (state_ != linkstate::running) return;
  lastheard_ = now;
  takeinputs(m.inputs);
  if (m.kind == messagekind::quit) {
    // Frames the peer never stepped are not the match's: it ends where the peer says, and the next
    // advance steps what is left of it here.
    state_ = linkstate::peerquit;
    end_ = std::clamp(int(m.inputs.end), 0, current_ + ring / 2);
    finishpending_ = true;
    return;
  }
  const inputmessage& in = m.inputs;
  if (in.frame >= peerframe_) {
    // The newest word on the peer's clock and its view of the race.
    peerframe_ = in.frame;
    remoteadvantage_ = in.advantage;
    echo_ = in.sent;
    echoheard_ = now;
    echoset_ = true;
  }
  if (in.echoage != noecho) {
    const uint32_t rtt = now - in.echo - in.echoage;
    if (rtt < 10000) stats_.rttms = int(rtt);
  }
  peerack_ = std::clamp(int(in.ack), peerack_, current_ + cfg_.delay);
  for (int k = 0; k < in.hashcount; ++k) {
    const int f = in.hashfirst + k;
    remotehash_[slot(f)] = in.hashes[size_t(k)];
    remotehashframe_[slot(f)] = f;
    comparehash(f);
  }
}

void session::takeinputs(const inputmessage& in) {
  for (int k = 0; k < in.count; ++k) {
    const int f = in.first + k;
    if (f < remotenext_ || remoteslotframe_[slot(f)] == f) continue;
    if (f >= remotenext_ + ring - 2) break;  // further ahead than the peer can be
    const uint16_t v = in.inputs[size_t(k)];
    remote_[slot(f)] = v;
    remoteslotframe_[slot(f)] = f;
    if (f < current_ && v != used_[slot(f)] && (firstwrong_ < 0 || f < firstwrong_)) firstwrong_ = f;
  }
  while (remoteslotframe_[slot(remotenext_)] == remotenext_) ++remotenext_;
}

void session::saved(int frame, uint64_t hash) {
  if (frame < 0 || frame >= hashedupto_) return;
  localhash_[slot(frame)] = uint32_t(hash ^ (hash >> 32));
  localhashframe_[slot(frame)] = frame;
  hashknown_ = std::max(hashknown_, frame + 1);
  comparehash(frame);
}

void session::comparehash(int frame) {
  const size_t s = slot(frame);
  if (localhashframe_[s] != frame || remotehashframe_[s] != frame) return;
  if (localhash_[s] == remotehash_[s]) return;
  if (state_ == linkstate::running || (state_ == linkstate::desynced && frame < desyncframe_)) {
    state_ = linkstate::desynced;
    desyncframe_ = frame;
  }
}

// A state kept for a frame whose inputs before it are all known, after any rollback they called
// for, is final: it is hashed now, while its save is still kept (the last window and delay of them).
void session::pushchecksums() {
  hashedupto_ = std::max(hashedupto_, current_ - cfg_.window - cfg_.delay);
  for (; hashedupto_ < current_ && hashedupto_ <= confirmedframe(); ++hashedupto_) {
    push(requestkind::checksum, hashedupto_);
  }
}

void session::push(requestkind kind, int frame) {
  request& r = requests_[size_t(requestcount_++)];
  r.kind = kind;
  r.frame = frame;
  r.fresh = false;
}

void session::pushstep(int frame, bool fresh) {
  push(requestkind::advance, frame);
  request& r = requests_[size_t(requestcount_ - 1)];
  r.fresh = fresh;
  const uint16_t theirs = remoteinput(frame);
  r.inputs[size_t(cfg_.side)] = local_[slot(frame)];
  r.inputs[size_t(1 - cfg_.side)] = theirs;
  used_[slot(frame)] = theirs;
}

void session::rollback() {
  if (firstwrong_ < 0) return;
  const int depth = current_ - firstwrong_;
  ++stats_.rollbacks;
  stats_.lastdepth = depth;
  ++stats_.depths[size_t(std::min(depth, depthslots - 1))];
  push(requestkind::restore, firstwrong_);
  for (int f = firstwrong_; f < current_; ++f) {
    if (f > firstwrong_) push(requestkind::save, f);
    pushstep(f, false);
  }
  firstwrong_ = -1;
}

// Whatever a received input proved wrong is stepped again, and frames not yet stepped up to the end
// are stepped once: each frame before the end has then been given both sides' real inputs.
void session::finish(int end) {
  rollback();
  end_ = std::min(end, confirmedframe());
  for (; current_ < end_; ++current_) {
    push(requestkind::save, current_);
    pushstep(current_, true);
    ++stats_.stepped;
  }
}

std::span<const request> session::advance(uint16_t local, uint32_t now) {
  requestcount_ = 0;
  out_.size = 0;
  if (state_ == linkstate::peerquit && finishpending_) {
    finishpending_ = false;
    finish(end_);
    return {requests_.data(), size_t(requestcount_)};
  }
  if (state_ != linkstate::running) return {};
  if (now - lastheard_ > cfg_.silencems) {
    state_ = linkstate::disconnected;
    finish(std::min(confirmedframe(), current_));
    return {requests_.data(), size_t(requestcount_)};
  }
  rollback();

  // How far ahead of the peer this side runs: the peer's frame as it said, moved on by the time
  // since, half a round trip included.
  const int64_t sincems = std::min<int64_t>(now - echoheard_, 60000) + stats_.rttms / 2;
  const int64_t estimate16 = int64_t(peerframe_) * 16 + sincems * 16 * 60 / 1000;
  const int64_t sample16 = std::clamp<int64_t>(int64_t(current_) * 16 - estimate16, -16 * 127, 16 * 127);
  advantage16_ += int((sample16 - advantage16_) / 8);
  if (slowcooldown_ > 0) --slowcooldown_;

  bool go = true;
  if (current_ - remotenext_ >= cfg_.window) {
    ++stats_.waited;
    go = false;
  } else if (echoset_ && slowcooldown_ == 0 && advantage16_ - remoteadvantage_ * 16 >= 40) {
    // Further ahead than the peer is behind: leave one tick out and let it catch up.
    ++stats_.slowed;
    slowcooldown_ = slowgap;
    go = false;
  }
  if (go) {
    local_[slot(current_ + cfg_.delay)] = local;
    push(requestkind::save, current_);
    pushstep(current_, true);
    ++current_;
    ++stats_.stepped;
  }
  pushchecksums();
  buildmessage(now);
  return {requests_.data(), size_t(requestcount_)};
}

void session::buildmessage(uint32_t now) {
  message m;
  m.kind = messagekind::inputs;
  inputmessage& in = m.inputs;
  in.sent = now;
  in.echo = echo_;
  in.echoage = echoset_ ? uint16_t(std::min<uint32_t>(now - echoheard_, noecho - 1)) : noecho;
  in.frame = current_;
  in.advantage = int8_t(std::clamp(advantage16_ / 16, -127, 127));
  in.ack = remotenext_;
  in.first = peerack_;
  const int known = current_ + cfg_.delay;  // local inputs are known before this frame
  in.count = uint8_t(std::clamp(known - peerack_, 0, maxinputs));
  for (int k = 0; k < in.count; ++k) in.inputs[size_t(k)] = local_[slot(peerack_ + k)];
  // The latest confirmed hashes, each sent with the next few messages so that a loss costs none.
  int first = hashknown_;
  while (first > 0 && hashknown_ - first < maxhashes && localhashframe_[slot(first - 1)] == first - 1) --first;
  in.hashfirst = first;
  for (int f = first; f < hashknown_; ++f) in.hashes[in.hashcount++] = localhash_[slot(f)];
  out_ = encode(m);
  stats_.bytessent += int64_t(out_.size);
  ++stats_.packetssent;
}

}  // namespace flopfist::net

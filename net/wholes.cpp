// The link's frames to and from bytes (a mark, a kind, three little-endian numbers, a payload) and
// the whole messages sent piece by piece until acknowledged.
#include "net/wholes.h"

#include <algorithm>

#include "net/bytes.h"

namespace flopfist::net {

namespace {
constexpr uint8_t mark0 = 'F', mark1 = 'k';
constexpr size_t header = 9;
constexpr size_t mostready = 16;  // whole messages waiting to be read; more are not acknowledged

// seq a is older than b, on a counter that wraps.
bool before(uint16_t a, uint16_t b) {
  return int16_t(uint16_t(a - b)) < 0;
}
}  // namespace

linkframe frameof(framekind kind, uint16_t seq, uint16_t index, uint16_t count,
                  std::span<const uint8_t> payload) {
  linkframe f;
  bytewriter w(f);
  w.u8(mark0);
  w.u8(mark1);
  w.u8(uint8_t(kind));
  w.u16(seq);
  w.u16(index);
  w.u16(count);
  const size_t n = std::min(payload.size(), mostpiece);
  std::copy_n(payload.begin(), n, f.bytes.begin() + std::ptrdiff_t(f.size));
  f.size += n;
  return f;
}

framefields readframe(std::span<const uint8_t> b) {
  framefields f;
  if (b.size() < header || b.size() > mostframe || b[0] != mark0 || b[1] != mark1) return f;
  const auto kind = framekind(b[2]);
  if (kind == framekind::none || uint8_t(kind) > uint8_t(framekind::bye)) return f;
  bytereader r(b.subspan(3));
  r.u16(f.seq);  // the length is checked above
  r.u16(f.index);
  r.u16(f.count);
  f.payload = r.rest();
  if (kind == framekind::piece) {
    if (f.count == 0 || f.count > mostpieces || f.index >= f.count || f.payload.empty()) return f;
  } else if (!f.payload.empty()) {
    return f;
  }
  f.kind = kind;
  return f;
}

bool wholechannel::queue(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > mostpiece * mostpieces) return false;
  sending_.emplace_back(bytes);
  return true;
}

void wholechannel::tick(uint32_t now, std::vector<linkframe>& out, size_t most) {
  if (sending_.empty()) return;
  const std::string& m = sending_.front();
  const size_t count = (m.size() + mostpiece - 1) / mostpiece;
  if (acked_.size() != count) {
    acked_.assign(count, false);
    sentat_.assign(count, 0);
    sentonce_.assign(count, false);
  }
  size_t sent = 0;
  for (size_t k = 0; k < count && sent < most; ++k) {
    if (acked_[k] || (sentonce_[k] && now - sentat_[k] < resendms_)) continue;
    const auto* data = reinterpret_cast<const uint8_t*>(m.data()) + k * mostpiece;
    const size_t n = std::min(mostpiece, m.size() - k * mostpiece);
    out.push_back(frameof(framekind::piece, sendseq_, uint16_t(k), uint16_t(count), {data, n}));
    sentat_[k] = now;
    sentonce_[k] = true;
    ++sent;
  }
}

void wholechannel::receive(const framefields& f, std::vector<linkframe>& out) {
  if (f.kind == framekind::ack) {
    if (sending_.empty() || f.seq != sendseq_ || f.index >= acked_.size()) return;
    acked_[f.index] = true;
    if (std::all_of(acked_.begin(), acked_.end(), [](bool a) { return a; })) {
      sending_.pop_front();
      ++sendseq_;
      acked_.clear();
    }
    return;
  }
  if (f.kind != framekind::piece) return;
  // A piece of a message already taken: its acknowledgement was lost, so it goes again.
  if (before(f.seq, recvseq_)) {
    out.push_back(frameof(framekind::ack, f.seq, f.index));
    return;
  }
  if (f.seq != recvseq_ || ready_.size() >= mostready) return;
  if (pieces_.empty()) {
    recvcount_ = f.count;
    pieces_.assign(f.count, {});
    have_.assign(f.count, false);
  }
  if (f.count != recvcount_) return;  // not the message begun: a fair sender never changes it
  if (!have_[f.index]) {
    const bool last = f.index + 1 == f.count;
    if (!last && f.payload.size() != mostpiece) return;
    pieces_[f.index].assign(f.payload.begin(), f.payload.end());
    have_[f.index] = true;
  }
  out.push_back(frameof(framekind::ack, f.seq, f.index));
  if (!std::all_of(have_.begin(), have_.end(), [](bool h) { return h; })) return;
  std::string whole;
  for (const std::string& p : pieces_) whole += p;
  ready_.push_back(std::move(whole));
  pieces_.clear();
  have_.clear();
  ++recvseq_;
}

bool wholechannel::next(std::string& into) {
  if (ready_.empty()) return false;
  into = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace flopfist::net

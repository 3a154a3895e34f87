// Little-endian numbers into a datagram's buffer and out of bytes received, every read checked
// against the end: what the game's messages, the lobby's words and the LAN beacons are made of. It
// stands on the standard library alone, so the lobby, which links only the rendezvous words, has it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace flopfist::net {

// Writes into anything with a byte array `bytes` and a `size`; the layouts keep within its length.
template <typename buffer>
class bytewriter {
 public:
  explicit bytewriter(buffer& b) : b_(b) {}
  void u8(uint8_t v) { b_.bytes[b_.size++] = v; }
  void u16(uint16_t v) {
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
  }
  void u32(uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
  }
  void u64(uint64_t v) {
    u32(uint32_t(v));
    u32(uint32_t(v >> 32));
  }

 private:
  buffer& b_;
};

// Each read is false, and leaves its field alone, past the end of the bytes.
class bytereader {
 public:
  explicit bytereader(std::span<const uint8_t> b) : b_(b) {}
  bool u8(uint8_t& v) {
    if (at_ >= b_.size()) return false;
    v = b_[at_++];
    return true;
  }
  bool u16(uint16_t& v) {
    uint8_t lo = 0, hi = 0;
    if (!u8(lo) || !u8(hi)) return false;
    v = uint16_t(lo | (hi << 8));
    return true;
  }
  bool u32(uint32_t& v) {
    uint16_t lo = 0, hi = 0;
    if (!u16(lo) || !u16(hi)) return false;
    v = lo | (uint32_t(hi) << 16);
    return true;
  }
  bool u64(uint64_t& v) {
    uint32_t lo = 0, hi = 0;
    if (!u32(lo) || !u32(hi)) return false;
    v = lo | (uint64_t(hi) << 32);
    return true;
  }
  bool i32(int32_t& v) {
    uint32_t u = 0;
    if (!u32(u)) return false;
    v = int32_t(u);
    return true;
  }
  // What is left, taken whole.
  std::span<const uint8_t> rest() {
    const std::span<const uint8_t> r = b_.subspan(at_);
    at_ = b_.size();
    return r;
  }
  size_t left() const { return b_.size() - at_; }
  bool done() const { return at_ == b_.size(); }

 private:
  std::span<const uint8_t> b_;
  size_t at_ = 0;
};

}  // namespace flopfist::net

// Whole messages over datagrams that may be lost, doubled or overtaken: each message is cut into
// pieces small enough for the lobby's relay, every piece goes again until the other side
// acknowledges it, and messages come out whole, once and in the order they were queued.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace flopfist::net {

// Frames of the link itself, told from the match's messages and the lobby's words by their mark.
enum class framekind : uint8_t { none = 0, piece = 1, ack = 2, ping = 3, bye = 4 };
constexpr size_t mostpiece = 1024;
constexpr size_t mostpieces = 64;  // a whole message holds at most mostpiece * mostpieces bytes
constexpr size_t mostframe = 9 + mostpiece;

struct linkframe {
  std::array<uint8_t, mostframe> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

linkframe frameof(framekind kind, uint16_t seq = 0, uint16_t index = 0, uint16_t count = 0,
                  std::span<const uint8_t> payload = {});
struct framefields {
  framekind kind = framekind::none;  // none: not a well-formed frame of the link
  uint16_t seq = 0, index = 0, count = 0;
  std::span<const uint8_t> payload;
};
framefields readframe(std::span<const uint8_t> bytes);

class wholechannel {
 public:
  explicit wholechannel(uint32_t resendms = 100) : resendms_(resendms) {}
  // False when the message is larger than a whole message may be.
  bool queue(std::string_view bytes);
  // The pieces due now: the unacknowledged pieces of the oldest message, at most `most` of them,
  // again every resendms.
  void tick(uint32_t now, std::vector<linkframe>& out, size_t most = 16);
  // A piece or an acknowledgement from the other side; a piece is acknowledged into out.
  void receive(const framefields& f, std::vector<linkframe>& out);
  bool next(std::string& into);
  bool idle() const { return sending_.empty(); }

 private:
  uint32_t resendms_;
  // Sending: the queue, the oldest message's pieces acknowledged, and when each went last.
  std::deque<std::string> sending_;
  uint16_t sendseq_ = 0;
  std::vector<bool> acked_;
  std::vector<uint32_t> sentat_;
  std::vector<bool> sentonce_;
  // Receiving: the message expected next, its pieces so far, and the messages complete.
  uint16_t recvseq_ = 0;
  uint16_t recvcount_ = 0;
  std::vector<std::string> pieces_;
  std::vector<bool> have_;
  std::deque<std::string> ready_;
};

}  // namespace flopfist::net

// The confirmed frames of a session in order, each with the inputs it was last stepped with: once a
// frame is confirmed those are the real ones. Followed only once the peer has confirmed them too, a
// replay recorded from them is the same on both machines, wherever the match ends.
#pragma once

#include <array>
#include <cstdint>

#include "net/session.h"

namespace flopfist::net {

class confirmedinputs {
 public:
  // Every advance request, as it is carried out.
  void stepped(const request& r) {
    if (r.kind == requestkind::advance) given_[size_t(r.frame) % given_.size()] = r.inputs;
  }
  // Calls each(frame, inputs) for every frame both sides agree on since the last call, in order.
  template <typename callback>
  void follow(const session& s, callback each) {
    const int upto = s.agreed();
    for (; next_ < upto; ++next_) each(next_, given_[size_t(next_) % given_.size()]);
  }
  int next() const { return next_; }  // the first frame not yet followed

 private:
  std::array<std::array<uint16_t, 2>, session::ring> given_{};
  int next_ = 0;
};

}  // namespace flopfist::net

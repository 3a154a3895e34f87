// The particle ring: 100 bursts reused in turn from a cursor, updated and drawn once a frame.
#pragma once

#include <array>

#include "effects/dotburst.h"

namespace flopfist {

class particlering {
 public:
  static constexpr int slots = 100;

  // Every slot empty again; the cursor stays where it was.
  void clear();
  // Starts a burst at the cursor and moves the cursor on (an out-of-range cursor restarts at 1).
  void start(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
             media::generator& rng, int robot, int radius);
  // start, with the burst's drops made by dotburst::startbatched.
  void startbatched(float x, float y, float basevx, float basevy, int count, int plasma,
                    float speed, media::generator& rng, int robot, int radius);
  void advance();
  int cursor() const { return cursor_; }
  void setcursor(int slot) { cursor_ = slot; }
  const dotburst& operator[](int slot) const { return bursts_[size_t(slot)]; }

  // Marks the start of a frame: bursts started from now on are new to this frame.
  void beginframe() { updated_ = false; }
  // Moves every living burst on, drops first and then sparks; these are what this frame draws.
  void update(media::generator& rng);
  // The bursts as this frame's update left them, drops under sparks, even where a burst started
  // later in the frame has since taken the slot.
  void draw(const view& v, const sprites& images) const;

 private:
  void keepdrawn(int slot);

  std::array<dotburst, slots + 1> bursts_{};  // slots 1..100
  int cursor_ = 1;
  bool updated_ = false;
  std::array<bool, slots + 1> drawn_{};
  std::array<bool, slots + 1> kept_{};
  std::array<dotburst, slots + 1> keep_{};  // a drawn burst whose slot was retaken after the update
};

}  // namespace flopfist

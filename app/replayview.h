// Watching a replay in the window: the match drawn and heard as it was played, under the viewer's keys.
#pragma once

#include "app/fightgame.h"
#include "replay/playback.h"

namespace flopfist {

// The pause key or Start pauses, Space or A doubles the speed, Right steps one frame while paused,
// Escape, B or Back goes back. The
// series and score table it draws are its own copies, so nothing of the game's changes.
class replayview {
 public:
  replayview(fightgame& game, const replay& r);  // r must outlive the view
  replayview(fightgame& game, const replay&& r) = delete;
  ~replayview();
  replayview(const replayview&) = delete;
  replayview& operator=(const replayview&) = delete;

  // One presented frame; false once the viewer has asked to go back.
  bool frame();
  const playback& playing() const { return play_; }
  bool paused() const { return paused_; }
  bool fast() const { return fast_; }
  bool holding() const { return held_ > 0; }  // the last step's picture still waits

 private:
  void readkeys();
  void advance();            // one step played out and drawn
  void drawoverlay(const overlay& o);
  void drawscene();          // the last step again, for a frame that takes none
  void drawbar() const;
  void drawending() const;

  fightgame& game_;
  playback play_;
  series shown_;
  scoretable table_;
  musicstate music_;  // the game's, given back at the end
  int held_ = 0;  // ticks the match holds still after its last step; its picture waits for them
  std::string barkeys_;  // made once: the pause key is the player's own
  bool paused_ = false, fast_ = false, stepone_ = false, back_ = false;
};

}  // namespace flopfist

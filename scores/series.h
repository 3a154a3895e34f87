// A series of matches: the mode, the level reached, the score, the versus wins and the name typed.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "match/match.h"

namespace flopfist {

// The name typed on the GAME OVER screen, one character a frame, at most 15.
class nameentry {
 public:
  static constexpr int length = 15;
  // A typed character code (0: none this frame); backspace (8 or 127) takes the last one back.
  void type(int code);
  const std::string& name() const { return name_; }

 private:
  int cursor_ = 1;
  std::array<std::string, 30> chars_{};
  std::string name_;
};

// The one-character string a typed character code stands for, or "nope".
std::string keychar(int code);

struct series {
  gamemode mode = gamemode::single;
  int level = 0;
  int64_t score = 0;
  int levelstartscore = 0;  // the score's low 32 bits when the level began
  std::array<int, 3> wins{};  // versus, slots 1 and 2
  nameentry name;
};

}  // namespace flopfist

// The players' keys: each player's four directions and the pause key, bound by place on the
// keyboard, with the rules that keep two actions off one key, and their file controls.cfg.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "match/match.h"
#include "media/media.h"

namespace flopfist {

// What a key can be bound to, in the order of the screen and the file.
enum class action { p1up, p1down, p1left, p1right, p2up, p2down, p2left, p2right, pause };
constexpr int actioncount = 9;

struct keybindings {
  // Player 1 on the arrows, player 2 on W, S, A, D, pause on P.
  std::array<int, actioncount> places;  // media::place numbers
  keybindings();

  int of(action a) const { return places[size_t(a)]; }
  int holder(int place) const;        // the action bound to a place as an int, -1 for none
  directions held(int player) const;  // the player's bound keys held now
  bool operator==(const keybindings&) const = default;
};

int keysheld(const keybindings& keys);  // how many of the bound keys are held now

std::string_view actionname(action a);  // "PLAYER 1 UP", "PAUSE"
std::string keyname(int place);         // for the screen: "UP", "LEFT SHIFT"; "?" without a name
// Escape leaves and Enter chooses in the menus; they can never be bound.
bool reservedkey(int place);

// Binds a key, or refuses it with the reason, naming the action that holds it. A refusal changes
// nothing; an empty result means the key is bound.
std::string bindkey(keybindings& keys, action a, int place);

// controls.cfg: a comment, then one "action = key name" line per binding.
std::string keystext(const keybindings& keys);
// What the file lacks, or wants and cannot have, stays at its default; no key ends up on two
// actions and no reserved or nameless key on any.
keybindings readkeys(media::infile& in);

}  // namespace flopfist

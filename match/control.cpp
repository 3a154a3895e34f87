// Who pushes which head: the players' held directions and the computer opponents.
#include "match/match.h"

namespace flopfist {

namespace {

float squaredistance(const ball& a, const ball& b) {
  const float dx = a.x - b.x, dy = a.y - b.y;
  return dx * dx + dy * dy;
}

// Player 1's pushes are capped like the computer's.
void player1(man& f, const directions& d, int speed) {
  ball& head = f.balls[bodyball::head];
  if (d.right) cappedpush(head.vx, 1, speed);
  if (d.left) cappedpush(head.vx, -1, speed);
  if (d.down) cappedpush(head.vy, 1, speed);
  if (d.up) cappedpush(head.vy, -1, speed);
}

// Player 2 has no speed cap: a held key keeps adding.
void player2(man& f, const directions& d, int speed) {
  ball& head = f.balls[bodyball::head];
  const float s = float(speed);
  if (d.right) head.vx += s;
  if (d.left) head.vx -= s;
  if (d.down) head.vy += s;
  if (d.up) head.vy -= s;
}

}  // namespace

int match::choosetarget(const man& f) const {
  if (fightercount < 2) return 1;
  const man& p1 = fighters[1];
  const man& p2 = fighters[2];
  if (p2.dead) return 1;
  const ball& pelvis = f.balls[bodyball::pelvis];
  if (squaredistance(pelvis, p1.balls[bodyball::pelvis]) >=
          squaredistance(pelvis, p2.balls[bodyball::pelvis]) ||
      p1.dead)
    return 2;
  return 1;
}

void match::controlfighters(const frameinput& in) {
  const int speed = rules.playersspeed;
  // Computer fighters chase the pelvis.
  auto steeragainst = [&](man& f, const man& target) {
    const ball& p = target.balls[bodyball::pelvis];
    f.steer(rng, rules.ailevel, speed, p.x, p.y, p.vx, p.vy);
  };
  switch (mode) {
    case gamemode::single:
      if (decided != outcome::second) player1(fighters[1], in.player[1], speed);
      for (int i = 2; i <= fightercount; ++i) {
        if (!fighters[size_t(i)].dead) steeragainst(fighters[size_t(i)], fighters[1]);
      }
      break;
    case gamemode::coop:
      // Both players stop once they have lost.
      if (decided != outcome::second) {
        player1(fighters[1], in.player[1], speed);
        player2(fighters[2], in.player[2], speed);
      }
      for (int i = 3; i <= fightercount; ++i) {
        const int target = choosetarget(fighters[size_t(i)]);
        if (!fighters[size_t(i)].dead) steeragainst(fighters[size_t(i)], fighters[size_t(target)]);
      }
      break;
    case gamemode::versus:
      // The loser of a decided match lets go.
      if (decided != outcome::second) player1(fighters[1], in.player[1], speed);
      if (decided != outcome::first) player2(fighters[2], in.player[2], speed);
      break;
  }
}

}  // namespace flopfist

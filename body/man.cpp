// The body tables and the construction of a fighter.
#include "body/man.h"

namespace flopfist {

// Legs A (1-5) and B (7-11) meet at the pelvis 6; the spine runs 12-13-14, neck 15, head 16;
// arms A (17-20) and B (21-24) hang from the shoulders 14; 25 and 26 are the foot tips.
const std::array<link, 25> bodylinks{{
    {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10},
    {10, 11}, {6, 12}, {12, 13}, {13, 14}, {14, 15}, {15, 16}, {14, 17}, {17, 18},
    {18, 19}, {19, 20}, {14, 21}, {21, 22}, {22, 23}, {23, 24}, {1, 25}, {11, 26},
}};

const std::array<joint, 25> bodyjoints{{
    {1, 2, 3},   {2, 3, 4},    {3, 4, 5},    {4, 5, 6},    {5, 6, 7},
    {6, 7, 8},   {7, 8, 9},    {8, 9, 10},   {9, 10, 11},  {5, 6, 12},
    {7, 6, 12},  {6, 12, 13},  {12, 13, 14}, {13, 14, 15}, {14, 15, 16},
    {13, 14, 17}, {14, 17, 18}, {17, 18, 19}, {18, 19, 20}, {13, 14, 21},
    {14, 21, 22}, {21, 22, 23}, {22, 23, 24}, {25, 1, 2},   {10, 11, 26},
}};

const std::array<float, 25> bodyrestangles{
    180, 180, 180, 180, 180, 180, 180, 180, 180, 200, 160, 180, 180,
    180, 180, 90,  180, 180, 180, -90, 180, 180, 180, 180, 180,
};

// Knees, elbows and the neck bend easily; joint 4 across the pelvis is free.
const std::array<float, 25> bodystiffness{
    1.0f, 0.1f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.1f, 1.0f, 0.3f,  0.3f, 0.4f, 0.4f,
    0.4f, 0.1f, 0.1f, 1.0f, 0.05f, 1.0f, 0.1f, 1.0f, 0.05f, 1.0f, 1.0f, 1.0f,
};

// A robot is as stiff in the knees, elbows and spine as everywhere else.
const std::array<float, 25> robotstiffness{
    1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.2f, 0.2f, 1.0f, 1.0f,
    1.0f, 1.0f, 0.1f, 1.0f, 1.0f, 1.0f, 0.1f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f,
};

void man::setup(int n, media::generator& rng) {
  fade = 1.0f;
  dead = 0;
  limbwidth = 2 * scale;
  ballradius = 4 * scale;
  balldrawradius = 4 * scale;
  headradius = 9 * scale;
  ballmass = int(scale * scale);
  maxenergy = 5 * scale * scale;
  energy = maxenergy;

  // A column of scattered balls per fighter; the solver pulls them into a body in a few frames.
  const double offset = (double(number) - double(n) / 2.0) * 1024.0 / 4.0;
  for (int i = 1; i <= 26; ++i) {
    ball& b = balls[i];
    b = ball{};
    b.radius = ballradius;
    b.drawradius = balldrawradius;
    b.index = i;
    const double r = rng.rnd();
    b.x = float(r * 200.0 - 100.0 + offset);
    b.y = float(rng.rndint(0, 768));
    b.vx = 1.0f;
    b.vy = 1.0f;
    b.mass = float(ballmass);
  }
  balls[bodyball::head].drawradius = headradius;

  blowfactor = 1.0f;
  stiffness = bodystiffness;
  if (robot) {
    blowfactor = 2.0f;
    maxenergy = 2 * maxenergy;
    energy = maxenergy;
    stiffness = robotstiffness;
    colour = {0, 70, 70, 90};
  }
}

void man::fadestep() {
  if (!dead) return;
  fade -= 0.01f;
  if (fade < 0) fade = 0;
}

}  // namespace flopfist

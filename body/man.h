// One fighter: 26 balls held by 25 links and 25 angle joints; construction, physics, control, drawing.
#pragma once

#include <array>

#include "body/ball.h"

namespace flopfist {

class fightgame;

struct link {
  int a, b;
};
struct joint {
  int p, m, q;
};

// The body tables shared by every fighter.
extern const std::array<link, 25> bodylinks;
extern const std::array<joint, 25> bodyjoints;
extern const std::array<float, 25> bodyrestangles;
extern const std::array<float, 25> bodystiffness;
extern const std::array<float, 25> robotstiffness;
// The fixed draw order: positive entries are ball numbers, zero or negative entries links negated.
extern const std::array<int, 51> drawsequence;

struct linkmove {
  float adx, ady, bdx, bdy;
};
struct jointmove {
  float pdx, pdy, mdx, mdy, qdx, qdy;
};

class man {
 public:
  float blowfactor = 0.0f;
  int robot = 0;
  fightgame* game = nullptr;
  float fade = 0.0f;
  int dead = 0;
  int team = 0;
  float maxenergy = 0.0f;
  int ballmass = 1;
  std::array<int, 4> colour{};  // 1..3: red, green, blue
  float energy = 20.0f;
  int number = 0;
  float scale = 2.0f;
  float limbwidth = 2 * 2.0f;
  float ballradius = 4 * 2.0f;
  float balldrawradius = 4 * 2.0f;
  float headradius = 9 * 2.0f;
  int ballcount = 26;
  const std::array<link, 25>& links = bodylinks;
  int linkcount = 25;
  const std::array<joint, 25>& joints = bodyjoints;
  const std::array<float, 25>& restangles = bodyrestangles;
  std::array<float, 25> stiffness = bodystiffness;
  int jointcount = 25;
  int direction = 1;
  std::array<ball, 27> balls{};  // slots 1..26

  man() = default;
  man(const man&) = delete;  // balls point back at their owner
  man& operator=(const man&) = delete;

  // Construction
  void setup(int n);
  void fadestep();

  // Physics step
  void saveposition();
  void applygravity(int g);
  void move(float dt);
  void updatevelocity(float dt);
  void keepinarena(float dt, float zoom);
  void tickflash();
  static linkmove linkcorrection(const ball& a, const ball& b);
  static jointmove jointcorrection(const ball& p, const ball& m, const ball& q, float restangle,
                                   float stiffness, float dt, int flex);
  void relaxlinks();
  void relaxjoints(float dt, int flex);
  void relax(float dt, int flex);

  // Computer control
  void steer(int level, float dt, int speed, float tx, float ty, float tvx, float tvy);

  // Drawing
  void draw(float alpha, float zoom);
  void drawlimb(int link, const std::array<int, 4>& colour, float zoom);

 private:
  // Reused by every correction pass: one (dx, dy) per ball number.
  std::array<float, 27> accx_{};
  std::array<float, 27> accy_{};
};

// Pushes a head ball by a direction code (1 up, 2 down, 3 left, 4 right, 5 down-right, 6 up-left,
// 7 up-right, 8 down-left), each component only while it is below the cap of 2*speed.
void pushdirection(ball& head, int direction, int speed);

}  // namespace flopfist

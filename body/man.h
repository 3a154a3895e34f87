// One fighter: 26 balls held by 25 links and 25 angle joints; construction, physics, control, drawing.
#pragma once

#include <array>
#include <span>

#include "body/ball.h"
#include "body/sprites.h"
#include "media/random.h"

namespace flopfist {

// The balls the game treats apart from the rest. Legs A (1-5) and B (7-11) meet at the pelvis;
// the spine runs 12-13-14, neck 15, head 16; arms A (17-20) and B (21-24) hang from the
// shoulders; 25 and 26 are the foot tips.
namespace bodyball {
constexpr int pelvis = 6;
constexpr int shoulders = 14;
constexpr int neck = 15;
constexpr int head = 16;
constexpr int fista = 20;
constexpr int fistb = 24;
constexpr int foota = 25;
constexpr int footb = 26;
constexpr int count = 26;
}  // namespace bodyball

// The eight ways a head can be pushed; the numbers are the ones the computer keeps between frames.
enum class push { none = 0, up, down, left, right, downright, upleft, upright, downleft };

// The push that takes a body away from the wall it touched.
push awayfrom(wall w);

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

// A freshly hit ball bleeds: one burst of drops a frame, fewer as its flash fades.
struct bleed {
  float x, y, vx, vy;
  int drops;
  int radius;
};
struct bleeding {
  std::array<bleed, bodyball::count> list{};
  int count = 0;
};

class man {
 public:
  float blowfactor = 0.0f;
  int robot = 0;
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
  std::array<float, 25> stiffness = bodystiffness;
  push direction = push::up;       // the computer's push, kept between frames
  std::array<ball, 27> balls{};  // slots 1..26

  // Construction: n is the number of fighters in the match, which spreads the starting columns.
  void setup(int n, media::generator& rng);
  void fadestep();

  // Physics step
  void saveposition();
  void applygravity(int g);
  void move(float dt);
  void updatevelocity(float dt);
  void keepinarena(const arena& walls);
  // Counts every hit flash down and lists the balls that bleed this frame at this BLOOD setting.
  void tickflash(int blood, bleeding& out);
  static linkmove linkcorrection(const ball& a, const ball& b);
  static jointmove jointcorrection(const ball& p, const ball& m, const ball& q, float restangle,
                                   float stiffness, float dt, int flex);
  void relaxlinks();
  void relaxjoints(float dt, int flex);
  // fallapart: "1" and "8" held, which lets every body go limp.
  void relax(float dt, int flex, bool fallapart);

  // Computer control
  void steer(media::generator& rng, int level, int speed, float tx, float ty, float tvx, float tvy);

  // Drawing
  void draw(float alpha, const view& v, const sprites& images) const;
  void drawlimb(int link, const std::array<int, 4>& colour, const view& v, const sprites& images) const;
  void drawball(int index, const view& v, const sprites& images) const;

 private:
  // Reused by every correction pass: one (dx, dy) per ball number.
  std::array<float, 27> accx_{};
  std::array<float, 27> accy_{};
};

// One frame of physics for every fighter of a match: gravity, motion, the relaxation of links and
// joints (none for the dead, nor for anybody while fallapart holds), velocities and walls.
void stepbodies(std::span<man> fighters, int gravity, float dt, int flex, bool fallapart,
                const arena& walls);
// stepbodies with the relaxation by its widest build up to the given set that the machine runs:
// four fighters a pass in SSE lanes, or eight in AVX2 ones.
void stepbodies(std::span<man> fighters, int gravity, float dt, int flex, bool fallapart,
                const arena& walls, media::isa set);

// Adds +push to v only while it is below the cap of 2*push, -push only while above minus the cap.
void cappedpush(float& v, int sign, int push);
// Pushes a head ball one of the eight ways, each component only while it is below the cap.
void pushhead(ball& head, push direction, int speed);

}  // namespace flopfist

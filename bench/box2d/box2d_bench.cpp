// Box2D's step next to the game's own: six ragdolls of 11 bodies held by 10 revolute joints each,
// on a ground box, stepped at 60 Hz with the iterations Box2D's testbed uses (8 velocity, 3
// position), against six fighters of the game's physics step and of the reference step of
// reference.h (the step before issue 13), timed in the same iterations.
// Built only where Debian's libbox2d-dev (Box2D 2.4) is installed; nothing else uses it.
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <span>
#include <vector>

#include "bench/reference.h"
#include "body/man.h"

namespace {

using clk = std::chrono::steady_clock;

// A ragdoll the size of a scale-2 fighter in metres (one metre is 30 pixels): head, chest,
// pelvis, upper and lower arms, thighs and shins; its parts do not collide with each other.
struct ragdoll {
  std::array<b2Body*, 11> parts{};
};

b2Body* part(b2World& world, float x, float y, float hw, float hh, int16 group) {
  b2BodyDef def;
  def.type = b2_dynamicBody;
  def.position.Set(x, y);
  b2Body* body = world.CreateBody(&def);
  b2PolygonShape box;
  box.SetAsBox(hw, hh);
  b2FixtureDef fixture;
  fixture.shape = &box;
  fixture.density = 1.0f;
  fixture.friction = 0.6f;
  fixture.filter.groupIndex = group;
  body->CreateFixture(&fixture);
  return body;
}

void hinge(b2World& world, b2Body* a, b2Body* b, float x, float y, float lower, float upper) {
  b2RevoluteJointDef def;
  def.Initialize(a, b, b2Vec2(x, y));
  def.enableLimit = true;
  def.lowerAngle = lower;
  def.upperAngle = upper;
  world.CreateJoint(&def);
}

ragdoll makeragdoll(b2World& world, float x, float y, int16 group) {
  ragdoll r;
  auto& p = r.parts;
  p[0] = part(world, x, y + 3.0f, 0.3f, 0.3f, group);            // head
  p[1] = part(world, x, y + 2.2f, 0.3f, 0.5f, group);            // chest
  p[2] = part(world, x, y + 1.4f, 0.3f, 0.3f, group);            // pelvis
  p[3] = part(world, x - 0.5f, y + 2.4f, 0.3f, 0.1f, group);     // upper arms
  p[4] = part(world, x + 0.5f, y + 2.4f, 0.3f, 0.1f, group);
  p[5] = part(world, x - 1.1f, y + 2.4f, 0.3f, 0.1f, group);     // forearms
  p[6] = part(world, x + 1.1f, y + 2.4f, 0.3f, 0.1f, group);
  p[7] = part(world, x - 0.15f, y + 0.8f, 0.1f, 0.35f, group);   // thighs
  p[8] = part(world, x + 0.15f, y + 0.8f, 0.1f, 0.35f, group);
  p[9] = part(world, x - 0.15f, y + 0.1f, 0.1f, 0.35f, group);   // shins
  p[10] = part(world, x + 0.15f, y + 0.1f, 0.1f, 0.35f, group);
  const float q = 0.25f * b2_pi, h = 0.5f * b2_pi;
  hinge(world, p[1], p[0], x, y + 2.7f, -q, q);
  hinge(world, p[2], p[1], x, y + 1.7f, -q, q);
  hinge(world, p[1], p[3], x - 0.2f, y + 2.4f, -h, h);
  hinge(world, p[1], p[4], x + 0.2f, y + 2.4f, -h, h);
  hinge(world, p[3], p[5], x - 0.8f, y + 2.4f, -h, 0);
  hinge(world, p[4], p[6], x + 0.8f, y + 2.4f, 0, h);
  hinge(world, p[2], p[7], x - 0.15f, y + 1.15f, -h, q);
  hinge(world, p[2], p[8], x + 0.15f, y + 1.15f, -h, q);
  hinge(world, p[7], p[9], x - 0.15f, y + 0.45f, 0, h);
  hinge(world, p[8], p[10], x + 0.15f, y + 0.45f, 0, h);
  return r;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}
double p99(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() * 99 / 100];
}

// Both kept awake and tumbling: every 120 frames each ragdoll's head and each fighter's head get
// an upward push. The ratio is Box2D's median over the game's.
void BM_box2dragdolls(benchmark::State& state) {
  b2World world(b2Vec2(0.0f, -10.0f));
  world.SetAllowSleeping(false);
  b2BodyDef grounddef;
  b2Body* ground = world.CreateBody(&grounddef);
  b2PolygonShape groundbox;
  groundbox.SetAsBox(40.0f, 1.0f, b2Vec2(0.0f, -1.0f), 0.0f);
  ground->CreateFixture(&groundbox, 0.0f);
  std::array<ragdoll, 6> dolls;
  for (int n = 0; n < 6; ++n) dolls[size_t(n)] = makeragdoll(world, float(n) * 4.0f - 10.0f, 2.0f, int16(-1 - n));

  const flopfist::arena walls{-1024, 1024, -768, 768};
  media::generator rng(6);
  std::array<flopfist::man, 6> fighters{};
  for (int n = 0; n < 6; ++n) {
    fighters[size_t(n)].number = n + 1;
    fighters[size_t(n)].setup(6, rng);
  }
  std::array<flopfist::man, 6> before = fighters;  // stepped by the reference step
  std::vector<double> box2dus, ourus, refus;
  int frame = 0;
  for (auto _ : state) {
    if (frame++ % 120 == 0) {
      for (ragdoll& r : dolls) r.parts[0]->ApplyLinearImpulseToCenter(b2Vec2(0.5f, 6.0f), true);
      for (flopfist::man& f : fighters) f.balls[flopfist::bodyball::head].vy -= 30;
      for (flopfist::man& f : before) f.balls[flopfist::bodyball::head].vy -= 30;
    }
    auto t0 = clk::now();
    world.Step(1.0f / 60.0f, 8, 3);
    auto t1 = clk::now();
    box2dus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    t0 = clk::now();
    for (flopfist::man& f : fighters) f.saveposition();
    flopfist::stepbodies(fighters, 1, 1.0f, 4, false, walls);
    t1 = clk::now();
    ourus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    t0 = clk::now();
    for (flopfist::man& f : before) {
      f.saveposition();
      flopfist::reference::stepbody(f, 1, 1.0f, 4, false, walls);
    }
    t1 = clk::now();
    refus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    benchmark::DoNotOptimize(fighters[5].balls[1].x);
    benchmark::DoNotOptimize(before[5].balls[1].x);
  }
  state.counters["box2d_p50_us"] = median(box2dus);
  state.counters["box2d_p99_us"] = p99(box2dus);
  state.counters["p50_us"] = median(ourus);
  state.counters["p99_us"] = p99(ourus);
  state.counters["ref_p50_us"] = median(refus);
  state.counters["box2d_over_game"] = median(box2dus) / median(ourus);
  state.counters["box2d_over_ref"] = median(box2dus) / median(refus);
  state.counters["box2d_contacts"] = double(world.GetContactCount());
  state.SetLabel("Box2D " + std::to_string(b2_version.major) + "." + std::to_string(b2_version.minor) + "." +
                 std::to_string(b2_version.revision));
}
BENCHMARK(BM_box2dragdolls)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace

// Contacts between fighters: hard and soft pushes, blows, combos and slow motion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

constexpr int fist = 20, pelvis = 6, head = 16, shin = 10, thigh = 4;

class contacttest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;

  // Fighters built as set-up builds them; teams and robots given per fighter.
  void build(const char* mode, std::initializer_list<int> teams, std::initializer_list<int> robots = {}) {
    game = testing::makegame();
    game->gamemode = mode;
    game->fightercount = int(teams.size());
    game->framecount = 200;  // the fight is on
    game->outcome = 0;
    game->slowmotion = 0;
    game->plasma = 0;
    game->blood = 3;
    game->blowpower = 5;
    game->soundsvolume = 5;
    game->slowmotimer = -1;
    int n = 1;
    for (int team : teams) {
      auto f = std::make_unique<man>();
      f->number = n;
      f->team = team;
      f->game = game.get();
      f->scale = 2.0f;
      if (std::size(robots) > 0) f->robot = std::data(robots)[n - 1];
      f->setup(game->fightercount);
      game->fighters[n] = std::move(f);
      n++;
    }
    for (auto& row : game->contactwait) std::fill(std::begin(row), std::end(row), -1);
    for (auto& row : game->sparkwait) std::fill(std::begin(row), std::end(row), -1);
    for (auto& row : game->blowwait) std::fill(std::begin(row), std::end(row), -1);
    park();
  }

  man& f(int n) { return *game->fighters[n]; }

  // Every ball far from every other, at rest.
  void park() {
    for (int n = 1; n <= game->fightercount; n++) {
      for (int k = 1; k <= 26; k++) {
        ball& b = f(n).balls[k];
        b.x = float(n * 100000 + k * 1000);
        b.y = 0;
        b.vx = b.vy = 0;
      }
    }
  }

  // Two balls of different fighters overlapping by a few pixels along x.
  void touch(int na, int ka, int nb, int kb, float gap = 5) {
    ball& a = f(na).balls[ka];
    ball& b = f(nb).balls[kb];
    a.x = 0;
    a.y = 0;
    b.x = gap;
    b.y = 0;
  }

  // Lands (or tries to land) one contact after the pair has rested long enough.
  void strike(int na, int ka, int nb, int kb) {
    park();
    for (int i = 0; i < 11; i++) game->contactpass();
    touch(na, ka, nb, kb);
    game->contactpass();
    park();
  }

  float lost(int n) { return f(n).maxenergy - f(n).energy; }

  // How often a sound has been started since the media layer was reset.
  static int cued(const std::string& path) {
    const auto& log = media::test::cuedsounds();
    return int(std::count(log.begin(), log.end(), path));
  }
};

constexpr const char* blowwav = "sounds/blow.wav";
constexpr const char* blockwav = "sounds/block.wav";

TEST_F(contacttest, ContactsBeforeTheFightAndAfterTheOutcomeOnlyBlock) {
  for (int phase = 0; phase < 2; phase++) {
    build("1", {1, 0});
    game->plasma = 1;
    game->slowmotion = 5;
    if (phase == 0) game->framecount = 100;  // "FIGHT!" frame: blows count from 101
    if (phase == 1) game->outcome = 1;
    game->message = "FIGHT!";
    const int blocks = cued(blockwav);
    const int cursor = game->burstcursor;
    touch(1, fist, 2, pelvis);
    game->contactpass();

    const ball& a = f(1).balls[fist];
    const ball& b = f(2).balls[pelvis];
    // Separated to just beyond touching and knocked apart.
    EXPECT_NEAR(b.x - a.x, a.drawradius + b.drawradius + 0.1f, 1e-3);
    EXPECT_FLOAT_EQ(a.vx, -250);
    EXPECT_FLOAT_EQ(b.vx, 250);
    // One spark burst at the midpoint, and the ring moved on for the contact too.
    const dotburst& spark = game->bursts[cursor];
    EXPECT_EQ(spark.alive, 1);
    EXPECT_EQ(spark.plasma, 1);
    EXPECT_EQ(spark.count, 20);
    EXPECT_EQ(game->burstcursor, cursor + 2);
    EXPECT_EQ(game->sparkwait[1][2], 10);
    EXPECT_EQ(game->contactwait[1][2], 2);
    EXPECT_FLOAT_EQ(game->slowmotimer, 30);
    // No blow.
    EXPECT_EQ(lost(2), 0);
    EXPECT_EQ(b.flash, 0);
    EXPECT_EQ(game->combo, 0);
    EXPECT_EQ(game->message, "FIGHT!");
    EXPECT_EQ(game->blowwait[1][2], -1);
    EXPECT_EQ(cued(blockwav), blocks + 1);
    EXPECT_EQ(cued(blowwav), 0);
  }
}

TEST_F(contacttest, FistOnPelvisIsOneBodyBlowAndStrikesAgainTenFramesLater) {
  build("1", {1, 0});
  game->blood = 4;
  const int cursor = game->burstcursor;
  touch(1, fist, 2, pelvis);
  game->contactpass();
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(lost(1), 0);
  EXPECT_EQ(game->message, "BODY BLOW!");
  EXPECT_EQ(game->messagetimer, 60);
  EXPECT_EQ(f(2).balls[pelvis].flash, 60);
  EXPECT_EQ(f(1).balls[fist].flash, 0);
  EXPECT_EQ(game->blowwait[1][2], 10);
  EXPECT_EQ(game->combo, 1);
  // Blood at the struck ball: 10 per BLOOD step, one ring slot.
  const dotburst& drops = game->bursts[cursor];
  EXPECT_EQ(drops.alive, 1);
  EXPECT_EQ(drops.plasma, 0);
  EXPECT_EQ(drops.count, 40);
  EXPECT_EQ(game->burstcursor, cursor + 1);
  EXPECT_EQ(cued(blowwav), 1);
  EXPECT_EQ(cued(blockwav), 0);

  // Held together, the fist touches every other frame but cannot strike for ten frames.
  for (int frame = 1; frame <= 10; frame++) {
    touch(1, fist, 2, pelvis);
    game->contactpass();
    if (frame < 10) {
      EXPECT_FLOAT_EQ(lost(2), 1) << "frame " << frame;
    }
  }
  EXPECT_FLOAT_EQ(lost(2), 1 + 2);  // the second blow of the run deals 2
  EXPECT_EQ(game->message, "2 HIT COMBO!");
}

TEST_F(contacttest, HeadOnHeadIsADoubleBlow) {
  build("1", {1, 0});
  game->combo = 3;
  game->slowmotion = 5;
  const double before = media::test::clock();
  touch(1, head, 2, head, 10);
  game->contactpass();
  EXPECT_FLOAT_EQ(lost(1), 1);
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(game->message, "DOUBLE BLOW!");
  EXPECT_EQ(game->combo, 0);
  EXPECT_EQ(f(1).balls[head].flash, 60);
  EXPECT_EQ(f(2).balls[head].flash, 60);
  // Both blows of the contact pause the game.
  EXPECT_NEAR(media::test::clock() - before, 400, 1);

  // Body on body and fist on fist are no blows.
  build("1", {1, 0});
  strike(1, thigh, 2, pelvis);
  strike(1, fist, 2, fist);
  strike(1, shin, 2, fist);
  EXPECT_EQ(lost(1) + lost(2), 0);
}

TEST_F(contacttest, SameTeamAndDeadFightersOnlyPushSoftly) {
  for (int variant = 0; variant < 2; variant++) {
    build(variant == 0 ? "2coop" : "1", {1, variant == 0 ? 1 : 0});
    if (variant == 1) f(2).dead = 1;
    game->plasma = 1;
    game->slowmotion = 5;
    const int cursor = game->burstcursor;
    // Head-on at one pixel per frame each: an elastic push swaps the velocities.
    touch(1, fist, 2, pelvis, 10);
    f(1).balls[fist].vx = 1;
    f(2).balls[pelvis].vx = -1;
    game->contactpass();
    const ball& a = f(1).balls[fist];
    const ball& b = f(2).balls[pelvis];
    EXPECT_NEAR(b.x - a.x, a.drawradius + b.drawradius + 0.1f, 1e-3);
    EXPECT_NEAR(a.vx, -1, 1e-4);
    EXPECT_NEAR(b.vx, 1, 1e-4);
    EXPECT_EQ(lost(1) + lost(2), 0);
    EXPECT_EQ(b.flash, 0);
    EXPECT_EQ(game->burstcursor, cursor);
    EXPECT_FLOAT_EQ(game->slowmotimer, -1);
    EXPECT_EQ(game->contactwait[1][2], -1);
    EXPECT_EQ(cued(blowwav) + cued(blockwav), 0);
  }

  // The soft push works the same way vertically: a ball falling on one rising.
  build("2coop", {1, 1});
  ball& top = f(1).balls[pelvis];
  ball& bottom = f(2).balls[pelvis];
  top.x = bottom.x = 0;
  top.y = 0;
  bottom.y = 10;
  top.vy = 2;
  bottom.vy = -1;
  game->contactpass();
  EXPECT_NEAR(top.vy, -1, 1e-4);
  EXPECT_NEAR(bottom.vy, 2, 1e-4);
  EXPECT_LT(top.y, 0);
  EXPECT_GT(bottom.y, 10);
}

TEST_F(contacttest, BlockSoundsFollowThePlasmaOption) {
  // Balls held together before the fight: a hard contact every other frame.
  for (int plasma = 0; plasma <= 1; plasma++) {
    build("1", {1, 0});
    game->framecount = 10;
    game->plasma = plasma;
    const int before = cued(blockwav);
    for (int frame = 0; frame < 20; frame++) {
      touch(1, fist, 2, pelvis);
      game->contactpass();
    }
    EXPECT_EQ(cued(blockwav) - before, plasma == 0 ? 10 : 2) << "plasma " << plasma;
  }
  // Silent at SOUNDS VOLUME 0.
  build("1", {1, 0});
  game->soundsvolume = 0;
  const size_t before = media::test::cuedsounds().size();
  strike(1, fist, 2, pelvis);
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(media::test::cuedsounds().size(), before);
}

TEST_F(contacttest, BlowPowerScalesTheKnockBackAndLighterBallsFlyFurther) {
  build("1", {1, 0});
  game->framecount = 50;
  game->blowpower = 10;
  touch(1, fist, 2, pelvis);
  game->contactpass();
  EXPECT_FLOAT_EQ(f(1).balls[fist].vx, -500);
  EXPECT_FLOAT_EQ(f(2).balls[pelvis].vx, 500);

  build("1", {1, 0});
  game->framecount = 50;
  f(1).balls[fist].mass = 1;
  f(2).balls[pelvis].mass = 3;
  touch(1, fist, 2, pelvis);
  game->contactpass();
  EXPECT_FLOAT_EQ(f(1).balls[fist].vx, -1.5f * 250);
  EXPECT_FLOAT_EQ(f(2).balls[pelvis].vx, 0.5f * 250);
}

TEST_F(contacttest, PlayerOneBuildsACombo) {
  build("1", {1, 0});
  const char* captions[] = {"BODY BLOW!", "2 HIT COMBO!", "3 HIT COMBO!"};
  for (int blow = 1; blow <= 3; blow++) {
    const float before = f(2).energy;
    strike(1, fist, 2, pelvis);
    EXPECT_FLOAT_EQ(before - f(2).energy, float(blow));
    EXPECT_EQ(game->message, captions[blow - 1]);
  }
  EXPECT_EQ(game->comboscore, 14000);
  EXPECT_EQ(game->maxcombo, 3);

  // A head blow of a fourth in a row is still the combo caption.
  strike(1, shin, 2, head);
  EXPECT_EQ(game->message, "4 HIT COMBO!");
  EXPECT_EQ(game->comboscore, 14000 + 16000);
}

TEST_F(contacttest, ARobotsBlowDealsTwoAndBreaksThePlayersRun) {
  build("1", {1, 0}, {0, 1});
  strike(1, fist, 2, pelvis);
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(game->combo, 2);
  strike(1, pelvis, 2, fist);  // the robot's fist on the player
  EXPECT_FLOAT_EQ(lost(1), 2);
  EXPECT_EQ(game->message, "BODY BLOW!");
  // Its run never grows: a second robot blow deals 2 again.
  strike(1, pelvis, 2, fist);
  EXPECT_FLOAT_EQ(lost(1), 4);
  EXPECT_EQ(game->message, "BODY BLOW!");
  const float before = f(2).energy;
  strike(1, fist, 2, pelvis);
  EXPECT_FLOAT_EQ(before - f(2).energy, 1);
  EXPECT_EQ(game->combo, 1);
  EXPECT_EQ(game->comboscore, 1000 + 4000 + 1000);
  EXPECT_EQ(game->maxcombo, 2);
}

TEST_F(contacttest, CoopPlayersShareOneRun) {
  build("2coop", {1, 1, 0});
  strike(1, fist, 3, pelvis);
  strike(2, fist, 3, pelvis);
  EXPECT_EQ(game->message, "2 HIT COMBO!");
  strike(1, fist, 3, pelvis);
  EXPECT_EQ(game->combo, 3);
  EXPECT_FLOAT_EQ(lost(3), 1 + 2 + 3);
  strike(2, pelvis, 3, fist);  // the opponent strikes player 2
  EXPECT_FLOAT_EQ(lost(2), 1);
  strike(1, fist, 3, pelvis);
  EXPECT_EQ(game->combo, 1);
  EXPECT_FLOAT_EQ(lost(3), 1 + 2 + 3 + 1);
}

TEST_F(contacttest, VersusRunsCountBothWays) {
  build("2vs", {1, 0});
  for (int blow = 1; blow <= 3; blow++) strike(1, pelvis, 2, fist);
  EXPECT_EQ(game->combo, -3);
  EXPECT_EQ(game->message, "3 HIT COMBO!");
  EXPECT_FLOAT_EQ(lost(1), 1 + 2 + 3);
  EXPECT_EQ(game->comboscore, 0);
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(game->combo, 1);
  EXPECT_FLOAT_EQ(lost(2), 1);
  // Energy stops at 0.
  f(2).energy = 0.5f;
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(f(2).energy, 0);
}

TEST_F(contacttest, SlowMotion) {
  // Off: no slow motion, no pause.
  build("1", {1, 0});
  double before = media::test::clock();
  touch(1, fist, 2, pelvis);
  game->contactpass();
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(media::test::clock(), before);
  game->slowmostep();
  EXPECT_EQ(game->dt, 1.0f);
  game->slowmopace();
  EXPECT_EQ(media::test::clock(), before);

  // Full: a hard contact gives 31 slowed frames at a fifth of the speed.
  build("1", {1, 0});
  game->slowmotion = 10;
  game->framecount = 20;
  touch(1, fist, 2, pelvis);
  game->contactpass();
  EXPECT_FLOAT_EQ(game->slowmotimer, 30);
  int slowed = 0, paced = 0;
  int last = -1;
  for (int frame = 0; frame < 40; frame++) {
    game->slowmostep();
    if (game->dt != 1.0f) {
      EXPECT_FLOAT_EQ(game->dt, 0.2f);
      slowed++;
    }
    game->slowmopace();
    if (game->slowmotimer >= 0) {  // a paced frame
      const int now = media::millisecs();
      if (last >= 0) {
        EXPECT_GE(now - last, 1000.0 / 30) << "frame " << frame;
      }
      last = now;
      paced++;
    }
    media::flip(-1);
  }
  EXPECT_EQ(paced, 30);
  EXPECT_EQ(slowed, 31);
  EXPECT_EQ(game->dt, 1.0f);

  // Only the first blow of a slow-motion period pauses.
  build("1", {1, 0});
  game->slowmotion = 3;
  before = media::test::clock();
  strike(1, fist, 2, pelvis);
  EXPECT_NEAR(media::test::clock() - before, 200, 1);
  game->slowmotimer = 12;
  before = media::test::clock();
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(media::test::clock(), before);
  EXPECT_FLOAT_EQ(lost(2), 1 + 2);
}

}  // namespace
}  // namespace flopfist

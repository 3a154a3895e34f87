// Contacts between fighters: hard and soft pushes, blows, combos and slow motion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "app/fightgame.h"
#include "match/timeline.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

constexpr int fist = bodyball::fista, pelvis = bodyball::pelvis, head = bodyball::head, shin = 10, thigh = 4;

class contacttest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;

  // A match of the mode and level as set-up builds it, the fight on and every wait run out. The
  // game around it plays what a contact pass reports, as a frame would.
  void build(gamemode mode, int level = 1) {
    game = testing::makegame();
    game->settings.soundsvolume = 5;
    matchsetup setup;
    setup.mode = mode;
    setup.level = level;
    setup.rules = game->settings;
    setup.rules.slowmotion = 0;
    setup.rules.plasma = 0;
    setup.rules.blood = 3;
    setup.rules.blowpower = 5;
    for (auto& row : setup.carried.contactwait) std::fill(std::begin(row), std::end(row), -1);
    for (auto& row : setup.carried.sparkwait) std::fill(std::begin(row), std::end(row), -1);
    for (auto& row : setup.carried.blowwait) std::fill(std::begin(row), std::end(row), -1);
    setup.carried.slowmotimer = -1;
    game->playing.emplace(setup);
    m().framecount = 200;  // the fight is on
    park();
  }

  match& m() { return *game->playing; }
  man& f(int n) { return m().fighters[size_t(n)]; }

  // One contact pass, with its sounds and hit pauses played by the game.
  void pass() {
    last = matchevents{};
    m().contactpass(last);
    game->play(last);
  }
  matchevents last;  // what the last pass reported

  // Every ball far from every other, at rest.
  void park() {
    for (int n = 1; n <= m().fightercount; n++) {
      for (int k = 1; k <= 26; k++) {
        ball& b = f(n).balls[size_t(k)];
        b.x = float(n * 100000 + k * 1000);
        b.y = 0;
        b.vx = b.vy = 0;
      }
    }
  }

  // Two balls of different fighters overlapping by a few pixels along x.
  void touch(int na, int ka, int nb, int kb, float gap = 5) {
    ball& a = f(na).balls[size_t(ka)];
    ball& b = f(nb).balls[size_t(kb)];
    a.x = 0;
    a.y = 0;
    b.x = gap;
    b.y = 0;
  }

  // Lands (or tries to land) one contact after the pair has rested long enough.
  void strike(int na, int ka, int nb, int kb) {
    park();
    for (int i = 0; i < 11; i++) pass();
    touch(na, ka, nb, kb);
    pass();
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
    build(gamemode::single);
    m().rules.plasma = 1;
    m().rules.slowmotion = 5;
    if (phase == 0) m().framecount = 100;  // "FIGHT!" frame: blows count from 101
    if (phase == 1) m().decided = outcome::first;
    m().message.set("FIGHT!", 80);
    const int blocks = cued(blockwav);
    const int cursor = m().bursts.cursor();
    touch(1, fist, 2, pelvis);
    pass();

    const ball& a = f(1).balls[fist];
    const ball& b = f(2).balls[pelvis];
    // Separated to just beyond touching and knocked apart.
    EXPECT_NEAR(b.x - a.x, a.drawradius + b.drawradius + 0.1f, 1e-3);
    EXPECT_FLOAT_EQ(a.vx, -250);
    EXPECT_FLOAT_EQ(b.vx, 250);
    // One spark burst at the midpoint, and the ring moved on for the contact too.
    const dotburst& spark = m().bursts[cursor];
    EXPECT_EQ(spark.alive, 1);
    EXPECT_EQ(spark.plasma, 1);
    EXPECT_EQ(spark.count, 20);
    EXPECT_EQ(m().bursts.cursor(), cursor + 2);
    EXPECT_EQ(m().sparkwait[1][2], 10);
    EXPECT_EQ(m().contactwait[1][2], 2);
    EXPECT_FLOAT_EQ(m().slowmotimer, 30);
    // No blow.
    EXPECT_EQ(lost(2), 0);
    EXPECT_EQ(b.flash, 0);
    EXPECT_EQ(m().combo, 0);
    EXPECT_EQ(m().message.str(), "FIGHT!");
    EXPECT_EQ(m().blowwait[1][2], -1);
    EXPECT_EQ(cued(blockwav), blocks + 1);
    EXPECT_EQ(cued(blowwav), 0);
  }
}

TEST_F(contacttest, FistOnPelvisIsOneBodyBlowAndStrikesAgainTenFramesLater) {
  build(gamemode::single);
  m().rules.blood = 4;
  const int cursor = m().bursts.cursor();
  touch(1, fist, 2, pelvis);
  pass();
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(lost(1), 0);
  EXPECT_EQ(m().message.str(), "BODY BLOW!");
  EXPECT_EQ(m().message.timer, 60);
  EXPECT_EQ(f(2).balls[pelvis].flash, 60);
  EXPECT_EQ(f(1).balls[fist].flash, 0);
  EXPECT_EQ(m().blowwait[1][2], 10);
  EXPECT_EQ(m().combo, 1);
  // Blood at the struck ball: 10 per BLOOD step, one ring slot.
  const dotburst& drops = m().bursts[cursor];
  EXPECT_EQ(drops.alive, 1);
  EXPECT_EQ(drops.plasma, 0);
  EXPECT_EQ(drops.count, 40);
  EXPECT_EQ(m().bursts.cursor(), cursor + 1);
  EXPECT_EQ(cued(blowwav), 1);
  EXPECT_EQ(cued(blockwav), 0);
  ASSERT_EQ(last.blowcount, 1);
  EXPECT_EQ(last.blows[0].attacker, 1);
  EXPECT_EQ(last.blows[0].victim, 2);
  EXPECT_EQ(last.blows[0].kind, blowkind::body);

  // Held together, the fist touches every other frame but cannot strike for ten frames.
  for (int frame = 1; frame <= 10; frame++) {
    touch(1, fist, 2, pelvis);
    pass();
    if (frame < 10) {
      EXPECT_FLOAT_EQ(lost(2), 1) << "frame " << frame;
    }
  }
  EXPECT_FLOAT_EQ(lost(2), 1 + 2);  // the second blow of the run deals 2
  EXPECT_EQ(m().message.str(), "2 HIT COMBO!");
}

TEST_F(contacttest, HeadOnHeadIsADoubleBlow) {
  build(gamemode::single);
  m().combo = 3;
  m().rules.slowmotion = 5;
  touch(1, head, 2, head, 10);
  pass();
  EXPECT_FLOAT_EQ(lost(1), 1);
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(m().message.str(), "DOUBLE BLOW!");
  EXPECT_EQ(m().combo, 0);
  EXPECT_EQ(f(1).balls[head].flash, 60);
  EXPECT_EQ(f(2).balls[head].flash, 60);
  // Both blows of the contact pause the game.
  EXPECT_EQ(last.hitpauses, 2);
  EXPECT_EQ(heldticks(last, m()), 2 * hitpauseticks + 1) << "400 ms, then a slowed frame's second tick";
  ASSERT_EQ(last.blowcount, 2);
  EXPECT_EQ(last.blows[0].attacker, 2);
  EXPECT_EQ(last.blows[1].attacker, 1);
  EXPECT_EQ(last.blows[0].kind, blowkind::head);
  EXPECT_EQ(last.blows[1].kind, blowkind::head);

  // Body on body and fist on fist are no blows.
  build(gamemode::single);
  strike(1, thigh, 2, pelvis);
  strike(1, fist, 2, fist);
  strike(1, shin, 2, fist);
  EXPECT_EQ(lost(1) + lost(2), 0);
}

TEST_F(contacttest, SameTeamAndDeadFightersOnlyPushSoftly) {
  for (int variant = 0; variant < 2; variant++) {
    build(variant == 0 ? gamemode::coop : gamemode::single);  // co-op: 1 and 2 are one team
    if (variant == 1) f(2).dead = 1;
    m().rules.plasma = 1;
    m().rules.slowmotion = 5;
    const int cursor = m().bursts.cursor();
    // Head-on at one pixel per frame each: an elastic push swaps the velocities.
    touch(1, fist, 2, pelvis, 10);
    f(1).balls[fist].vx = 1;
    f(2).balls[pelvis].vx = -1;
    pass();
    const ball& a = f(1).balls[fist];
    const ball& b = f(2).balls[pelvis];
    EXPECT_NEAR(b.x - a.x, a.drawradius + b.drawradius + 0.1f, 1e-3);
    EXPECT_NEAR(a.vx, -1, 1e-4);
    EXPECT_NEAR(b.vx, 1, 1e-4);
    EXPECT_EQ(lost(1) + lost(2), 0);
    EXPECT_EQ(b.flash, 0);
    EXPECT_EQ(m().bursts.cursor(), cursor);
    EXPECT_FLOAT_EQ(m().slowmotimer, -1);
    EXPECT_EQ(m().contactwait[1][2], -1);
    EXPECT_EQ(cued(blowwav) + cued(blockwav), 0);
  }

  // The soft push works the same way vertically: a ball falling on one rising.
  build(gamemode::coop);
  ball& top = f(1).balls[pelvis];
  ball& bottom = f(2).balls[pelvis];
  top.x = bottom.x = 0;
  top.y = 0;
  bottom.y = 10;
  top.vy = 2;
  bottom.vy = -1;
  pass();
  EXPECT_NEAR(top.vy, -1, 1e-4);
  EXPECT_NEAR(bottom.vy, 2, 1e-4);
  EXPECT_LT(top.y, 0);
  EXPECT_GT(bottom.y, 10);
}

TEST_F(contacttest, BlockSoundsFollowThePlasmaOption) {
  // Balls held together before the fight: a hard contact every other frame.
  for (int plasma = 0; plasma <= 1; plasma++) {
    build(gamemode::single);
    m().framecount = 10;
    m().rules.plasma = plasma;
    const int before = cued(blockwav);
    for (int frame = 0; frame < 20; frame++) {
      touch(1, fist, 2, pelvis);
      pass();
    }
    EXPECT_EQ(cued(blockwav) - before, plasma == 0 ? 10 : 2) << "plasma " << plasma;
  }
  // Silent at SOUNDS VOLUME 0.
  build(gamemode::single);
  game->settings.soundsvolume = 0;
  const size_t before = media::test::cuedsounds().size();
  strike(1, fist, 2, pelvis);
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(media::test::cuedsounds().size(), before);
}

TEST_F(contacttest, BlowPowerScalesTheKnockBackAndLighterBallsFlyFurther) {
  build(gamemode::single);
  m().framecount = 50;
  m().rules.blowpower = 10;
  touch(1, fist, 2, pelvis);
  pass();
  EXPECT_FLOAT_EQ(f(1).balls[fist].vx, -500);
  EXPECT_FLOAT_EQ(f(2).balls[pelvis].vx, 500);

  build(gamemode::single);
  m().framecount = 50;
  f(1).balls[fist].mass = 1;
  f(2).balls[pelvis].mass = 3;
  touch(1, fist, 2, pelvis);
  pass();
  EXPECT_FLOAT_EQ(f(1).balls[fist].vx, -1.5f * 250);
  EXPECT_FLOAT_EQ(f(2).balls[pelvis].vx, 0.5f * 250);
}

TEST_F(contacttest, PlayerOneBuildsACombo) {
  build(gamemode::single);
  const char* captions[] = {"BODY BLOW!", "2 HIT COMBO!", "3 HIT COMBO!"};
  for (int blow = 1; blow <= 3; blow++) {
    const float before = f(2).energy;
    strike(1, fist, 2, pelvis);
    EXPECT_FLOAT_EQ(before - f(2).energy, float(blow));
    EXPECT_EQ(m().message.str(), captions[blow - 1]);
  }
  EXPECT_EQ(m().comboscore, 14000);
  EXPECT_EQ(m().maxcombo, 3);

  // A head blow of a fourth in a row is still the combo caption.
  strike(1, shin, 2, head);
  EXPECT_EQ(m().message.str(), "4 HIT COMBO!");
  EXPECT_EQ(m().comboscore, 14000 + 16000);
}

TEST_F(contacttest, ARobotsBlowDealsTwoAndBreaksThePlayersRun) {
  build(gamemode::single, 11);  // from level 11 the opponent is a robot
  strike(1, fist, 2, pelvis);
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(m().combo, 2);
  strike(1, pelvis, 2, fist);  // the robot's fist on the player
  EXPECT_FLOAT_EQ(lost(1), 2);
  EXPECT_EQ(m().message.str(), "BODY BLOW!");
  // Its run never grows: a second robot blow deals 2 again.
  strike(1, pelvis, 2, fist);
  EXPECT_FLOAT_EQ(lost(1), 4);
  EXPECT_EQ(m().message.str(), "BODY BLOW!");
  const float before = f(2).energy;
  strike(1, fist, 2, pelvis);
  EXPECT_FLOAT_EQ(before - f(2).energy, 1);
  EXPECT_EQ(m().combo, 1);
  EXPECT_EQ(m().comboscore, 1000 + 4000 + 1000);
  EXPECT_EQ(m().maxcombo, 2);
}

TEST_F(contacttest, CoopPlayersShareOneRun) {
  build(gamemode::coop);  // players 1 and 2 against 3
  strike(1, fist, 3, pelvis);
  strike(2, fist, 3, pelvis);
  EXPECT_EQ(m().message.str(), "2 HIT COMBO!");
  strike(1, fist, 3, pelvis);
  EXPECT_EQ(m().combo, 3);
  EXPECT_FLOAT_EQ(lost(3), 1 + 2 + 3);
  strike(2, pelvis, 3, fist);  // the opponent strikes player 2
  EXPECT_FLOAT_EQ(lost(2), 1);
  strike(1, fist, 3, pelvis);
  EXPECT_EQ(m().combo, 1);
  EXPECT_FLOAT_EQ(lost(3), 1 + 2 + 3 + 1);
}

TEST_F(contacttest, VersusRunsCountBothWays) {
  build(gamemode::versus);
  for (int blow = 1; blow <= 3; blow++) strike(1, pelvis, 2, fist);
  EXPECT_EQ(m().combo, -3);
  EXPECT_EQ(m().message.str(), "3 HIT COMBO!");
  EXPECT_FLOAT_EQ(lost(1), 1 + 2 + 3);
  EXPECT_EQ(m().comboscore, 0);
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(m().combo, 1);
  EXPECT_FLOAT_EQ(lost(2), 1);
  // Energy stops at 0.
  f(2).energy = 0.5f;
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(f(2).energy, 0);
}

TEST_F(contacttest, SlowMotion) {
  // Off: no slow motion, no pause.
  build(gamemode::single);
  double before = media::test::clock();
  touch(1, fist, 2, pelvis);
  pass();
  EXPECT_FLOAT_EQ(lost(2), 1);
  EXPECT_EQ(media::test::clock(), before);
  m().slowmostep();
  EXPECT_EQ(m().dt, 1.0f);
  EXPECT_EQ(heldticks(matchevents{}, m()), 0);

  // Full: a hard contact gives 31 slowed frames at a fifth of the speed.
  build(gamemode::single);
  m().rules.slowmotion = 10;
  m().framecount = 20;
  touch(1, fist, 2, pelvis);
  pass();
  EXPECT_FLOAT_EQ(m().slowmotimer, 30);
  int slowed = 0, paced = 0;
  for (int frame = 0; frame < 40; frame++) {
    m().slowmostep();
    if (m().dt != 1.0f) {
      EXPECT_FLOAT_EQ(m().dt, 0.2f);
      slowed++;
    }
    const int held = heldticks(matchevents{}, m());
    if (held > 0) {  // a frame shown for two ticks: 1/30 s
      EXPECT_EQ(held, 1) << "frame " << frame;
      paced++;
    }
  }
  EXPECT_EQ(paced, 30);
  EXPECT_EQ(slowed, 31);
  EXPECT_EQ(m().dt, 1.0f);

  // Only the first blow of a slow-motion period pauses.
  build(gamemode::single);
  m().rules.slowmotion = 3;
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(last.hitpauses, 1);
  m().slowmotimer = 12;
  strike(1, fist, 2, pelvis);
  EXPECT_EQ(last.hitpauses, 0);
  EXPECT_FLOAT_EQ(lost(2), 1 + 2);
}

}  // namespace
}  // namespace flopfist

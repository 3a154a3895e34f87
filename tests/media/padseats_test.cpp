// The seats of the pads: arrival orders, a returning pad, a third pad, and random plugging.
#include "media/padseats.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

using media::padseats;

TEST(padseats, ArrivalsTakeTheFirstFreeSeatAndAThirdPadIsIgnored) {
  padseats seats;
  EXPECT_EQ(seats.join(111, 10), 1);
  EXPECT_EQ(seats.join(222, 11), 2);
  EXPECT_EQ(seats.join(333, 12), 0);
  EXPECT_EQ(seats.join(111, 10), 1) << "a pad already seated keeps its seat";
  EXPECT_EQ(seats.playerof(12), 0);
  EXPECT_EQ(seats.leave(12), 0) << "the ignored pad had no seat";
  EXPECT_EQ(seats.leave(11), 2);
  EXPECT_EQ(seats.instanceof (2), -1);
  EXPECT_EQ(seats.instanceof (1), 10);
  // Player 2's seat waits for its pad, but a new pad may have it when nothing else is free.
  EXPECT_EQ(seats.join(444, 13), 2);
}

TEST(padseats, AReturningPadGetsItsOwnPlayerWhateverTheOrder) {
  for (bool firstbackfirst : {true, false}) {
    SCOPED_TRACE(firstbackfirst);
    padseats seats;
    seats.join(111, 1);
    seats.join(222, 2);
    seats.leave(1);
    seats.leave(2);
    if (firstbackfirst) {
      EXPECT_EQ(seats.join(111, 3), 1);
      EXPECT_EQ(seats.join(222, 4), 2);
    } else {
      EXPECT_EQ(seats.join(222, 4), 2);
      EXPECT_EQ(seats.join(111, 3), 1);
    }
  }
  // Player 1's pad away, a new pad takes the never-used seat 2, and the first pad comes back to 1.
  padseats seats;
  seats.join(111, 1);
  seats.leave(1);
  EXPECT_EQ(seats.waitingfor(111), 1);
  EXPECT_EQ(seats.join(222, 2), 2);
  EXPECT_EQ(seats.join(111, 3), 1);
}

TEST(padseats, TwoPadsOfOneModelEachFindASeat) {
  padseats seats;
  EXPECT_EQ(seats.join(555, 1), 1);
  EXPECT_EQ(seats.join(555, 2), 2);
  seats.leave(2);
  EXPECT_EQ(seats.join(555, 3), 2) << "the only seat waiting for that model";
}

// Four pads plugged and unplugged at random. Whatever the order: no seat holds two pads, a pad is
// ignored only when both seats hold a pad, and a pad whose seat has waited for it since it left
// (no other pad sat there) gets that seat back.
TEST(padseats, RandomPluggingKeepsTheRules) {
  const char* env = std::getenv("FLOPFIST_FUZZ_SEED");
  const unsigned seed = env != nullptr ? unsigned(std::strtoul(env, nullptr, 10)) : 20261208u;
  std::printf("seed %u (FLOPFIST_FUZZ_SEED)\n", seed);
  std::mt19937 rng(seed);
  padseats seats;
  // Pads 0 and 1 are the same model; an instance number is new at every plugging, as SDL's are.
  const std::array<uint64_t, 4> identity{7, 7, 8, 9};
  std::array<int, 4> instance{-1, -1, -1, -1};  // -1: unplugged
  std::array<int, 4> seatednow{};               // the seat a plugged pad was given, 0 ignored
  std::array<int, 4> lastseat{};                // the seat a pad last sat in, 0 none
  std::array<int, 3> lastsitter{-1, -1, -1};    // the pad that last sat in a seat
  int nextinstance = 0;
  for (int step = 0; step < 5000; ++step) {
    SCOPED_TRACE(step);
    const int pad = int(rng() % 4);
    if (instance[size_t(pad)] >= 0) {
      EXPECT_EQ(seats.leave(instance[size_t(pad)]), seatednow[size_t(pad)]);
      instance[size_t(pad)] = -1;
      continue;
    }
    int occupied = 0;
    for (int p = 1; p <= 2; ++p) occupied += seats.instanceof (p) >= 0 ? 1 : 0;
    const int own = lastseat[size_t(pad)];
    const bool waiting = own != 0 && lastsitter[size_t(own)] == pad && seats.instanceof (own) < 0;
    instance[size_t(pad)] = nextinstance++;
    const int seat = seats.join(identity[size_t(pad)], instance[size_t(pad)]);
    seatednow[size_t(pad)] = seat;
    if (seat == 0) {
      EXPECT_EQ(occupied, 2) << "ignored although a seat was empty";
    } else {
      // A pad of the same model may take the seat first, so the own seat is kept only for a pad
      // whose model no other waiting seat shares.
      const bool twin = (pad <= 1) && lastseat[size_t(1 - pad)] != 0 &&
                        lastsitter[size_t(lastseat[size_t(1 - pad)])] == 1 - pad &&
                        instance[size_t(1 - pad)] < 0;
      if (waiting && !twin) {
        EXPECT_EQ(seat, own) << "a returning pad went to the other player";
      }
      lastseat[size_t(pad)] = seat;
      lastsitter[size_t(seat)] = pad;
    }
    // No seat holds two pads, and each seated pad is plugged in.
    const int one = seats.instanceof (1), two = seats.instanceof (2);
    if (one >= 0 && two >= 0) {
      EXPECT_NE(one, two);
    }
    for (int p = 0; p < 4; ++p) {
      if (instance[size_t(p)] < 0) continue;
      const int at = seats.playerof(instance[size_t(p)]);
      if (at != 0) {
        EXPECT_EQ(seats.instanceof (at), instance[size_t(p)]);
      }
    }
  }
}

}  // namespace

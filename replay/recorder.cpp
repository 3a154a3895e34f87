// The recorder: the set-up at the start, one snapshot a step as runs, the hashes that pin the match.
#include "replay/recorder.h"

namespace flopfist {

namespace {
// A run per frame for eighteen minutes, a checkpoint a second for four and a half hours: past that
// the lists grow, which costs one allocation in a long while.
constexpr size_t runroom = size_t(1) << 16;
constexpr size_t checkpointroom = size_t(1) << 14;
constexpr size_t typedroom = 256;
}  // namespace

void recorder::begin(const matchsetup& setup, const series& s, const scoretable& table, int musictrack) {
  tape_.version = gameversion;
  tape_.info = {};
  tape_.setup = setup;
  tape_.setup.rules = options{};
  for (auto field : matchrules) tape_.setup.rules.*field = setup.rules.*field;
  tape_.startscore = s.score;
  tape_.levelstartscore = s.levelstartscore;
  tape_.name = s.name.name();
  tape_.players = {};
  tape_.table = table.rows;
  tape_.musictrack = musictrack;
  tape_.inputs.clear();
  tape_.inputs.reserve(runroom);
  tape_.typed.clear();
  tape_.typed.reserve(typedroom);
  tape_.checkpoints.clear();
  tape_.checkpoints.reserve(checkpointroom);
  steps_ = 0;
  best_ = false;
}

void recorder::add(const frameinput& in) {
  const uint16_t bits = packinput(in);
  ++steps_;
  if (!tape_.inputs.empty() && tape_.inputs.back().bits == bits) {
    ++tape_.inputs.back().steps;
  } else {
    tape_.inputs.push_back({bits, 1});
  }
}

void recorder::stepped(const match& m) {
  if (steps_ % checkpointsteps == 0) tape_.checkpoints.push_back(uint32_t(m.hash()));
}

void recorder::typed(int code) {
  if (code != 0) tape_.typed.push_back({steps_, code});
}

const replay& recorder::finish(const match& m, int64_t score, int64_t date) {
  tape_.info = {m.mode, m.level, m.ending(), date, steps_, score};
  tape_.finalhash = m.hash();
  return tape_;
}

}  // namespace flopfist

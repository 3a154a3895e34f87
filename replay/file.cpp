// The replay file: a checked header, then the match's set-up, series, inputs and hashes as varints.
//
// Layout: "FLOPREP\n", format (2 bytes), game version (4), payload length (4), CRC-32 (4) of the
// first 18 bytes and the payload, then the payload. Numbers in the payload are LEB128 varints,
// signed ones zigzagged; reals are their 4 bytes, so they come back bit for bit.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "replay/replay.h"
#include "media/folders.h"

namespace flopfist {

namespace {

constexpr std::string_view magic = "FLOPREP\n";
constexpr size_t checkedsize = 18;  // magic, format, version, length: covered by the checksum
constexpr size_t headersize = checkedsize + 4;
constexpr int64_t moststeps = int64_t(60) * 60 * 60 * 24;  // a day of play
constexpr int64_t bignumber = int64_t(1) << 40;
constexpr int64_t bigscore = int64_t(1) << 62;  // leaves room for the bonuses added while watching
constexpr float bigreal = 1e9f;

// CRC-32 (IEEE), table-driven.
constexpr std::array<uint32_t, 256> crctable = [] {
  std::array<uint32_t, 256> t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}();

uint32_t crc32(uint32_t crc, std::string_view bytes) {
  crc = ~crc;
  for (char ch : bytes) crc = crctable[(crc ^ uint8_t(ch)) & 255] ^ (crc >> 8);
  return ~crc;
}

uint32_t checksum(std::string_view file, size_t payloadsize) {
  return crc32(crc32(0, file.substr(0, checkedsize)), file.substr(headersize, payloadsize));
}

class writer {
 public:
  std::string bytes;
  void fixed(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes += char(v >> (8 * i) & 255);
  }
  void varint(uint64_t v) {
    for (; v >= 128; v >>= 7) bytes += char((v & 127) | 128);
    bytes += char(v);
  }
  void number(int64_t v) { varint((uint64_t(v) << 1) ^ uint64_t(v >> 63)); }
  void real(float v) { fixed(std::bit_cast<uint32_t>(v), 4); }
  void text(std::string_view s) {
    varint(s.size());
    bytes += s;
  }
};

// Reads what writer wrote; any value out of its range or past the end marks the whole read failed.
class reader {
 public:
  explicit reader(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool atend() const { return pos_ == bytes_.size(); }
  size_t remaining() const { return bytes_.size() - pos_; }
  void reject() { fail(); }
  uint64_t fixed(int n) {
    if (bytes_.size() - pos_ < size_t(n)) return fail();
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint64_t(uint8_t(bytes_[pos_++])) << (8 * i);
    return v;
  }
  uint64_t varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (pos_ >= bytes_.size()) return fail();
      const uint8_t b = uint8_t(bytes_[pos_++]);
      v |= uint64_t(b & 127) << shift;
      if ((b & 128) == 0) return v;
    }
    return fail();
  }
  int64_t number(int64_t low, int64_t high) {
    const uint64_t z = varint();
    const int64_t v = int64_t(z >> 1) ^ -int64_t(z & 1);
    if (v < low || v > high) return int64_t(fail());
    return v;
  }
  int whole(int64_t low, int64_t high) {
    constexpr int64_t least = std::numeric_limits<int>::min(), most = std::numeric_limits<int>::max();
    return int(number(std::max(low, least), std::min(high, most)));
  }
  float real() {
    const float v = std::bit_cast<float>(uint32_t(fixed(4)));
    if (!(v >= -bigreal && v <= bigreal)) return float(fail());  // no infinity or NaN either
    return v;
  }
  std::string text(size_t most) {
    const uint64_t n = varint();
    if (n > most || n > bytes_.size() - pos_) return fail(), std::string();
    std::string s(bytes_.substr(pos_, size_t(n)));
    pos_ += size_t(n);
    return s;
  }

 private:
  uint64_t fail() {
    ok_ = false;
    pos_ = bytes_.size();
    return 0;
  }
  std::string_view bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// ---- The payload, written and read in the same order ----

void writegrid(writer& w, const int (&g)[10][10]) {
  for (const auto& row : g) {
    for (int v : row) w.number(v);
  }
}
void readgrid(reader& r, int (&g)[10][10]) {
  for (auto& row : g) {
    for (int& v : row) v = r.whole(-bignumber, bignumber);
  }
}

const optionrow& rowof(int options::*field) {
  return *std::find_if(optionrows.begin(), optionrows.end(), [&](const optionrow& row) { return row.field == field; });
}

void writesetup(writer& w, const matchsetup& s) {
  w.number(s.wins[1]);
  w.number(s.wins[2]);
  for (auto field : matchrules) w.number(s.rules.*field);
  const carryover& c = s.carried;
  writegrid(w, c.contactwait);
  writegrid(w, c.sparkwait);
  writegrid(w, c.blowwait);
  w.real(c.slowmotimer);
  w.bytes.append(c.message.text.data(), c.message.text.size());  // all of it: the hash reads all of it
  w.number(c.message.timer);
  w.number(c.burstcursor);
  for (float v : {c.camera.x, c.camera.y, c.camera.zoom}) w.real(v);
  w.number(s.rng.state());
  for (int c = 0; c <= palette::colourcount; ++c) {
    for (int k = 0; k < 4; ++k) {
      w.number(s.colours.colours[c][k]);
      w.real(s.colours.speeds[c][k]);
    }
  }
}

void readsetup(reader& r, matchsetup& s) {
  s.wins[1] = r.whole(0, bignumber);
  s.wins[2] = r.whole(0, bignumber);
  for (auto field : matchrules) s.rules.*field = r.whole(rowof(field).low, rowof(field).high);
  carryover& c = s.carried;
  readgrid(r, c.contactwait);
  readgrid(r, c.sparkwait);
  readgrid(r, c.blowwait);
  c.slowmotimer = r.real();
  for (char& ch : c.message.text) ch = char(r.fixed(1));
  if (c.message.text.back() != '\0') r.reject();  // an unterminated caption
  c.message.timer = r.whole(-bignumber, bignumber);
  c.burstcursor = r.whole(-bignumber, bignumber);
  for (float* v : {&c.camera.x, &c.camera.y, &c.camera.zoom}) *v = r.real();
  s.rng = media::generator(r.whole(1, media::generator::modulus - 1));
  for (int c = 0; c <= palette::colourcount; ++c) {
    for (int k = 0; k < 4; ++k) {
      s.colours.colours[c][k] = r.whole(-1000, 1000);  // a value far outside 0..255 is no palette
      s.colours.speeds[c][k] = r.real();
      if (std::abs(s.colours.speeds[c][k]) > 1000) r.reject();
    }
  }
}

void writepayload(writer& w, const replay& r) {
  const replayinfo& i = r.info;
  for (int64_t v : {int64_t(i.mode), int64_t(i.level), int64_t(i.ending), i.date, int64_t(i.steps), i.score}) {
    w.number(v);
  }
  writesetup(w, r.setup);
  w.number(r.startscore);
  w.number(r.levelstartscore);
  w.text(r.name);
  for (const std::string& player : r.players) w.text(player);
  w.number(int64_t(r.table.size()));
  for (const scoreentry& row : r.table) {
    w.text(row.name);
    w.number(row.points);
  }
  w.number(r.musictrack);
  w.number(int64_t(r.inputs.size()));
  for (const inputrun& run : r.inputs) {
    w.number(run.bits);
    w.number(run.steps);
  }
  w.number(int64_t(r.typed.size()));
  int last = 0;
  for (const typedkey& t : r.typed) {
    w.number(t.step - last);
    w.number(t.code);
    last = t.step;
  }
  w.number(int64_t(r.checkpoints.size()));
  for (uint32_t c : r.checkpoints) w.fixed(c, 4);
  w.fixed(r.finalhash, 8);
}

void readinputs(reader& r, replay& out) {
  const int steps = out.info.steps;
  // Each run takes two bytes at least, which bounds the list before it is made.
  out.inputs.resize(size_t(r.number(1, std::min<int64_t>(steps, int64_t(r.remaining() / 2)))));
  int64_t total = 0;
  for (inputrun& run : out.inputs) {
    run.bits = uint16_t(r.number(0, (1 << 13) - 1));
    run.steps = r.whole(1, steps);
    total += run.steps;
  }
  if (total != steps) r.reject();
  out.typed.resize(size_t(r.number(0, std::min<int64_t>(steps, int64_t(r.remaining() / 2)))));
  int step = 0;
  for (typedkey& t : out.typed) {
    step += r.whole(0, steps - step);
    t = {step, r.whole(0, 255)};
  }
  out.checkpoints.resize(size_t(r.number(steps / checkpointsteps, steps / checkpointsteps)));
  for (uint32_t& c : out.checkpoints) c = uint32_t(r.fixed(4));
  out.finalhash = r.fixed(8);
}

bool readpayload(reader& r, replay& out, uint16_t format) {
  replayinfo& i = out.info;
  i.mode = gamemode(r.number(0, 2));
  i.level = r.whole(1, 20);
  i.ending = result(r.number(1, 3));
  i.date = r.number(0, bignumber);
  i.steps = r.whole(1, moststeps);
  i.score = r.number(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  out.setup.mode = i.mode;
  out.setup.level = i.level;
  readsetup(r, out.setup);
  out.startscore = r.number(-bigscore, bigscore);
  out.levelstartscore = r.whole(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  out.name = r.text(64);
  if (format >= 2) {
    for (std::string& player : out.players) player = r.text(64);
  }
  out.table.resize(size_t(r.number(0, 20)));
  for (scoreentry& row : out.table) {
    row.name = r.text(64);
    row.points = r.number(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  }
  out.musictrack = r.whole(0, 4);
  if (r.ok()) readinputs(r, out);
  return r.ok() && r.atend();
}

loadedreplay problem(replayproblem p, std::string message) {
  loadedreplay l;
  l.problem = p;
  l.message = std::move(message);
  return l;
}

}  // namespace

std::string encodereplay(const replay& r) {
  writer payload;
  writepayload(payload, r);
  return sealreplay(payload.bytes, r.version);
}

std::string sealreplay(std::string_view payload, uint32_t version) {
  writer file;
  file.bytes = magic;
  file.fixed(replayformat, 2);
  file.fixed(version, 4);
  file.fixed(payload.size(), 4);
  file.fixed(0, 4);
  file.bytes += payload;
  const uint32_t crc = checksum(file.bytes, payload.size());
  for (int k = 0; k < 4; ++k) file.bytes[checkedsize + size_t(k)] = char(crc >> (8 * k) & 255);
  return file.bytes;
}

// The checks go from the plainest fault to the subtlest, so each file gets the message that fits:
// a cut or damaged file is named as such before its version is believed.
loadedreplay decodereplay(std::string_view bytes) {
  if (bytes.empty()) return problem(replayproblem::empty, "THE FILE IS EMPTY.");
  const size_t common = std::min(bytes.size(), magic.size());
  if (bytes.substr(0, common) != magic.substr(0, common)) {
    return problem(replayproblem::notareplay, "THIS IS NOT A FLOPFIST REPLAY.");
  }
  if (bytes.size() < headersize) {
    return problem(replayproblem::cutshort, "THE FILE IS CUT SHORT: ONLY " + std::to_string(bytes.size()) + " BYTES ARE LEFT.");
  }
  reader head(bytes.substr(magic.size()));
  const auto format = uint16_t(head.fixed(2));
  const auto version = uint32_t(head.fixed(4));
  const auto length = head.fixed(4);
  const auto crc = uint32_t(head.fixed(4));
  if (bytes.size() - headersize < length) {
    return problem(replayproblem::cutshort, "THE FILE IS CUT SHORT: IT HOLDS " + std::to_string(bytes.size()) +
                                                " OF ITS " + std::to_string(length + headersize) + " BYTES.");
  }
  if (bytes.size() - headersize > length || checksum(bytes, size_t(length)) != crc) {
    return problem(replayproblem::damaged, "THE FILE IS DAMAGED: ITS CHECKSUM DOES NOT MATCH ITS CONTENTS.");
  }
  if (format != replayformat && format != 1) {
    return problem(replayproblem::otherformat, "THE FILE IS IN REPLAY FORMAT " + std::to_string(format) +
                                                   "; THIS GAME READS FORMATS 1 TO " + std::to_string(replayformat) + ".");
  }
  if (version != gameversion) {
    return problem(replayproblem::otherversion,
                   "RECORDED BY GAME VERSION " + std::to_string(version) + "; THIS IS VERSION " +
                       std::to_string(gameversion) + ", WHICH WOULD PLAY THE MATCH DIFFERENTLY.");
  }
  loadedreplay l;
  l.data.version = version;
  reader body(bytes.substr(headersize));
  if (!readpayload(body, l.data, format)) {
    return problem(replayproblem::damaged, "THE FILE IS DAMAGED: ITS CONTENTS DO NOT MAKE A MATCH.");
  }
  return l;
}

loadedreplay loadreplay(const std::string& path) {
  std::string bytes;
  // A day of the busiest play is a few megabytes; a file far larger is not read into memory.
  constexpr size_t mostbytes = size_t(64) << 20;
  if (!media::readbytes(path, bytes, mostbytes)) {
    return problem(replayproblem::unreadable, "THE FILE CANNOT BE READ, OR IS FAR TOO LARGE FOR A REPLAY.");
  }
  return decodereplay(bytes);
}

std::string_view modename(gamemode mode) {
  switch (mode) {
    case gamemode::versus:
      return "2 PLAYERS VS";
    case gamemode::coop:
      return "2 PLAYERS CO-OP";
    default:
      return "1 PLAYER";
  }
}

std::string resultname(const replayinfo& info) {
  if (info.ending == result::left) return "LEFT";
  if (info.mode == gamemode::versus) return info.ending == result::first ? "PLAYER 1 WON" : "PLAYER 2 WON";
  return info.ending == result::first ? "WON" : "LOST";
}

std::string modename(const replay& r) {
  if (r.players[0].empty() || r.players[1].empty()) return std::string(modename(r.info.mode));
  return r.players[0] + " VS " + r.players[1];
}

std::string resultname(const replay& r) {
  const bool named = !r.players[0].empty() && !r.players[1].empty();
  if (!named || r.info.mode != gamemode::versus || r.info.ending == result::left) return resultname(r.info);
  return r.players[r.info.ending == result::first ? 0 : 1] + " WON";
}

}  // namespace flopfist

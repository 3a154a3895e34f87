// Online versus: the ONLINE menu, hosting and joining, and the series played over the link with rollback.
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/replay.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"
#include "media/random.h"
#include "net/confirmed.h"
#include "net/session.h"
#include "net/timeline.h"
#include "net/transport.h"

namespace flopfist {

namespace {

namespace pad = media::pad;

constexpr const char* onlinefile = "online.cfg";  // the input delay, one line; prefs.qmx keeps its format
constexpr int statskey = 114;                      // F3: the link's figures over the match
constexpr int saveslots = 16;                      // the window and the delay fit
constexpr int quitcopies = 3;                      // a quit message is sent this often: one may be lost

// The input bits of a side: its player's directions, and Enter and Space, which either side may press.
constexpr uint16_t sharedbits = (1u << 10) | (1u << 11);
uint16_t sidebits(int side, const directions& d, bool enter, bool space) {
  frameinput in;
  in.player[size_t(side + 1)] = d;
  in.enter = enter;
  in.space = space;
  return packinput(in);
}
frameinput frameof(std::array<uint16_t, 2> in) {
  return unpackinput(uint16_t((in[0] & 0x0F) | (in[1] & 0xF0) | ((in[0] | in[1]) & sharedbits)));
}

uint32_t clock() { return uint32_t(media::millisecs()); }

int loaddelay() {
  media::infile in;
  if (!openregular(in, onlinefile)) return 2;
  const int64_t d = media::toint(in.readline());
  return int(std::clamp<int64_t>(d, 0, 4));
}

// A screen of a title and lines under it; Escape, B or Back answer true.
bool drawwaiting(fightgame& g, std::string_view title, const std::vector<std::string>& lines) {
  media::cls();
  g.cyclecolours();
  g.colours.use(1);
  drawcentred(title, 0.3f, 200);
  media::setcolor(200, 200, 200);
  float y = 320;
  for (const std::string& l : lines) {
    drawfitted(l, 0.13f, y);
    y += 50;
  }
  media::setscale(1, 1);
  g.present();
  return media::keyhit(media::key::escape) + padhits(pad::b) + padhits(pad::back) != 0;
}

// The match setup travels as a replay of one frame: its reader checks every field.
std::string setupbytes(const matchsetup& s, int musictrack) {
  replay r;
  r.setup = s;
  r.setup.rules = options{};
  for (auto field : matchrules) r.setup.rules.*field = s.rules.*field;
  r.info.mode = s.mode;
  r.info.level = s.level;
  r.info.steps = 1;
  r.musictrack = musictrack;
  r.inputs.push_back({0, 1});
  return encodereplay(r);
}

// The series over the link. The match lives in a timeline of ticks; `tape` follows it on confirmed
// frames only, and is what the replays are made from.
class onlineseries {
 public:
  onlineseries(fightgame& g, net::transport& link, int side, const matchsetup& setup)
      : g_(g), link_(link), side_(side), first_(setup),
        s_({side, g.onlinedelay, 8, 3000}, clock()),
        live_(setup), tape_(setup), saves_(saveslots, live_) {
    live_.series = tape_.series = true;
  }
  void run();

 private:
  void tick();
  void fulfil(const net::request& r);
  void followconfirmed();
  void beginreplay(const matchsetup& setup);
  void drawstats();
  void leave();
  void keeptape();
  std::string ending() const;

  fightgame& g_;
  net::transport& link_;
  int side_;
  matchsetup first_;
  net::session s_;
  net::timeline live_, tape_;
  std::vector<net::timeline> saves_;
  net::confirmedinputs confirmed_;
};

void onlineseries::fulfil(const net::request& r) {
  net::timeline& slot = saves_[size_t(r.frame) % saves_.size()];
  switch (r.kind) {
    case net::requestkind::save:
      slot = live_;
      if (r.hash) s_.saved(r.frame, live_.hash());
      break;
    case net::requestkind::restore:
      live_ = slot;
      break;
    case net::requestkind::advance: {
      confirmed_.stepped(r);
      const matchevents ev = live_.step(frameof(r.inputs));
      // A frame stepped again after a rollback stays silent: its sounds were heard the first time.
      // The hit pause is not waited here: the timeline holds its ticks.
      if (!r.first) break;
      for (int k = 0; k < ev.soundcount; ++k) {
        g_.playeffect(ev.sounds[size_t(k)] == sound::blow ? g_.art.blowsound : g_.art.blocksound);
      }
      break;
    }
  }
}

void onlineseries::beginreplay(const matchsetup& setup) {
  g_.current.wins = setup.wins;
  g_.taping.begin(setup, g_.current, g_.scores, g_.music.track);
}

// The tape steps each frame once it is confirmed, with the inputs it was last stepped with: those
// are the real ones. A finished match is kept as a replay on both machines.
void onlineseries::followconfirmed() {
  confirmed_.follow(s_, [&](int, std::array<uint16_t, 2> inputs) {
    const frameinput in = frameof(inputs);
    if (tape_.series && tape_.now.state == matchstate::end) {
      const matchsetup next = net::nextmatch(tape_.now);
      g_.playing = tape_.now;
      g_.keepreplay();
      (void)tape_.step(in);
      beginreplay(next);
      return;
    }
    const bool steps = tape_.hold == 0;
    if (steps) g_.taping.add(in);
    (void)tape_.step(in);
    if (steps) g_.taping.stepped(tape_.now);
  });
}

// The match being played is kept too, for a look at what happened: left where both sides' replays
// end, with one step of Escape as a match left at home has.
void onlineseries::keeptape() {
  if (tape_.now.state != matchstate::end && g_.taping.steps() > 0) {
    frameinput escape;
    escape.escape = true;
    g_.taping.add(escape);
    (void)tape_.now.step(escape);
    g_.taping.stepped(tape_.now);
  }
  g_.playing = tape_.now;
  g_.keepreplay();
}

void onlineseries::drawstats() {
  const net::linkstats& st = s_.stats();
  char text[160];
  std::snprintf(text, sizeof text, "ROUND TRIP %d MS   ROLLED BACK %d (LAST %d)   DELAY %d   WAITED %d   SLOWED %d",
                st.rttms, st.rollbacks, st.lastdepth, s_.delay(), st.waited, st.slowed);
  media::setscale(1, 1);
  media::setcolor(255, 255, 255);
  drawfitted(text, 0.1f, 730);
  media::setscale(1, 1);
}

// The match ends at the last frame both sides' inputs are known for, on both machines: the
// replays are then alike.
void onlineseries::leave() {
  for (const net::request& r : s_.leave(clock())) fulfil(r);
  for (int k = 0; k < quitcopies; ++k) link_.send(s_.quitmessage());
  link_.poll(clock());
  followconfirmed();
}

void onlineseries::tick() {
  const uint32_t now = clock();
  link_.poll(now);
  net::packet p;
  while (link_.next(p)) s_.receive(p.view(), now);
  const directions d = [&] {
    const directions k = g_.keys.held(1), pd = padsteer(1);
    return directions{k.up || pd.up, k.down || pd.down, k.left || pd.left, k.right || pd.right};
  }();
  const uint16_t local = sidebits(side_, d, media::keydown(media::key::enter) || padsheld(pad::a),
                                  media::keydown(media::key::space));
  for (const net::request& r : s_.advance(local, now)) fulfil(r);
  link_.send(s_.outgoing());
  link_.poll(now);
  followconfirmed();
}

std::string onlineseries::ending() const {
  switch (s_.state()) {
    case net::linkstate::disconnected:
      return "CONNECTION LOST";
    case net::linkstate::peerquit:
      return side_ == 0 ? "THE GUEST LEFT" : "THE HOST LEFT";
    case net::linkstate::left:
    case net::linkstate::desynced:
      return "THE TWO GAMES DIFFER FROM FRAME " + std::to_string(s_.desyncframe());
    case net::linkstate::running:
      break;
  }
  return "";
}

void onlineseries::run() {
  g_.current.mode = gamemode::versus;
  g_.current.name = nameentry{};
  for (char c : std::string_view(side_ == 0 ? "HOST" : "GUEST")) g_.current.name.type(c);
  beginreplay(first_);
  g_.startmusic();
  flushmenukeys();
  while (s_.state() == net::linkstate::running) {
    g_.updatemusic();  // the next track when one ends
    tick();
    if (media::keyhit(statskey) != 0) g_.linkshown = !g_.linkshown;
    media::cls();
    live_.now.draw(g_.art.images);
    if (g_.linkshown) drawstats();
    if (media::terminaterequest()) {
      // Closing the window tells the other side at once; the replay is kept before the end.
      leave();
      keeptape();
      media::endprogram(0);
    }
    if (media::keyhit(media::key::escape) + padhits(pad::b) + padhits(pad::back) != 0) {
      leave();
      break;
    }
    g_.present();
  }
  g_.stopmusic();
  keeptape();
  g_.carried = tape_.now.leftover();
  g_.colours = tape_.now.colours;
  const std::string why = ending();
  flushmenukeys();
  if (!why.empty()) g_.messagescreen(why, "THE REPLAY IS KEPT IN REPLAYS");
}

}  // namespace

void fightgame::onlinemenu() {
  onlinedelay = loaddelay();
  int selection = 1;
  flushmenukeys();
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred("2 PLAYERS ONLINE", 0.3f, 60);
    const std::array<std::string, 4> rows{"HOST GAME", "JOIN GAME", "INPUT DELAY: " + std::to_string(onlinedelay),
                                          "BACK"};
    for (int i = 1; i <= 4; ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(rows[size_t(i - 1)], 0.3f, 180.0f + 100.0f * float(i));
    }
    media::setscale(1, 1);
    present();
    // Read after the present, so a key acts in the frame it came, as in the other menus.
    const menuinput in = readmenu();
    selection = (selection - 1 + in.down - in.up + 4 * 8) % 4 + 1;
    if (selection == 3 && in.left + in.right != 0) {
      onlinedelay = std::clamp(onlinedelay + in.right - in.left, 0, 4);
      media::savefile(onlinefile, std::to_string(onlinedelay) + "\n");
    }
    if (in.back || (in.choose && selection == 4)) return;
    if (in.choose && selection == 1) hostonline(net::defaultport);
    if (in.choose && selection == 2) {
      // The address typed: digits, letters, dots, a colon; Backspace takes one back.
      std::string typed;
      flushmenukeys();
      for (;;) {
        const int c = media::nextchar();
        if (c == media::key::backspace && !typed.empty()) typed.pop_back();
        if (c > 32 && c < 127 && typed.size() < 60) typed.push_back(char(c));
        if (media::keyhit(media::key::enter) != 0 && !typed.empty()) {
          joinonline(typed);
          break;
        }
        if (drawwaiting(*this, "JOIN GAME", {"ADDRESS[:PORT] " + typed + "_", "ENTER: CONNECT   ESCAPE: BACK"})) break;
      }
    }
    if (in.choose) flushmenukeys();
  }
}

void fightgame::hostonline(int port) {
  onlinedelay = loaddelay();
  std::string error;
  if (port == 0) port = net::defaultport;  // --host without a port
  auto link = net::hostgame(uint16_t(std::clamp(port, 0, 65535)), error);
  if (link == nullptr) {
    messagescreen("CANNOT HOST", error);
    return;
  }
  std::vector<std::string> lines{"WAITING FOR A PLAYER ON PORT " + std::to_string(link->port())};
  for (const std::string& a : net::localaddresses()) lines.push_back("THIS MACHINE: " + a);
  lines.push_back("ESCAPE: BACK");
  flushmenukeys();
  while (link->phase() == net::linkphase::waiting) {
    link->poll(clock());
    if (drawwaiting(*this, "HOST GAME", lines)) return;
  }
  // The host's rules, score, generator, palette and counters make both sides' first match.
  matchsetup setup;
  setup.mode = gamemode::versus;
  setup.level = 1;
  setup.rules = settings;
  setup.carried = carried;
  setup.rng = media::sharedgenerator();
  setup.colours = colours;
  link->sendwhole(setupbytes(setup, music.track));
  link->poll(clock());
  // Held on the heap: its matches and their saved copies run to megabytes.
  std::make_unique<onlineseries>(*this, *link, 0, setup)->run();
  media::sharedgenerator() = playing ? playing->rng : media::sharedgenerator();
}

void fightgame::joinonline(const std::string& where) {
  onlinedelay = loaddelay();
  std::string address;
  uint16_t port = 0;
  if (!net::splitaddress(where, address, port)) {
    messagescreen("CANNOT JOIN", "\"" + where + "\" IS NOT AN ADDRESS[:PORT]");
    return;
  }
  auto link = net::joingame(address, port, clock());
  if (link == nullptr) {
    messagescreen("CANNOT JOIN", "THE NETWORK COULD NOT START");
    return;
  }
  flushmenukeys();
  std::string bytes;
  // A host that welcomed this machine but sends no match within the silence allowed is gone.
  uint32_t heard = clock();
  while (!link->nextwhole(bytes)) {
    link->poll(clock());
    if (link->phase() != net::linkphase::joined) heard = clock();
    if (link->phase() == net::linkphase::refused || link->phase() == net::linkphase::failed) {
      messagescreen("CANNOT JOIN", link->problem());
      return;
    }
    if (clock() - heard > 3000) {
      messagescreen("CANNOT JOIN", "THE HOST IS GONE");
      return;
    }
    if (drawwaiting(*this, "JOIN GAME", {"CONNECTING TO " + address + ":" + std::to_string(port), "ESCAPE: BACK"})) return;
  }
  const loadedreplay l = decodereplay(bytes);
  if (l.problem != replayproblem::none) {
    messagescreen("CANNOT JOIN", "THE HOST'S MATCH COULD NOT BE READ: " + l.message);
    return;
  }
  matchsetup setup = l.data.setup;
  setup.mode = gamemode::versus;
  music.track = std::clamp(l.data.musictrack, 1, 4);
  std::make_unique<onlineseries>(*this, *link, 1, setup)->run();
}

}  // namespace flopfist

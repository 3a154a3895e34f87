// Online versus: a series played over the link with rollback, and kept as replays on both machines.
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/online.h"
#include "replay/replay.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"
#include "net/confirmed.h"
#include "net/rollback.h"
#include "net/session.h"
#include "match/timeline.h"
#include "net/transport.h"

namespace flopfist {

namespace {

namespace pad = media::pad;

constexpr int statskey = 114;                      // F3: the link's figures over the match
constexpr int quitcopies = 3;                      // a quit message is sent this often: one may be lost

uint32_t clock() { return uint32_t(media::millisecs()); }

// The series over the link. The match lives in a timeline of ticks; `tape` follows it on confirmed
// frames only, and is what the replays are made from.
class onlineseries {
 public:
  onlineseries(fightgame& g, openlink& open, const matchsetup& setup)
      : g_(g), link_(*open.link), side_(open.side), names_(open.names), first_(setup),
        config_{open.side, g.onlinedelay, 8, 3000}, s_(config_, clock()),
        live_(seriesstart(setup), net::savedstates(config_)), tape_(seriesstart(setup)) {}
  void run();
  net::linkstate state() const { return s_.state(); }
  const match& last() const { return tape_.now; }  // the confirmed match where the series ended
  std::string ending() const;  // why the series ended, when the other side or the link ended it

 private:
  static timeline seriesstart(const matchsetup& setup) {
    timeline t(setup);
    t.series = true;
    return t;
  }
  void tick();
  void fulfil(std::span<const net::request> requests);
  void followconfirmed();
  void beginreplay(const matchsetup& setup);
  void drawstats();
  void leave();
  void keeptape();

  fightgame& g_;
  net::transport& link_;
  int side_;
  std::array<std::string, 2> names_;
  matchsetup first_;
  net::sessionconfig config_;
  net::session s_;
  net::rollback<timeline> live_;
  timeline tape_;
  net::confirmedinputs confirmed_;
};

// A frame stepped again after a rollback stays silent: its sounds were heard the first time. The
// hit pause is not waited here: the timeline holds its ticks.
void onlineseries::fulfil(std::span<const net::request> requests) {
  live_.carry(s_, requests, [&](const net::request& r, const matchevents& ev) {
    confirmed_.stepped(r);
    if (r.fresh) g_.playsounds(ev);
  });
}

void onlineseries::beginreplay(const matchsetup& setup) {
  g_.current.wins = setup.wins;
  g_.taping.begin(setup, g_.current, g_.scores, g_.music.track);
  g_.taping.players(names_);
}

// The tape steps each frame once it is confirmed, with the inputs it was last stepped with: those
// are the real ones. A finished match is kept as a replay on both machines.
void onlineseries::followconfirmed() {
  confirmed_.follow(s_, [&](int, std::array<uint16_t, 2> inputs) {
    const frameinput in = mergeinputs(inputs);
    if (tape_.series && tape_.now.state == matchstate::end) {
      const matchsetup next = nextmatch(tape_.now);
      g_.keepreplay(tape_.now);
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
  g_.keepreplay(tape_.now);
}

void onlineseries::drawstats() {
  const net::linkstats& st = s_.stats();
  char text[192];
  std::snprintf(text, sizeof text, "%s   ROUND TRIP %d MS   ROLLED BACK %d (LAST %d)   DELAY %d   WAITED %d   SLOWED %d",
                net::pathname(link_.path()), st.rttms, st.rollbacks, st.lastdepth, s_.delay(), st.waited, st.slowed);
  media::setscale(1, 1);
  media::setcolor(255, 255, 255);
  drawfitted(text, 0.1f, 730);
  media::setscale(1, 1);
}

// The match ends at the last frame both sides' inputs are known for, on both machines: the
// replays are then alike.
void onlineseries::leave() {
  fulfil(s_.leave(clock()));
  for (int k = 0; k < quitcopies; ++k) link_.send(s_.quitmessage());
  link_.poll(clock());
  followconfirmed();
}

void onlineseries::tick() {
  const uint32_t now = clock();
  link_.poll(now);
  net::packet p;
  while (link_.next(p)) s_.receive(p.view(), now);
  fulfil(s_.advance(onlineinput(g_, side_), now));
  link_.send(s_.outgoing());
  link_.poll(now);
  followconfirmed();
}

std::string onlineseries::ending() const {
  return seriesending(s_.state(), s_.desyncframe(), names_[size_t(1 - side_)]);
}

void onlineseries::run() {
  g_.current.mode = gamemode::versus;
  g_.current.name = nameentry{};  // the players' names go in the replays' own field
  beginreplay(first_);
  g_.startmusic();
  flushmenukeys();
  while (s_.state() == net::linkstate::running) {
    g_.updatemusic();  // the next track when one ends
    tick();
    if (media::keyhit(statskey) != 0) g_.linkshown = !g_.linkshown;
    media::cls();
    live_.live.now.draw(g_.art.images);
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
  flushmenukeys();
}

}  // namespace

// The keys and pad of player 1 steer this side, latched as local play takes them: a tap shorter
// than a frame still counts in the next tick.
uint16_t onlineinput(const fightgame& g, int side) {
  const frameinput in = g.takeinput();
  return sidebits(side, in.player[1], in.enter, in.space);
}

std::string seriesending(net::linkstate end, int desyncframe, const std::string& theirname) {
  switch (end) {
    case net::linkstate::disconnected:
      return "CONNECTION LOST";
    case net::linkstate::peerquit:
      return theirname + " LEFT THE MATCH";
    case net::linkstate::desynced:
      if (desyncframe >= 0) return "THE TWO GAMES DIFFER FROM FRAME " + std::to_string(desyncframe);
      return "THE TWO GAMES DIFFER";
    case net::linkstate::left:     // this side chose to go: nothing to tell it
    case net::linkstate::running:
      break;
  }
  return "";
}

media::generator playonline(fightgame& g, openlink& open, const matchsetup& setup) {
  // Held on the heap: its matches and their saved copies run to megabytes.
  auto series = std::make_unique<onlineseries>(g, open, setup);
  series->run();
  const net::linkstate end = series->state();
  const std::string why = series->ending();
  if (end == net::linkstate::peerquit) {
    // The link stays open for a rematch: the news waits in the ONLINE menu, which keeps it served.
    open.news = why + ". THE REPLAY IS KEPT";
  } else if (!why.empty()) {
    open.link.reset();
    g.messagescreen(why, "THE REPLAY IS KEPT IN REPLAYS");
  }
  return series->last().rng;
}

}  // namespace flopfist

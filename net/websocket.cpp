// A page's transport: one WebSocket to the lobby, which relays every datagram of the match. A page
// sends no UDP, so it punches nothing and reaches no game by address: it hosts and joins by room
// code, always through the relay. The socket itself is the page's own (JavaScript below); the game
// polls it as it polls a UDP socket, and nothing waits.
#include <emscripten/emscripten.h>

#include <random>

#include "match/version.h"
#include "net/games.h"
#include "net/link.h"
#include "net/packet.h"

// The page's sockets, by number. What comes while the game is busy waits in a short queue; what is
// sent before the socket is open waits for it. Both drop past their bounds, as a router would.
EM_JS(int, flopfist_ws_open, (const char* where), {
  var url = UTF8ToString(where);
  if (url.indexOf('ws://') !== 0 && url.indexOf('wss://') !== 0)
    url = (location.protocol === 'https:' ? 'wss://' : 'ws://') + url + '/';
  var s = {inbox: [], waiting: [], ws: null};
  try {
    s.ws = new WebSocket(url);
  } catch (e) {
    return -1;
  }
  s.ws.binaryType = 'arraybuffer';
  s.ws.onopen = function() {
    s.waiting.forEach(function(b) { s.ws.send(b); });
    s.waiting = [];
  };
  s.ws.onmessage = function(e) {
    if (e.data instanceof ArrayBuffer && s.inbox.length < 256) s.inbox.push(new Uint8Array(e.data));
  };
  var all = Module.flopfistSockets || (Module.flopfistSockets = []);
  all.push(s);
  return all.length - 1;
});

EM_JS(void, flopfist_ws_send, (int id, const uint8_t* bytes, int size), {
  var s = Module.flopfistSockets[id];
  if (!s) return;
  var copy = HEAPU8.slice(bytes, bytes + size);
  if (s.ws.readyState === 1) s.ws.send(copy);
  else if (s.ws.readyState === 0 && s.waiting.length < 16) s.waiting.push(copy);
});

// The next message's length once copied, 0 when none waits; longer ones than `most` are dropped.
EM_JS(int, flopfist_ws_receive, (int id, uint8_t* into, int most), {
  var s = Module.flopfistSockets[id];
  while (s && s.inbox.length > 0) {
    var m = s.inbox.shift();
    if (m.length === 0 || m.length > most) continue;
    HEAPU8.set(m, into);
    return m.length;
  }
  return 0;
});

EM_JS(void, flopfist_ws_close, (int id), {
  var s = Module.flopfistSockets[id];
  if (!s) return;
  // Words sent just before (a goodbye, a leave) still go: closing waits for what is buffered.
  if (s.ws.readyState <= 1) s.ws.close();
  Module.flopfistSockets[id] = null;
});

namespace flopfist::net {

namespace {

// Where the lobby's words come from and go to: the socket has one end only, so any fixed address
// will do, as long as it is no real one.
constexpr address4 lobbyend{0, 1};

class websocketlink final : public datagrams {
 public:
  explicit websocketlink(int id) : id_(id) {}
  ~websocketlink() override { flopfist_ws_close(id_); }
  void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t) override {
    // Only the lobby is reachable; a probe to another game's address goes nowhere.
    if (to == lobbyend) flopfist_ws_send(id_, bytes.data(), int(bytes.size()));
  }
  bool receive(datagram& into) override {
    const int n = flopfist_ws_receive(id_, into.bytes.data(), int(into.bytes.size()));
    if (n <= 0) return false;
    into.size = size_t(n);
    into.from = lobbyend;
    return true;
  }
  uint16_t port() const override { return 0; }

 private:
  int id_;
};

// A socket that reaches nothing: a joiner by address in a page fails at once with its reason.
class nowhere final : public datagrams {
 public:
  void sendto(const address4&, std::span<const uint8_t>, uint8_t) override {}
  bool receive(datagram&) override { return false; }
  uint16_t port() const override { return 0; }
};

std::unique_ptr<datagrams> openlobby(std::string_view lobby, std::string& error) {
  const std::string url = lobbywebsocket(lobby);
  const int id = url.empty() ? -1 : flopfist_ws_open(url.c_str());
  if (id < 0) {
    error = "THE LOBBY " + std::string(lobby) + " WAS NOT FOUND";
    return nullptr;
  }
  return std::make_unique<websocketlink>(id);
}

linksettings bycode(bool hosting) {
  linksettings s;
  s.hosting = hosting;
  s.lobby = lobbyend;
  s.meet.mine = {protocolversion, gameversion};
  s.meet.canpunch = false;
  return s;
}

}  // namespace

std::vector<address4> localaddresses() { return {}; }

std::unique_ptr<lanlistener> listenlan(std::string& error) {
  error = "A PAGE HEARS NO BROADCASTS";
  return nullptr;
}

std::unique_ptr<transport> hostgame(uint16_t, std::string& error, std::string_view lobby,
                                    uint32_t now, lanbeacons, std::string_view) {
  if (lobby.empty()) {
    error = "A PAGE HOSTS BY ROOM CODE ONLY, AND NO LOBBY IS SET: CHOOSE LOBBY IN THE ONLINE MENU";
    return nullptr;
  }
  auto socket = openlobby(lobby, error);
  if (socket == nullptr) return nullptr;
  return makelink(std::move(socket), bycode(true), now, std::random_device{}());
}

std::unique_ptr<transport> joingame(std::string_view, uint16_t, uint32_t now, uint32_t) {
  linksettings s;
  s.hosting = false;
  s.failure = "A PAGE JOINS BY ROOM CODE ONLY: IT CANNOT REACH AN ADDRESS";
  return makelink(std::make_unique<nowhere>(), s, now, 0);
}

std::unique_ptr<transport> joinbycode(std::string_view code, std::string_view lobby, uint32_t now,
                                      std::string& error) {
  auto socket = openlobby(lobby, error);
  if (socket == nullptr) return nullptr;
  linksettings s = bycode(false);
  s.meet.code = std::string(code);
  return makelink(std::move(socket), s, now, std::random_device{}());
}

}  // namespace flopfist::net

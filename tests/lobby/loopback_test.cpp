// The real flopfist-lobby on 127.0.0.1: a desktop game over UDP hosts, a browser over WebSocket
// (plain and TLS) joins, the lobby pairs them and relays between them, logs each room event, and
// ends cleanly on SIGTERM. The WebSocket side is a small client written here from the protocol's
// framing rules, so the lobby is checked against the protocol, not against its own library.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/rendezvous.h"
#include "tests/lobby/lobbyprocess.h"

namespace flopfist::net {
namespace {

using bytes = std::vector<uint8_t>;

bytes bytesof(const word& w) {
  const wordbytes b = encode(w);
  return {b.bytes.begin(), b.bytes.begin() + std::ptrdiff_t(b.size)};
}

void timeout(int fd, int seconds) {
  timeval tv{seconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// A desktop game's UDP socket.
struct udpgame {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  uint16_t lobbyport;
  explicit udpgame(uint16_t port) : lobbyport(port) {
    const sockaddr_in me = loopback(0);
    bind(fd, reinterpret_cast<const sockaddr*>(&me), sizeof me);
    timeout(fd, 5);
  }
  ~udpgame() { close(fd); }
  void send(const bytes& b) {
    const sockaddr_in to = loopback(lobbyport);
    sendto(fd, b.data(), b.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  bytes receive() {
    bytes b(2048);
    const ssize_t n = recv(fd, b.data(), b.size(), 0);
    b.resize(n > 0 ? size_t(n) : 0);
    return b;
  }
  uint16_t port() const {
    sockaddr_in me{};
    socklen_t len = sizeof me;
    getsockname(fd, reinterpret_cast<sockaddr*>(&me), &len);
    return ntohs(me.sin_port);
  }
};

// A browser's WebSocket: the opening handshake and binary frames, masked as a client must.
class wsgame {
 public:
  wsgame(uint16_t port, bool tls) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = loopback(port);
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) return;
    timeout(fd_, 5);
    if (tls) {
      ctx_ = SSL_CTX_new(TLS_client_method());
      ssl_ = SSL_new(ctx_);
      SSL_set_fd(ssl_, fd_);
      if (SSL_connect(ssl_) != 1) return;
    }
    const std::string request =
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    if (!write(request.data(), request.size())) return;
    std::string reply;
    char c = 0;
    while (reply.find("\r\n\r\n") == std::string::npos && readall(&c, 1)) reply += c;
    // The accept key for the key above, from the protocol's own example.
    open_ = reply.starts_with("HTTP/1.1 101") && reply.find("s3pPLMBiTxaQ9kYGzzhZRbK+xOo=") != std::string::npos;
  }
  ~wsgame() {
    if (ssl_ != nullptr) SSL_free(ssl_);
    if (ctx_ != nullptr) SSL_CTX_free(ctx_);
    close(fd_);
  }
  bool open() const { return open_; }
  void send(const bytes& b) {
    bytes frame{0x82};
    if (b.size() < 126) {
      frame.push_back(uint8_t(0x80 | b.size()));
    } else {
      frame.insert(frame.end(), {0x80 | 126, uint8_t(b.size() >> 8), uint8_t(b.size())});
    }
    const uint8_t mask[4] = {0x37, 0xFA, 0x21, 0x3D};
    frame.insert(frame.end(), mask, mask + 4);
    for (size_t k = 0; k < b.size(); ++k) frame.push_back(b[k] ^ mask[k % 4]);
    write(frame.data(), frame.size());
  }
  // The next binary message; empty on a close, an error or after 5 s.
  bytes receive() {
    for (;;) {
      uint8_t head[2];
      if (!readall(head, 2)) return {};
      size_t size = head[1] & 0x7F;
      if (size == 126) {
        uint8_t ext[2];
        if (!readall(ext, 2)) return {};
        size = size_t(ext[0]) << 8 | ext[1];
      }
      bytes b(size);
      if (size > 0 && !readall(b.data(), size)) return {};
      const int opcode = head[0] & 0x0F;
      if (opcode == 0x2) return b;
      if (opcode == 0x8) return {};
    }
  }
  void shut() { shutdown(fd_, SHUT_RDWR); }

 private:
  bool write(const void* p, size_t n) {
    return ssl_ != nullptr ? SSL_write(ssl_, p, int(n)) == int(n) : ::send(fd_, p, n, MSG_NOSIGNAL) == ssize_t(n);
  }
  bool readall(void* p, size_t n) {
    auto* at = static_cast<uint8_t*>(p);
    while (n > 0) {
      const ssize_t got = ssl_ != nullptr ? SSL_read(ssl_, at, int(n)) : recv(fd_, at, n, 0);
      if (got <= 0) return false;
      at += got;
      n -= size_t(got);
    }
    return true;
  }
  int fd_ = -1;
  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
  bool open_ = false;
};

word openword() {
  word w;
  w.kind = wordkind::open;
  w.nonce = 11;
  w.mine = {2, 1};
  w.lancount = 1;
  w.lan[0] = {0xC6336405, 27960};  // 198.51.100.5, never sent to: it is only reported
  return w;
}

word joinword(const roomcode& code) {
  word w;
  w.kind = wordkind::join;
  w.nonce = 12;
  w.code = code;
  w.mine = {2, 1};
  return w;
}

word keyword(wordkind kind, uint64_t key) {
  word w;
  w.kind = kind;
  w.key = key;
  return w;
}

template <typename game>
word ask(game& g, const word& w) {
  g.send(bytesof(w));
  const bytes b = g.receive();
  return decodeword(b);
}

TEST(loopback, ADesktopHostAndABrowserGuestMeetAndAreRelayedUntilTheLobbyIsStopped) {
  lobbyprocess lobby({"--address", "127.0.0.1", "--port", "0", "--ws-port", "0", "--max-rooms", "5"});
  const ports p = started(lobby);
  ASSERT_NE(p.udp, 0) << "the lobby did not say where it listens";
  udpgame host(p.udp);
  const word room = ask(host, openword());
  ASSERT_EQ(room.kind, wordkind::room);
  ASSERT_TRUE(lobby.waitfor("created"));
  EXPECT_EQ(ask(host, keyword(wordkind::keepalive, room.key)).kind, wordkind::alive);

  wsgame guest(p.ws, false);
  ASSERT_TRUE(guest.open()) << "no WebSocket handshake";
  word older = joinword(room.code);
  older.mine = {2, 0};
  const word no = ask(guest, older);
  ASSERT_EQ(no.kind, wordkind::refuse);
  EXPECT_EQ(refusewords(no), "THE HOST RUNS VERSION 1 (PROTOCOL 2), THIS GAME VERSION 0 (PROTOCOL 2)");
  const std::optional<std::string> refused = lobby.waitfor("refused");
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->find("host version 1 protocol 2, guest version 0 protocol 2"), std::string::npos) << *refused;

  const word seat = ask(guest, joinword(room.code));
  ASSERT_EQ(seat.kind, wordkind::seat);
  const word topeer = ask(guest, keyword(wordkind::keepalive, seat.key));
  ASSERT_EQ(topeer.kind, wordkind::peer);
  EXPECT_EQ(topeer.key, room.key);
  EXPECT_EQ(topeer.seen, (address4{0x7F000001, host.port()})) << "the host's address as the lobby saw it";
  EXPECT_EQ(topeer.lan[0], openword().lan[0]);
  const word hostpeer = decodeword(host.receive());
  ASSERT_EQ(hostpeer.kind, wordkind::peer);
  EXPECT_EQ(hostpeer.seen.port, 0) << "a browser has no address to punch to";
  ASSERT_TRUE(lobby.waitfor("joined"));

  // A datagram of the match each way, through the relay, byte for byte.
  const std::vector<uint8_t> payload(80, 0x42), back(200, 0x17);
  word r = keyword(wordkind::relay, room.key);
  r.payload = payload;
  host.send(bytesof(r));
  const bytes got = guest.receive();
  EXPECT_EQ(got, bytesof(r));
  ASSERT_TRUE(lobby.waitfor("relayed"));
  r.payload = back;
  guest.send(bytesof(r));
  EXPECT_EQ(host.receive(), bytesof(r));
  // A stranger holding the token is not relayed: the guest's next word is the host's next one.
  udpgame stranger(p.udp);
  stranger.send(bytesof(r));
  r.payload = payload;
  host.send(bytesof(r));
  EXPECT_EQ(guest.receive(), bytesof(r));

  // The browser closes its connection: the room ends and the host hears it.
  guest.shut();
  const word gone = decodeword(host.receive());
  EXPECT_EQ(gone.kind, wordkind::gone);
  ASSERT_TRUE(lobby.waitfor("ended"));

  EXPECT_EQ(lobby.terminate(), 0);
  ASSERT_TRUE(lobby.waitfor("stopping"));
}

TEST(loopback, TheWebSocketPortSpeaksTLSWithACertificate) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("flopfist-lobby-tls-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  const std::string make = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                           "-subj /CN=localhost -keyout " + key + " -out " + cert + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << "openssl could not make a certificate";
  {
    lobbyprocess lobby({"--address", "127.0.0.1", "--port", "0", "--ws-port", "0", "--cert", cert, "--key", key});
    const ports p = started(lobby);
    ASSERT_NE(p.ws, 0);
    EXPECT_TRUE(lobby.lines.back().find("wss port") != std::string::npos) << lobby.lines.back();
    wsgame game(p.ws, true);
    ASSERT_TRUE(game.open()) << "no WebSocket handshake over TLS";
    const word room = ask(game, openword());
    EXPECT_EQ(room.kind, wordkind::room);
    EXPECT_TRUE(validcode(std::string(room.code.begin(), room.code.end())));
    // A plain WebSocket client on the TLS port gets no room.
    wsgame plain(p.ws, false);
    EXPECT_FALSE(plain.open());
    EXPECT_EQ(lobby.terminate(), 0);
  }
  std::filesystem::remove_all(dir);
}

TEST(loopback, TheCommandLineIsCheckedBeforeAnythingListens) {
  lobbyprocess help({"--help"});
  ASSERT_TRUE(help.waitfor("--max-rooms"));
  EXPECT_EQ(help.wait(), 0);
  for (std::vector<std::string> wrong : {std::vector<std::string>{"--port", "70000"}, {"--max-rooms", "0"},
                                         {"--prefix", "O"}, {"--cert", "x.pem"}, {"--ports", "1"}}) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      std::vector<char*> argv{const_cast<char*>(FLOPFIST_LOBBY_PROGRAM)};
      for (std::string& a : wrong) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << wrong[0] << " " << wrong[1];
  }
}

}  // namespace
}  // namespace flopfist::net

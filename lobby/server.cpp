// The lobby's sockets: UDP for desktop games and WebSocket (optionally TLS) for browsers, a
// once-a-second tick and the signals, all on one Asio loop in one thread. The rooms' rules live in
// rooms.cpp; this file only carries words between them and the sockets. It is the only file that
// includes Boost.Beast, which is slow to compile.
#include "lobby/server.h"

#include <utility>  // Boost 1.74's Asio uses std::exchange without including it under C++20

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>

#include "lobby/random.h"
#include "lobby/rooms.h"

namespace flopfist::lobby {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using udp = asio::ip::udp;
using tcp = asio::ip::tcp;

// Datagrams taken from the UDP socket in one call (recvmmsg), and calls before the loop looks at
// its other work. The words they cause go out in one call too (sendmmsg).
constexpr int udpbatch = 64, udpcalls = 4;
// Words waiting to go to one browser at most: past that it is not keeping up, and what does not
// fit is dropped as a lost datagram would be.
constexpr size_t mostqueued = 64;

void logline(const std::string& text) {
  const std::time_t t = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  std::printf("%s %s\n", stamp, text.c_str());
  std::fflush(stdout);
}

net::address4 address4of(const asio::ip::address& a, uint16_t port) {
  if (a.is_v4()) return {a.to_v4().to_uint(), port};
  if (a.is_v6() && a.to_v6().is_v4_mapped()) {
    return {asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6()).to_uint(), port};
  }
  return {0, port};
}

// One browser's connection, plain or TLS.
class connection {
 public:
  virtual ~connection() = default;
  virtual void send(std::span<const uint8_t> bytes) = 0;
  virtual void close() = 0;
};

class server {
 public:
  server(const options& o, asio::io_context& io);
  bool start(std::string& error);
  uint16_t udpport() const { return udp_.local_endpoint().port(); }
  uint16_t wsport() const { return acceptor_.local_endpoint().port(); }
  int udpbuffer() const {
    asio::socket_base::receive_buffer_size size;
    beast::error_code ignored;
    udp_.get_option(size, ignored);
    return size.value();
  }

  uint64_t now() const {
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_)
                        .count());
  }
  void received(const endpoint& from, std::span<const uint8_t> bytes) {
    take(from, bytes, now());
    flush();
  }
  void closed(uint64_t id, const endpoint& from) {
    connections_.erase(id);
    rooms_.closed(from, now(), out_);
    forwards_.resize(out_.size());
    flush();
  }

 private:
  void waitudp();
  bool readudp();
  // A word into the rooms; what it causes waits in out_ with, for a relayed word, its bytes.
  void take(const endpoint& from, std::span<const uint8_t> bytes, uint64_t at) {
    rooms_.receive(from, bytes, at, out_);
    forwards_.resize(out_.size(), bytes);
  }
  void accept();
  void tick();
  void stop();
  void flush();
  void logevents() {
    for (const roomevent& e : rooms_.events()) logline(eventtext(e));
    rooms_.events().clear();
  }

  const options& options_;
  asio::io_context& io_;
  udp::socket udp_;
  tcp::acceptor acceptor_;
  std::optional<asio::ssl::context> tls_;
  asio::steady_timer ticker_;
  asio::signal_set signals_;
  rooms rooms_;
  std::vector<outgoing> out_;
  std::vector<std::span<const uint8_t>> forwards_;  // out_'s relayed bytes, where it forwards
  struct udpbuffers {
    std::array<std::array<uint8_t, net::mostword + net::mostrelay + 1>, udpbatch> data{};
    std::array<sockaddr_in, udpbatch> from{};
    std::array<iovec, udpbatch> iov{};
    std::array<mmsghdr, udpbatch> msgs{};
    std::vector<sockaddr_in> to;
    std::vector<iovec> sendiov;
    std::vector<mmsghdr> sendmsgs;
  };
  std::unique_ptr<udpbuffers> udpin_ = std::make_unique<udpbuffers>();
  std::unordered_map<uint64_t, std::shared_ptr<connection>> connections_;
  uint64_t nextconnection_ = 1;
  std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

template <typename stream>
class session final : public connection, public std::enable_shared_from_this<session<stream>> {
 public:
  session(server& s, uint64_t id, endpoint where, websocket::stream<stream> ws)
      : server_(s), id_(id), where_(where), ws_(std::move(ws)) {}

  void start() {
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.read_message_max(net::mostword + net::mostrelay);
    ws_.binary(true);
    if constexpr (std::is_same_v<stream, beast::tcp_stream>) {
      accept();
    } else {
      beast::get_lowest_layer(ws_).expires_after(std::chrono::seconds(10));
      ws_.next_layer().async_handshake(asio::ssl::stream_base::server,
                                       [self = this->shared_from_this()](beast::error_code ec) {
                                         if (ec) return self->fail();
                                         beast::get_lowest_layer(self->ws_).expires_never();
                                         self->accept();
                                       });
    }
  }
  void send(std::span<const uint8_t> bytes) override {
    if (queue_.size() >= mostqueued || closing_) return;
    queue_.emplace_back(bytes.begin(), bytes.end());
    if (queue_.size() == 1 && open_) write();
  }
  void close() override {
    closing_ = true;
    beast::get_lowest_layer(ws_).socket().close();
  }

 private:
  void accept() {
    ws_.async_accept([self = this->shared_from_this()](beast::error_code ec) {
      if (ec) return self->fail();
      self->open_ = true;
      if (!self->queue_.empty()) self->write();
      self->read();
    });
  }
  void read() {
    ws_.async_read(incoming_, [self = this->shared_from_this()](beast::error_code ec, size_t) {
      if (ec) return self->fail();
      const auto data = self->incoming_.cdata();
      if (self->ws_.got_binary()) {
        self->server_.received(self->where_, {static_cast<const uint8_t*>(data.data()), data.size()});
      }
      self->incoming_.consume(self->incoming_.size());
      if (!self->closing_) self->read();
    });
  }
  void write() {
    ws_.async_write(asio::buffer(queue_.front()), [self = this->shared_from_this()](beast::error_code ec, size_t) {
      if (ec) return self->fail();
      self->queue_.pop_front();
      if (!self->queue_.empty()) self->write();
    });
  }
  void fail() {
    if (gone_) return;
    gone_ = true;
    closing_ = true;
    server_.closed(id_, where_);
  }

  server& server_;
  uint64_t id_;
  endpoint where_;
  websocket::stream<stream> ws_;
  beast::flat_buffer incoming_;
  std::deque<std::vector<uint8_t>> queue_;
  bool open_ = false, closing_ = false, gone_ = false;
};

server::server(const options& o, asio::io_context& io)
    : options_(o),
      io_(io),
      udp_(io),
      acceptor_(io),
      ticker_(io),
      signals_(io, SIGTERM, SIGINT),
      rooms_({o.maxrooms, 10 * 60 * 1000, 40 * 1000, o.prefix}, cryptorandom) {}

bool server::start(std::string& error) {
  beast::error_code ec;
  const asio::ip::address at = asio::ip::make_address(options_.address, ec);
  if (ec || !at.is_v4()) {
    error = "not an IPv4 address: " + options_.address;
    return false;
  }
  if (!options_.cert.empty()) {
    tls_.emplace(asio::ssl::context::tls_server);
    tls_->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                      asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
    tls_->use_certificate_chain_file(options_.cert, ec);
    if (!ec) tls_->use_private_key_file(options_.key, asio::ssl::context::pem, ec);
    if (ec) {
      error = "cannot use " + options_.cert + " and " + options_.key + ": " + ec.message();
      return false;
    }
  }
  udp_.open(udp::v4(), ec);
  if (!ec) udp_.bind({at, options_.port}, ec);
  if (!ec) udp_.non_blocking(true, ec);
  // Room for the datagrams of a few milliseconds at full load while the loop is elsewhere: the
  // kernel's default holds a few hundred. The system's net.core.rmem_max caps it.
  beast::error_code ignored;
  udp_.set_option(asio::socket_base::receive_buffer_size(8 << 20), ignored);
  udp_.set_option(asio::socket_base::send_buffer_size(8 << 20), ignored);
  if (ec) {
    error = "UDP port " + std::to_string(options_.port) + ": " + ec.message();
    return false;
  }
  acceptor_.open(tcp::v4(), ec);
  if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor_.bind({at, options_.wsport}, ec);
  if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = "WebSocket port " + std::to_string(options_.wsport) + ": " + ec.message();
    return false;
  }
  signals_.async_wait([this](beast::error_code e, int) {
    if (!e) stop();
  });
  waitudp();
  accept();
  tick();
  return true;
}

void server::waitudp() {
  udp_.async_wait(udp::socket::wait_read, [this](beast::error_code ec) {
    if (ec) return;
    for (int k = 0; k < udpcalls && readudp(); ++k) {
    }
    waitudp();
  });
}

// Takes what waits on the UDP socket, at most a batch; true when the batch was full.
bool server::readudp() {
  udpbuffers& b = *udpin_;
  for (int k = 0; k < udpbatch; ++k) {
    b.iov[k] = {b.data[k].data(), b.data[k].size()};
    b.msgs[k].msg_hdr = {};
    b.msgs[k].msg_hdr.msg_name = &b.from[k];
    b.msgs[k].msg_hdr.msg_namelen = sizeof b.from[k];
    b.msgs[k].msg_hdr.msg_iov = &b.iov[k];
    b.msgs[k].msg_hdr.msg_iovlen = 1;
  }
  const int n = recvmmsg(udp_.native_handle(), b.msgs.data(), udpbatch, MSG_DONTWAIT, nullptr);
  if (n <= 0) return false;  // nothing more, or an ICMP error from an earlier send: nothing to do
  const uint64_t at = now();
  for (int k = 0; k < n; ++k) {
    if (b.msgs[k].msg_hdr.msg_namelen != sizeof(sockaddr_in) || b.from[k].sin_family != AF_INET) continue;
    endpoint e;
    e.address = {ntohl(b.from[k].sin_addr.s_addr), ntohs(b.from[k].sin_port)};
    take(e, {b.data[k].data(), b.msgs[k].msg_len}, at);
  }
  flush();
  return n == udpbatch;
}

void server::flush() {
  logevents();
  udpbuffers& b = *udpin_;
  b.to.clear();
  b.sendiov.clear();
  for (size_t k = 0; k < out_.size(); ++k) {
    const outgoing& o = out_[k];
    const std::span<const uint8_t> bytes = o.forward ? forwards_[k] : o.word.view();
    if (o.to.over == transportkind::udp) {
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_addr.s_addr = htonl(o.to.address.ip);
      to.sin_port = htons(o.to.address.port);
      b.to.push_back(to);
      b.sendiov.push_back({const_cast<uint8_t*>(bytes.data()), bytes.size()});
    } else if (const auto c = connections_.find(o.to.connection); c != connections_.end()) {
      c->second->send(bytes);
    }
  }
  b.sendmsgs.assign(b.to.size(), mmsghdr{});
  for (size_t k = 0; k < b.to.size(); ++k) {
    msghdr& h = b.sendmsgs[k].msg_hdr;
    h.msg_name = &b.to[k];
    h.msg_namelen = sizeof b.to[k];
    h.msg_iov = &b.sendiov[k];
    h.msg_iovlen = 1;
  }
  // A full send buffer or an unreachable address loses that datagram, as a link may.
  for (size_t sent = 0; sent < b.sendmsgs.size();) {
    const int n = sendmmsg(udp_.native_handle(), b.sendmsgs.data() + sent, unsigned(b.sendmsgs.size() - sent),
                           MSG_DONTWAIT);
    sent += n > 0 ? size_t(n) : 1;
  }
  out_.clear();
  forwards_.clear();
}

void server::accept() {
  acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (ec) {
      if (ec != asio::error::operation_aborted) accept();
      return;
    }
    beast::error_code ignored;
    const tcp::endpoint peer = socket.remote_endpoint(ignored);
    socket.set_option(tcp::no_delay(true), ignored);
    endpoint e;
    e.over = transportkind::websocket;
    e.connection = nextconnection_++;
    e.address = address4of(peer.address(), peer.port());
    if (tls_) {
      using stream = beast::ssl_stream<beast::tcp_stream>;
      auto s = std::make_shared<session<stream>>(*this, e.connection, e,
                                                 websocket::stream<stream>(beast::tcp_stream(std::move(socket)), *tls_));
      connections_[e.connection] = s;
      s->start();
    } else {
      auto s = std::make_shared<session<beast::tcp_stream>>(
          *this, e.connection, e, websocket::stream<beast::tcp_stream>(std::move(socket)));
      connections_[e.connection] = s;
      s->start();
    }
    accept();
  });
}

void server::tick() {
  rooms_.tick(now(), out_);
  forwards_.resize(out_.size());
  flush();
  ticker_.expires_after(std::chrono::seconds(1));
  ticker_.async_wait([this](beast::error_code ec) {
    if (!ec) tick();
  });
}

void server::stop() {
  logline("stopping: " + std::to_string(rooms_.count()) + " rooms open, " + std::to_string(rooms_.relayed()) +
          " words relayed, " + std::to_string(rooms_.dropped()) + " dropped over the rate");
  beast::error_code ignored;
  udp_.close(ignored);
  acceptor_.close(ignored);
  ticker_.cancel();
  for (auto& [id, c] : connections_) c->close();
  io_.stop();
}

}  // namespace

int serve(const options& o) {
  asio::io_context io(1);
  server s(o, io);
  std::string error;
  if (!s.start(error)) {
    std::fprintf(stderr, "flopfist-lobby: %s\n", error.c_str());
    return 1;
  }
  logline("listening on udp port " + std::to_string(s.udpport()) + " and " + (o.cert.empty() ? "ws" : "wss") +
          " port " + std::to_string(s.wsport()) + ", udp receive buffer " + std::to_string(s.udpbuffer() / 1024) +
          " KB, at most " + std::to_string(o.maxrooms) + " rooms");
  io.run();
  return 0;
}

}  // namespace flopfist::lobby

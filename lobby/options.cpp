// Reads the lobby's options; every mistake is named, none is guessed around.
#include "lobby/options.h"

#include <charconv>
#include <string_view>

#include "net/rendezvous.h"

namespace flopfist::lobby {

namespace {

template <typename number>
bool readnumber(std::string_view text, number low, number high, number& into) {
  number v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  into = v;
  return true;
}

}  // namespace

std::string usage() {
  return "Usage: flopfist-lobby [options]\n"
         "The lobby of Flopfist's online play: rooms with five-character codes, the meeting of two\n"
         "games through their routers, and a relay between them when they cannot reach each other.\n"
         "  --port N         UDP port for desktop games (default 27961; 0: any free port)\n"
         "  --ws-port N      WebSocket port for browsers (default 27962; 0: any free port)\n"
         "  --address A      the IPv4 address both listen on (default 0.0.0.0: every one)\n"
         "  --max-rooms N    rooms held at once at most (default 10000)\n"
         "  --prefix C       every room code starts with C, so that a code names its lobby\n"
         "  --cert FILE      TLS certificate chain (PEM): with --key the WebSocket port is wss://\n"
         "  --key FILE       TLS private key (PEM)\n"
         "  --help           this text\n"
         "One line per room event goes to standard output. SIGTERM or SIGINT end it.\n";
}

options parseoptions(int argc, const char* const* argv) {
  options o;
  for (int i = 1; i < argc && o.error.empty(); ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (i + 1 >= argc) {
      o.error = a.starts_with("--") ? std::string(a) + " needs a value" : "unknown argument " + std::string(a);
      break;
    }
    const std::string_view v = argv[++i];
    bool ok = true;
    if (a == "--port") {
      ok = readnumber<uint16_t>(v, 0, 65535, o.port);
    } else if (a == "--ws-port") {
      ok = readnumber<uint16_t>(v, 0, 65535, o.wsport);
    } else if (a == "--max-rooms") {
      ok = readnumber<size_t>(v, 1, 10'000'000, o.maxrooms);
    } else if (a == "--address") {
      o.address = v;
    } else if (a == "--prefix") {
      ok = v.size() == 1 && net::codealphabet.find(v[0]) != std::string_view::npos;
      o.prefix = ok ? v[0] : 0;
    } else if (a == "--cert") {
      o.cert = v;
    } else if (a == "--key") {
      o.key = v;
    } else {
      o.error = "unknown option " + std::string(a);
      break;
    }
    if (!ok) o.error = "bad value for " + std::string(a) + ": " + std::string(v);
  }
  if (o.error.empty() && o.cert.empty() != o.key.empty()) o.error = "--cert and --key go together";
  return o;
}

}  // namespace flopfist::lobby

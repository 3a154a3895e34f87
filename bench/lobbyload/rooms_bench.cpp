// The lobby's rooms without sockets: what one relayed word costs, with many rooms open.
#include <benchmark/benchmark.h>

#include <vector>

#include "lobby/rooms.h"

namespace {

namespace net = flopfist::net;
namespace lobby = flopfist::lobby;

lobby::endpoint at(uint32_t ip) { return {lobby::transportkind::udp, {ip, 4000}, 0}; }

void BM_LobbyRelayWord(benchmark::State& state) {
  lobby::rooms rooms({}, [n = uint64_t(1)](std::span<uint8_t> into) mutable {
    for (uint8_t& b : into) b = uint8_t((n = n * 6364136223846793005ull + 1442695040888963407ull) >> 56);
  });
  std::vector<lobby::outgoing> out;
  std::vector<uint64_t> tokens;
  const int count = int(state.range(0));
  for (int r = 0; r < count; ++r) {
    auto say = [&](uint32_t ip, const net::word& w) {
      out.clear();
      rooms.receive(at(ip), net::encode(w).view(), 0, out);
      return net::decodeword(out.back().word.view());
    };
    net::word w;
    w.kind = net::wordkind::open;
    const net::word room = say(0x0A000000 + uint32_t(2 * r), w);
    w.kind = net::wordkind::keepalive;
    w.key = room.key;
    say(0x0A000000 + uint32_t(2 * r), w);
    w.kind = net::wordkind::join;
    w.code = room.code;
    const net::word seat = say(0x0A000001 + uint32_t(2 * r), w);
    w.kind = net::wordkind::keepalive;
    w.key = seat.key;
    say(0x0A000001 + uint32_t(2 * r), w);
    tokens.push_back(room.key);
  }
  const std::vector<uint8_t> payload(80, 0x5A);
  std::vector<net::wordbytes> words(tokens.size());
  for (size_t r = 0; r < tokens.size(); ++r) {
    net::word w;
    w.kind = net::wordkind::relay;
    w.key = tokens[r];
    w.payload = payload;
    words[r] = net::encode(w);
  }
  uint64_t now = 0;
  size_t r = 0;
  for (auto _ : state) {
    out.clear();
    rooms.receive(at(0x0A000000 + uint32_t(2 * r)), words[r].view(), now, out);
    benchmark::DoNotOptimize(out.data());
    r = (r + 1) % words.size();
    if (r == 0) now += 3;  // each room a word every 3 ms: within its allowance, as a match is
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_LobbyRelayWord)->Arg(10)->Arg(1000)->Arg(10000);

}  // namespace

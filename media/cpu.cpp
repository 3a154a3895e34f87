// Asking the processor, once, which of the builds of a hot loop it can run.
#include "media/cpu.h"

#include <cstdlib>
#include <cstring>

namespace media {

bool has(isa set) {
#if defined(__x86_64__)
  // Also checks that the system saves the wide registers, not only that the processor has them.
  if (set == isa::avx2) return __builtin_cpu_supports("avx2");
  if (set == isa::avx512) return __builtin_cpu_supports("avx512f");
#endif
  return set == isa::plain;
}

isa bestisa() {
  static const isa best = [] {
    isa widest = has(isa::avx512) ? isa::avx512 : has(isa::avx2) ? isa::avx2 : isa::plain;
    // FLOPFIST_VECTOR=plain (or avx2) caps it, so one binary also times its narrower builds.
    const char* cap = std::getenv("FLOPFIST_VECTOR");
    for (const isa set : everyisa)
      if (cap != nullptr && std::strcmp(cap, nameof(set)) == 0 && set < widest) widest = set;
    return widest;
  }();
  return best;
}

const char* nameof(isa set) {
  switch (set) {
    case isa::avx2:
      return "avx2";
    case isa::avx512:
      return "avx512";
    default:
      return "plain";
  }
}

}  // namespace media

// Asking the processor, once, which of the builds of a hot loop it can run.
#include "media/cpu.h"

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
  static const isa best = has(isa::avx512) ? isa::avx512 : has(isa::avx2) ? isa::avx2 : isa::plain;
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

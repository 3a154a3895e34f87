// Asking the processor, once, which of the builds of a hot loop it can run.
#include "media/cpu.h"

namespace media {

bool has(isa set) {
#if defined(__x86_64__)
  // Also checks that the system saves the wide registers, not only that the processor has them.
  if (set == isa::avx2) return __builtin_cpu_supports("avx2");
#endif
  return set == isa::plain;
}

isa bestisa() {
  static const isa best = has(isa::avx2) ? isa::avx2 : isa::plain;
  return best;
}

}  // namespace media

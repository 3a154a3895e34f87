// The vector instructions this machine has, for the few hot loops built once for each.
#pragma once

namespace media {

// plain: what every x86-64 has (SSE2, two doubles a register); avx2: four doubles a register.
// Each build of a loop gives the same bits: every operation is one IEEE operation, never fused.
enum class isa { plain, avx2 };

bool has(isa set);
isa bestisa();  // the widest this machine runs, found once

}  // namespace media

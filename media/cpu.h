// The vector instructions this machine has, for the few hot loops built once for each.
#pragma once

namespace media {

// plain: what every x86-64 has (SSE2, two doubles a register); avx2: four; avx512: eight, with
// masks. Each build of a loop gives the same bits: every operation is one IEEE operation, never
// fused. A loop asked for a set it has no build for runs its widest build below that set.
enum class isa { plain, avx2, avx512 };
inline constexpr isa everyisa[] = {isa::plain, isa::avx2, isa::avx512};

bool has(isa set);
isa bestisa();  // the widest this machine runs, found once
const char* nameof(isa set);

}  // namespace media

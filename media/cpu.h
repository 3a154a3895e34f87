// The vector instructions this machine has, for the few hot loops built once for each.
#pragma once

namespace media {

// plain: what every x86-64 has (SSE2, two doubles a register); avx2: four; avx512: eight, with
// masks. Each build of a loop gives the same bits: every operation is one IEEE operation, never
// fused. A loop asked for a set it has no build for runs its widest build below that set.
enum class isa { plain, avx2, avx512 };
inline constexpr isa everyisa[] = {isa::plain, isa::avx2, isa::avx512};

// Marks a function as the AVX2 or AVX-512 build of a loop. Elsewhere than on x86-64 it is one
// more plain build, which has() never picks.
#if defined(__x86_64__)
#define AVX2BUILD [[gnu::target("avx2")]]
#define AVX512BUILD [[gnu::target("avx512f")]]
#else
#define AVX2BUILD
#define AVX512BUILD
#endif

bool has(isa set);
isa bestisa();  // the widest this machine runs, found once
const char* nameof(isa set);

}  // namespace media

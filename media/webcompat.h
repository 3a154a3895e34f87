// What the browser compiler's C++ library lacks of C++20, for the few uses the game makes of it.
#pragma once

#if defined(__cplusplus)
#include <version>
#if !defined(__cpp_lib_bit_cast)
namespace std {
// The bits of one value read as another type of the same size, as the standard one does.
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From));
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
#endif

// SPDX-License-Identifier: MIT
// The text of a char array given where a string is expected.
#pragma once

#include <string_view>
#include <type_traits>

namespace quarn::detail {

template <class S>
inline constexpr bool is_char_array =
    std::is_bounded_array_v<S> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<S>>, char>;

// The bytes of a char array up to its first null byte, or all of them when
// it holds none (a fixed-size field filled to the end): never the bytes
// after the array, which a view made from its address would run into.
template <class S>
  requires is_char_array<S>
constexpr std::string_view char_array_view(const S& a) {
  const std::string_view all(a, std::extent_v<S>);
  return all.substr(0, all.find('\0'));
}

}  // namespace quarn::detail

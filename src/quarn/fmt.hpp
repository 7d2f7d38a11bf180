// SPDX-License-Identifier: MIT
// {fmt} and std::format support for printers bound to values:
//
//   fmt::print("{}\n", quarn::show(quarn::dump::list(quarn::int_), v));
//
// Include this header only where {fmt} is available; the std::format part is
// enabled when the standard library provides <format>.  The text is laid out
// by a fresh string formatter at the default margin.
#pragma once

#include <string_view>

#include "quarn/show.hpp"

#if __has_include(<fmt/format.h>)
#include <fmt/format.h>

template <class P, class V>
struct fmt::formatter<quarn::shown<P, V>> : fmt::formatter<std::string_view> {
  template <class FormatContext>
  auto format(const quarn::shown<P, V>& s, FormatContext& ctx) const -> decltype(ctx.out()) {
    return fmt::formatter<std::string_view>::format(s.str(), ctx);
  }
};
#endif

#if __has_include(<format>)
#include <format>
#if defined(__cpp_lib_format)
template <class P, class V>
struct std::formatter<quarn::shown<P, V>, char> : std::formatter<std::string_view, char> {
  template <class FormatContext>
  auto format(const quarn::shown<P, V>& s, FormatContext& ctx) const {
    return std::formatter<std::string_view, char>::format(s.str(), ctx);
  }
};
#endif
#endif

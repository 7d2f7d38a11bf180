// SPDX-License-Identifier: MIT
// {fmt} and std::format support for printers bound to values:
//
//   fmt::print("{}\n", quarn::show(quarn::dump::list(quarn::int_), v));
//
// Include this header only where {fmt} is available; the std::format part is
// enabled when the standard library provides <format>.  The text is laid out
// by a fresh string formatter at the default margin.
//
// The other way round, quarn::fmt_formatted prints a value through its
// fmt::formatter, as fmt::format("{}", v) writes it, laid out as one text (as
// quarn::streamed lays out its text: see <quarn/streamed.hpp>):
//
//   quarn::print("%a@.", quarn::fmt_formatted, value_with_a_fmt_formatter);
//
// and this header makes quarn::dump::value fall back on it for a type that
// has a fmt::formatter and neither a printer of its own nor an operator<<
// (the order is in <quarn/value.hpp>).  Include it before the first
// quarn::dump::value of such a type, in every file that dumps one: a file
// that does not include it does not compile such a dump, rather than
// printing it differently.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

#include "quarn/show.hpp"
#include "quarn/streamed.hpp"

#if __has_include(<fmt/format.h>)
#include <fmt/format.h>

namespace quarn {

namespace detail {

// T has an enabled fmt::formatter (a disabled one is not default
// constructible).  A conversion that {fmt} would apply on its own (an
// enumeration to its integer) does not count.
template <class T>
concept fmt_formattable = std::is_default_constructible_v<fmt::formatter<T, char>>;

}  // namespace detail

/// Prints a value through its fmt::formatter, as fmt::format("{}", v) writes
/// it, laid out as one text.
struct fmt_formatted_printer : printer_tag {
  template <class T>
    requires detail::fmt_formattable<T>
  void operator()(formatter& f, const T& v) const {
    const std::string text = fmt::format("{}", v);
    detail::print_foreign_text(f, text);
  }
};
inline constexpr fmt_formatted_printer fmt_formatted{};

namespace detail {

template <class T>
  requires fmt_formattable<T>
struct fmt_fallback<T> {
  static constexpr bool available = true;
  static void print(formatter& f, const T& v) { fmt_formatted(f, v); }
};

}  // namespace detail

}  // namespace quarn

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

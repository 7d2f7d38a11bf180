// SPDX-License-Identifier: MIT
// Printers for values that C++ already knows how to write as text: through
// their operator<< (quarn::streamed) and, where the standard library has
// <format>, through their std::formatter (quarn::formatted).  <quarn/fmt.hpp>
// adds quarn::fmt_formatted, through fmt::formatter.
//
//   struct version { int major, minor; };
//   std::ostream& operator<<(std::ostream& os, const version& v) { return os << v.major << '.' << v.minor; }
//   quarn::print("@[<2>running@ %a@]@.", quarn::streamed, version{1, 2});   // running 1.2
//
// The text is measured and laid out as one text: the engine never breaks
// inside it.  A text with new lines keeps them: each "\n" ends a line, and the
// next line starts at the column where the text started (the lines go into a
// vertical box), so that a multi-line text keeps the indentation of the
// structure around it:
//
//   [table
//    a b
//    c d; 1]
//
// quarn::dump::value falls back on these printers for a type it has no
// printer of its own for (see <quarn/value.hpp>).
#pragma once

#include <concepts>
#include <ostream>
#include <string_view>
#include <type_traits>
#include <version>
#if defined(__cpp_lib_format)
#include <format>
#endif

#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn {

namespace detail {

// Prints a text that a foreign formatting produced: as one text, each "\n"
// ending a line inside a vertical box (see the top of this header).
void print_foreign_text(formatter& f, std::string_view text);

// Writes `*v` on a fresh std::ostringstream with `write` and prints the text
// as print_foreign_text() does.
void print_streamed(formatter& f, void (*write)(std::ostream&, const void*), const void* v);

// `os << v` is well formed for a const T.
template <class T>
concept streamable = requires(std::ostream& os, const T& v) { os << v; };

#if defined(__cpp_lib_format)
// T has an enabled std::formatter (a disabled one is not default
// constructible).
template <class T>
concept std_formattable =
    std::semiregular<std::formatter<T, char>> &&
    requires(std::formatter<T, char>& fm, const T& v, std::format_context& ctx) { fm.format(v, ctx); };
#else
template <class T>
concept std_formattable = false;
#endif

// How quarn::dump::value prints a T through fmt::formatter: <quarn/fmt.hpp>
// specialises it (with `print(formatter&, const T&)`) for every type that has
// a fmt::formatter.  Without that header no type has one.
template <class T>
struct fmt_fallback {
  static constexpr bool available = false;
};

}  // namespace detail

/// Prints a value through its operator<< on a std::ostream: the text that
/// `std::ostringstream() << v` makes, laid out as one text (see the top of
/// this header).
struct streamed_printer : printer_tag {
  /// Prints the text that `os << v` writes.
  template <class T>
    requires detail::streamable<T>
  void operator()(formatter& f, const T& v) const {
    detail::print_streamed(f, [](std::ostream& os, const void* p) { os << *static_cast<const T*>(p); }, &v);
  }
};
/// Prints a value through its operator<<, laid out as one text.
/// @code
/// quarn::sprint("%a", quarn::streamed, std::complex<double>(1, 2))   // "(1,2)"
/// @endcode
inline constexpr streamed_printer streamed{};

#if defined(__cpp_lib_format)
/// Prints a value through its std::formatter, as std::format("{}", v) writes
/// it, laid out as one text.  Only where the standard library has <format>
/// (__cpp_lib_format).
struct formatted_printer : printer_tag {
  /// Prints the text that std::format("{}", v) makes.
  template <class T>
    requires detail::std_formattable<T>
  void operator()(formatter& f, const T& v) const {
    detail::print_foreign_text(f, std::vformat("{}", std::make_format_args(v)));
  }
};
/// Prints a value through its std::formatter, laid out as one text.
inline constexpr formatted_printer formatted{};
#endif

}  // namespace quarn

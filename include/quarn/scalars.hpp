// SPDX-License-Identifier: MIT
// Printers of scalars: booleans, integers of each width, floats, characters,
// strings, and exceptions.
//
// Each printer accepts exactly the values its type holds: an integer printer
// takes integers that convert to its type without narrowing, so printing a
// double with int_ or an int64_t with int32 is a compile error.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/scalars.hpp"
#include "quarn/engine.hpp"
#include "quarn/failure.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// "true" or "false".
struct bool_printer : printer_tag {
  /// Prints `b` as "true" or "false".
  template <std::same_as<bool> B>
  void operator()(formatter& f, const B& b) const {
    f.print_bool(b);
  }
};
/// The printer of booleans: "true" or "false".
/// @code
/// quarn::sprint("%a", quarn::bool_, true)   // "true"
/// @endcode
inline constexpr bool_printer bool_{};

/// An integer in decimal, of type `Signed`.  The unsigned variants read the
/// same bits as unsigned (a narrower value widened with its sign first), and
/// also accept the unsigned type of the same width.
template <class Signed, bool Unsigned>
struct integer_printer : printer_tag {
  /// The unsigned type of the same width as `Signed`.
  using unsigned_type = std::make_unsigned_t<Signed>;
  /// Prints `v` in decimal.
  template <class I>
    requires detail::fits<I, Signed> || (Unsigned && detail::fits<I, unsigned_type>)
  void operator()(formatter& f, const I& v) const {
    if constexpr (Unsigned)
      detail::print_unsigned(f, static_cast<unsigned_type>(static_cast<Signed>(v)));
    else
      detail::print_signed(f, v);
  }
  /// Writes the text operator() prints for `v` at `buf`, which has room for
  /// 20 bytes, and returns its end.
  template <class I>
    requires detail::fits<I, Signed> || (Unsigned && detail::fits<I, unsigned_type>)
  static char* write_text(char* buf, const I& v) {
    if constexpr (Unsigned)
      return std::to_chars(buf, buf + 20, static_cast<unsigned_type>(static_cast<Signed>(v))).ptr;
    else
      return std::to_chars(buf, buf + 20, v).ptr;
  }
};

/// The native integer (long long).
/// @code
/// quarn::sprint("%a", quarn::int_, -42)   // "-42"
/// @endcode
inline constexpr integer_printer<long long, false> int_{};
/// A pointer-wide integer.
inline constexpr integer_printer<std::intptr_t, false> nativeint{};
/// A 32-bit integer.
inline constexpr integer_printer<std::int32_t, false> int32{};
/// A 64-bit integer.
inline constexpr integer_printer<std::int64_t, false> int64{};
/// The native integer read as unsigned: uint of -1 is 18446744073709551615.
inline constexpr integer_printer<long long, true> uint{};
/// A pointer-wide integer read as unsigned.
inline constexpr integer_printer<std::intptr_t, true> unativeint{};
/// uint32 of -1 is 4294967295.
inline constexpr integer_printer<std::int32_t, true> uint32{};
/// A 64-bit integer read as unsigned.
inline constexpr integer_printer<std::int64_t, true> uint64{};

/// An integer in decimal with its digits in groups of three, separated by a
/// text of up to 8 bytes ("," by default); a negative value keeps its "-"
/// before the first group.  Takes any integer type (not bool nor the
/// character types) and prints its value: signed or unsigned as the type
/// is.  No locale is read: the output is the same bytes on every machine
/// and in every thread, whatever the process's locale says.
struct grouped_printer : printer_tag {
  /// The bytes that separate the groups (the first `separator_size`).
  char separator[8] = {','};
  /// How many bytes of `separator` are used.
  unsigned char separator_size = 1;

  /// Prints `v` with its digits in groups of three.
  template <detail::integer I>
  void operator()(formatter& f, const I& v) const {
    const auto bits = static_cast<unsigned long long>(v);
    bool negative = false;
    if constexpr (std::is_signed_v<I>) negative = v < 0;
    detail::print_grouped(f, negative ? 0 - bits : bits, negative, std::string_view(separator, separator_size));
  }
};
/// Integers with their digits in groups of three, separated by ",".
/// @code
/// quarn::sprint("%a", quarn::grouped, -1234567)   // "-1,234,567"
/// @endcode
inline constexpr grouped_printer grouped{};
/// Integers with their digits in groups of three, separated by `separator`
/// (up to 8 bytes: any UTF-8 character fits; a longer one throws
/// quarn::invalid_argument).
/// @code
/// quarn::sprint("%a", quarn::grouped_with("_"), 1000000u)   // "1_000_000"
/// @endcode
[[nodiscard]] constexpr grouped_printer grouped_with(std::string_view separator) {
  grouped_printer p;
  if (separator.size() > sizeof p.separator) detail::separator_too_long();
  for (std::size_t k = 0; k < separator.size(); ++k) p.separator[k] = separator[k];
  p.separator_size = static_cast<unsigned char>(separator.size());
  return p;
}

/// A float as "%g" writes it: six significant digits, an exponent below 1e-4
/// or from 1e6, no trailing zeros; "inf", "-inf" and "nan" otherwise.  A
/// long double keeps its own range and precision here and in the two
/// printers below (as "%Lg" writes it).
struct float_printer : printer_tag {
  /// Prints `x` as "%g" writes it.
  template <std::floating_point F>
  void operator()(formatter& f, const F& x) const {
    detail::print_g(f, static_cast<detail::printed_float_t<F>>(x));
  }
};
/// The printer of floats, as "%g" writes them.
/// @code
/// quarn::sprint("%a", quarn::float_, 0.1 + 0.2)   // "0.3"
/// quarn::sprint("%a", quarn::float_, 1e6)   // "1e+06"
/// @endcode
inline constexpr float_printer float_{};

/// "%g" of the float rounded to `d` fractional digits, halves up.  Infinities
/// and not-a-number print as float_ prints them.  A `d` so negative that
/// 10^-d is beyond the double range (float_dfrac(-400)) rounds every value
/// that is not whole to 0; a `d` asking for more digits than a double holds
/// leaves the value as it is.
struct float_dfrac_printer : printer_tag {
  /// The number of fractional digits kept.
  int d;
  /// Prints `x` rounded to `d` fractional digits, as "%g" writes it.
  template <std::floating_point F>
  void operator()(formatter& f, const F& x) const {
    detail::print_g(f, detail::round_dfrac(d, static_cast<detail::printed_float_t<F>>(x)));
  }
};
/// "%g" of the float rounded to `d` fractional digits, halves up.
/// @code
/// quarn::sprint("%a", quarn::float_dfrac(2), 3.14159)   // "3.14"
/// @endcode
[[nodiscard]] constexpr float_dfrac_printer float_dfrac(int d) { return {{}, d}; }

/// "%g" of the float rounded to `d` + 1 significant digits, halves up.  An
/// infinity prints as itself ("inf", "-inf"), not as not-a-number, and
/// not-a-number as float_ prints it.  Subnormal values are rounded like any
/// other (5e-324 prints «4.94066e-324»).  A value that would round past the
/// largest double prints unrounded: float_dsig(2) of DBL_MAX is
/// «1.79769e+308», not «inf».
struct float_dsig_printer : printer_tag {
  /// One less than the number of significant digits kept.
  int d;
  /// Prints `x` rounded to `d` + 1 significant digits, as "%g" writes it.
  template <std::floating_point F>
  void operator()(formatter& f, const F& x) const {
    detail::print_g(f, detail::round_dsig(d, static_cast<detail::printed_float_t<F>>(x)));
  }
};
/// "%g" of the float rounded to `d` + 1 significant digits, halves up.
/// @code
/// quarn::sprint("%a", quarn::float_dsig(2), 12345.0)   // "12300"
/// @endcode
[[nodiscard]] constexpr float_dsig_printer float_dsig(int d) { return {{}, d}; }

/// One byte, one column.
struct char_printer : printer_tag {
  /// Prints the byte `c`.
  template <std::same_as<char> C>
  void operator()(formatter& f, const C& c) const {
    f.print_char(c);
  }
};
/// The printer of characters: one byte, one column.
/// @code
/// quarn::sprint("%a", quarn::char_, 'x')   // "x"
/// @endcode
inline constexpr char_printer char_{};

/// The bytes of a string, as they are.  A null C string throws
/// quarn::invalid_argument.
struct string_printer : printer_tag {
  /// Prints the bytes of `s`.
  template <class S>
    requires std::convertible_to<const S&, std::string_view> && (!std::same_as<S, std::nullptr_t>)
  void operator()(formatter& f, const S& s) const {
    f.print_string(detail::string_arg(s));
  }
};
/// The printer of strings, whose bytes it prints as they are.
/// @code
/// quarn::sprint("%a", quarn::string, "hello")   // "hello"
/// @endcode
inline constexpr string_printer string{};

/// The current contents of a text buffer (a std::string), unchanged.
struct buffer_printer : printer_tag {
  /// Prints the contents of `b`.
  void operator()(formatter& f, const std::string& b) const { f.print_string(b); }
};
/// The printer of text buffers: the contents of a std::string, unchanged.
/// @code
/// quarn::sprint("%a", quarn::buffer, "abc"s)   // "abc"
/// @endcode
inline constexpr buffer_printer buffer{};

/// An exception as its dynamic type (demangled) and its message, for
/// instance «std::invalid_argument: bad width».  Takes a std::exception or a
/// std::exception_ptr (which may hold an exception of any type).
struct exn_printer : printer_tag {
  /// Prints the dynamic type of `e` and its message.
  void operator()(formatter& f, const std::exception& e) const;
  /// Prints the exception that `e` holds: its dynamic type and its message.
  void operator()(formatter& f, const std::exception_ptr& e) const;
};
/// The printer of exceptions: their dynamic type and message.
/// @code
/// quarn::sprint("%a", quarn::exn, std::invalid_argument("bad width"))   // "std::invalid_argument: bad width"
/// @endcode
inline constexpr exn_printer exn{};

/// An exception and the stack recorded where it was raised, in a v box:
/// "Exception: " and the exception, then one line per frame, or "No
/// backtrace available." when the backtrace is empty.  Takes a
/// quarn::failure (with its own backtrace, if any) or a pair of an exception
/// and a backtrace.
struct exn_backtrace_printer : printer_tag {
  /// Prints `e` and the backtrace it carries.
  void operator()(formatter& f, const failure& e) const;
  /// Prints the exception of `eb` and its backtrace.
  void operator()(formatter& f, const std::pair<std::exception_ptr, backtrace>& eb) const;
};
/// The printer of an exception with the stack where it was raised.
/// @code
/// quarn::sprint("%a", quarn::exn_backtrace, std::pair{std::make_exception_ptr(std::runtime_error("x")), quarn::backtrace{}})   // "Exception: std::runtime_error: x\nNo backtrace available."
/// @endcode
inline constexpr exn_backtrace_printer exn_backtrace{};

}  // namespace quarn

// SPDX-License-Identifier: MIT
// Format strings: printing with "@[<hov 2>%s =@ %d@]" and friends.
//
//   quarn::print("@[<hov 2>point:@ x = %d,@ y = %d@]@.", 3, 4);
//   std::string s = quarn::sprint("%d items in %S", n, name);
//
// A format string mixes text, layout directives ("@[" opens a box, "@ " is a
// break hint, "@." ends the line and flushes ...) and conversions ("%d" an
// integer, "%s" a string, "%a" a printer and its value ...).  The whole
// language, with an example of each directive and conversion, is in
// docs/format-strings.md.
//
// A format string is checked against its arguments when the program is
// compiled: an unknown directive, a missing or extra argument, an argument of
// the wrong kind, or a number above 4096 (a width, a precision, an
// indentation, ...) is a compile error.  A string known only at run time goes
// through quarn::runtime(); it is checked as it is interpreted, and a
// mismatch throws std::invalid_argument.
#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/format_args.hpp"
#include "quarn/detail/format_check.hpp"
#include "quarn/formatter.hpp"

namespace quarn {

template <class... Args>
class basic_format_string;

/// The type of a format string taking `Args`: a string literal converts to
/// it, checked at compile time, and so does quarn::runtime(s).  Deduction goes
/// by the arguments, never by the string, so a function of your own can take
/// one and pass it on:
///
///   template <class... Args>
///   void log(const quarn::format_string<Args...>& fmt, const Args&... args) {
///     quarn::eprint<Args...>(fmt, args...);
///   }
template <class... Args>
using format_string = basic_format_string<std::type_identity_t<Args>...>;

/// Formats to `f`, without flushing it: the text reaches the formatter's
/// target, at the latest, when the formatter is flushed ("@." or "@?" in a
/// format string, the `flush` printer, f.print_flush()) or destroyed.  Atomic
/// on a standard formatter (see stdout_formatter()); any other formatter is
/// used from one thread at a time.
///
/// "@." and "@?" flush the target on every use (one write to the system per
/// line on a FILE* or a stream): in a loop, end lines with "@\n" and flush
/// once after it.
///
///   std::string out;
///   quarn::formatter f(out);
///   quarn::fprint(f, "@[<2>Some@ %d@]@.", 42);   // out == "Some 42\n"
template <class... Args>
void fprint(formatter& f, const format_string<Args...>& fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(f, fmt.get(), fmt.compiled(), a.data(), a.size());
}

/// The formatters on standard output and standard error.  They belong to the
/// library, live until the program ends and are flushed at exit, after the
/// static destructors of the program (which may still print on them).
///
/// Threads: each call of fprint(), print(), eprint() or kfprint() on one of
/// these two formatters is atomic, like a call of C's printf: it holds the
/// formatter's lock throughout, printers running inside it (`flush` and "@."
/// included) print under that lock, and the text of two calls never
/// interleaves.  (A printer on one of them that prints on the other holds both
/// locks: two threads doing so in opposite directions would deadlock.)  Any
/// other formatter, and a standard formatter's member functions called outside
/// those entry points, are used from one thread at a time.
///
///   quarn::stdout_formatter().set_margin(100);
formatter& stdout_formatter();
/// The formatter on standard error; see stdout_formatter().
/// @code
/// quarn::fprint(quarn::stderr_formatter(), "error: %s@.", message);
/// @endcode
formatter& stderr_formatter();

/// Formats to stdout_formatter(), without flushing it.  Atomic: see
/// stdout_formatter().
///
///   quarn::print("@[<hov 2>point:@ x = %d,@ y = %d@]@.", 3, 4);   // point: x = 3, y = 4
template <class... Args>
void print(const format_string<Args...>& fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(stdout_formatter(), fmt.get(), fmt.compiled(), a.data(), a.size());
}

/// Formats to stderr_formatter(), without flushing it.  Atomic: see
/// stdout_formatter().
///
///   quarn::eprint("warning: %s not found@.", path);
template <class... Args>
void eprint(const format_string<Args...>& fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(stderr_formatter(), fmt.get(), fmt.compiled(), a.data(), a.size());
}

/// Flushes stdout_formatter(), then stderr_formatter(), each under its lock,
/// so that a program sees a write error before it returns from main (the
/// flush at exit drops errors).  If a flush throws (std::system_error on a
/// write error), the other formatter is still flushed and the first error is
/// rethrown.
///
///   int main() {
///     quarn::print("done@.");
///     quarn::flush_std_outputs();   // throws if standard output is a full disk
///   }
void flush_std_outputs();

/// Formats into a fresh string formatter (default settings, margin 78, no
/// attributes), flushes it and returns the text.
///
///   std::string s = quarn::sprint("%d items in %S", 3, "box");   // 3 items in "box"
template <class... Args>
[[nodiscard]] std::string sprint(const format_string<Args...>& fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  return detail::vsprint(nullptr, fmt.get(), fmt.compiled(), a.data(), a.size());
}

/// As sprint(), with the attributes of `like` (through its tag functions)
/// and its text measure: a styled printer prints as it would on `like`, and
/// widths count as `like` counts them.  Attributes written while
/// formatting (styled() writes one) stay in the string formatter: `like` is
/// only read, so several threads may format like one formatter at once as
/// long as none of them changes it.
///
///   std::string s = quarn::str_like(quarn::stdout_formatter(), "%a", quarn::styled(quarn::Fg(quarn::Red), quarn::string), "x");
template <class... Args>
[[nodiscard]] std::string str_like(const formatter& like, const format_string<Args...>& fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  return detail::vsprint(&like, fmt.get(), fmt.compiled(), a.data(), a.size());
}

/// Options of with_buffer().
struct with_buffer_options {
  /// A formatter whose tag functions (and with them its attributes) the new
  /// formatter shares, and whose text measure it takes.
  const formatter* like = nullptr;
};

/// A new formatter appending to `buffer` (which must outlive it), with
/// default settings and, when `options.like` is given, the same tag functions
/// and text measure as that formatter.
///
///   std::string out;
///   quarn::formatter f = quarn::with_buffer(out, {.like = &quarn::stdout_formatter()});
[[nodiscard]] formatter with_buffer(std::string& buffer, with_buffer_options options = {});

/// Formats to `f`, then returns `k(f)`.  On a standard formatter the whole
/// call, `k` included, is atomic (see stdout_formatter()).
///
///   quarn::kfprint([](quarn::formatter& f) { f.print_flush(); }, quarn::stderr_formatter(), "%d%%", 50);
template <class K, class... Args>
  requires std::invocable<K&, formatter&>
decltype(auto) kfprint(K&& k, formatter& f, const format_string<Args...>& fmt, const Args&... args) {
  const detail::std_guard guard(f);
  fprint<Args...>(f, fmt, args...);
  return std::forward<K>(k)(f);
}

/// Formats into a fresh string as sprint() does, then returns `k(text)`.
///
///   std::size_t n = quarn::ksprint([](std::string s) { return s.size(); }, "%d", 1234);   // 4
template <class K, class... Args>
  requires std::invocable<K&, std::string>
decltype(auto) ksprint(K&& k, const format_string<Args...>& fmt, const Args&... args) {
  return std::forward<K>(k)(sprint<Args...>(fmt, args...));
}

/// A format string known only at run time; see quarn::runtime().
struct runtime_format_string {
  /// The format string.
  std::string_view str;
};

/// Marks a format string that is checked while it is interpreted rather than
/// at compile time: a mismatch throws std::invalid_argument, and so does a
/// number above 4096 (a width, a precision, an indentation, the spaces or
/// offset of a break hint: "width too large", "precision too large", ...),
/// so that a string from outside the program cannot make the formatter pad
/// or print gigabytes.
///
///   std::string s = quarn::sprint(quarn::runtime(user_format), 42);
inline runtime_format_string runtime(std::string_view s) noexcept { return {s}; }

/// A format string for the arguments `Args`; name it as format_string<Args...>.
template <class... Args>
class basic_format_string {
public:
  /// Checks the string literal `s` against `Args` when the program is compiled: a mismatch does not compile.
  template <class S>
    requires std::convertible_to<const S&, std::string_view>
  consteval basic_format_string(const S& s) : str_(s) {  // NOLINT(google-explicit-constructor): implicit by design
    detail::check_format<Args...>(str_, compiled_);
  }
  /// Takes a string known only at run time, checked as it is interpreted.
  basic_format_string(runtime_format_string r) noexcept : str_(r.str) {}  // NOLINT(google-explicit-constructor)
  /// The format string.
  [[nodiscard]] constexpr std::string_view get() const noexcept { return str_; }
  /// The operations that print the string, found when it was checked (none
  /// for a runtime() string).
  [[nodiscard]] constexpr const detail::compiled_format& compiled() const noexcept { return compiled_; }

private:
  std::string_view str_;
  detail::compiled_format compiled_;
};

}  // namespace quarn

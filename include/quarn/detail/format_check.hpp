// SPDX-License-Identifier: MIT
// The compile-time check of a format string against the types of its
// arguments.  basic_format_string's constructor runs it; an error reaches
// format_error(), which is not constexpr, so the compiler stops there and
// quotes the message.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/conversions.hpp"
#include "quarn/detail/format_args.hpp"
#include "quarn/detail/format_ops.hpp"
#include "quarn/detail/format_parse.hpp"
#include "quarn/formatter.hpp"

namespace quarn::detail {

// What the checker knows of one argument.
struct arg_info {
  arg_kind kind;
  bool prints_next;  // a printer of the next argument (for "%a")
  bool prints_unit;  // a callable on the formatter alone (for "%t")
  bool is_int;       // an int (for a "*" width or precision)
};

template <class... Args, std::size_t... I>
constexpr std::array<arg_info, sizeof...(Args)> arg_infos_impl(std::index_sequence<I...>) {
  return {arg_info{kind_of<Args>(), prints<Args, typename type_at<I + 1, Args...>::type>, prints_unit<Args>,
                   std::is_same_v<std::remove_cvref_t<Args>, int>}...};
}

template <class... Args>
constexpr std::array<arg_info, sizeof...(Args)> arg_infos() {
  return arg_infos_impl<Args...>(std::index_sequence_for<Args...>{});
}

// Not constexpr: reaching it while checking a format string at compile time
// makes the compiler stop and show the message.  At run time it throws
// quarn::invalid_argument.
void format_error(const char* message);

// Checks a format string against argument descriptions, and hands every
// piece on to the compiler of its operation list.  Each message is written
// on the line that reports it, where a compiler quotes it.
template <std::size_t N>
struct format_checker {
  const arg_info* args;
  format_compiler& compiler;
  std::size_t next = 0;
  bool failed = false;
  bool positional = false;
  std::array<bool, N> used{};  // by a positional conversion

  constexpr void error(const char* message) {
    failed = true;
    compiler.error(message);
    format_error(message);
  }
  constexpr void text(std::string_view t) { compiler.text(t); }
  constexpr void open_box(box_kind kind, int indent) { compiler.open_box(kind, indent); }
  constexpr void close_box() { compiler.close_box(); }
  constexpr void brk(int spaces, int offset) { compiler.brk(spaces, offset); }
  constexpr void force_newline() { compiler.force_newline(); }
  constexpr void print_newline() { compiler.print_newline(); }
  constexpr void flush() { compiler.flush(); }
  constexpr void open_tag(std::string_view name) { compiler.open_tag(name); }
  constexpr void close_tag() { compiler.close_tag(); }
  constexpr void width(int w) { compiler.width(w); }
  constexpr void conv(const conversion& cv) {
    compiler.conv(cv);
    for (const bool star : {cv.star_width, cv.star_precision}) {
      if (!star) continue;
      if (next >= N) return error("the format string needs more arguments than were given");
      if (!args[next].is_int) return error("a \"*\" width or precision was given a value that is not an int");
      ++next;
    }
    if (next >= N) return error("the format string needs more arguments than were given");
    if (!matches(cv.rule, next)) return;
    next += cv.rule.arg == takes::printer_and_value ? 2 : 1;
  }
  // A positional conversion: its arguments are named, counted from 1, and
  // any of them may be used more than once; check_format() checks that none
  // is left out.
  constexpr void conv_at(const conversion& cv, const arg_positions& at) {
    compiler.conv_at(cv, at);
    positional = true;
    for (const int star : {at.width, at.precision}) {
      if (star == 0) continue;
      const auto j = static_cast<std::size_t>(star - 1);
      if (j >= N) return error("an argument position (\"%N$\" or \"*M$\") is past the last argument");
      if (!args[j].is_int) return error("a \"*\" width or precision was given a value that is not an int");
      used[j] = true;
    }
    const auto k = static_cast<std::size_t>(at.value - 1);
    if (k >= N) return error("an argument position (\"%N$\" or \"*M$\") is past the last argument");
    if (!matches(cv.rule, k)) return;
    used[k] = true;
    if (cv.rule.arg == takes::printer_and_value) used[k + 1] = true;
  }

  // Whether argument k suits a conversion of `rule` (and, for "%a", the
  // argument after it is there); reports the error when not.
  constexpr bool matches(const conversion_rule& rule, std::size_t k) {
    const arg_info& a = args[k];
    switch (rule.arg) {
      case takes::integer:
        if (a.kind != arg_kind::integer)
          return error("an integer conversion (%d %i %u %x %X %o) was given a non-integer"), false;
        break;
      case takes::floating:
        if (a.kind != arg_kind::floating)
          return error("a floating-point conversion (%f %e %E %g %G) was given a non-floating-point value"), false;
        break;
      case takes::string:
        if (a.kind != arg_kind::string) return error("%s or %S was given a value that is not a string"), false;
        break;
      case takes::character:
        if (a.kind != arg_kind::character) return error("%c or %C was given a value that is not a char"), false;
        break;
      case takes::boolean:
        if (a.kind != arg_kind::boolean) return error("%b or %B was given a value that is not a bool"), false;
        break;
      case takes::printer_and_value:
        if (k + 1 >= N) return error("%a needs two arguments: a printer and its value"), false;
        if (!a.prints_next) return error("%a was given a printer that cannot print the value after it"), false;
        break;
      case takes::callable:
        if (!a.prints_unit) return error("%t was given something that is not callable with a formatter"), false;
        break;
      case takes::nothing: return false;  // handled by the parser; never reaches a handler
    }
    return true;
  }
};

// Checks `s` against the argument types and compiles it into `out`.
template <class... Args>
constexpr void check_format(std::string_view s, compiled_format& out) {
  constexpr auto infos = arg_infos<Args...>();
  format_compiler compiler(s, out);
  format_checker<sizeof...(Args)> c{infos.data(), compiler};
  parse_format(s, c);
  if (c.failed) return;
  if (!c.positional) {
    if (c.next != sizeof...(Args)) c.error("more arguments were given than the format string uses");
    return;
  }
  for (const bool u : c.used)
    if (!u) return c.error("an argument is named by no \"%N$\" (a positional format string uses every argument)");
}

}  // namespace quarn::detail

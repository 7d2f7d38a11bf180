// SPDX-License-Identifier: MIT
// The format-string parser, used at compile time to check a format string
// against its arguments and at run time to interpret it.  The language is
// described in docs/format-strings.md.
#pragma once

#include <cstddef>
#include <string_view>

#include "quarn/detail/conversions.hpp"
#include "quarn/formatter.hpp"

namespace quarn::detail {

// One conversion as written: its rule, and what stood between "%" and the
// letter.  The "'" flag is in the rule: it makes "%d", "%i" and "%u" write
// writes::grouped_integer.
struct conversion {
  conversion_rule rule;
  bool minus = false, zero = false, plus = false, space = false, hash = false;
  int width = -1;      // -1: none
  int precision = -1;  // -1: none
  char length = 0;     // 0, 'l', 'L' or 'n'
  // "*" for the width or the precision: each takes an int argument, before
  // the value, in that order.
  bool star_width = false, star_precision = false;
};

// The arguments a positional conversion ("%2$d", "%3$*1$.*2$f") names,
// counted from 1: its value (for "%a" the printer, whose value follows it),
// and the arguments of its "*" width and precision, 0 where there is none.
struct arg_positions {
  int value = 0, width = 0, precision = 0;
};

// How the conversions of a string name their arguments: POSIX has them all
// positional or none.
enum class arg_order : unsigned char { unknown, sequential, positional };

/// The largest magnitude of a number in a format string (a width, a
/// precision, an indentation, the spaces or offset of a break hint, the
/// columns of "@<n>"): a larger one is an error, so that a short string
/// cannot ask for gigabytes of padding or digits.  The error messages below
/// quote it.
inline constexpr int max_format_number = 4096;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

enum class number { none, ok, too_large };

// Parses the number at s[i..] into n.  A number above max_format_number in
// magnitude is read to its last digit and reported as too_large.
constexpr number parse_int(std::string_view s, std::size_t& i, int& n, bool allow_sign) {
  bool neg = false;
  if (allow_sign && i < s.size() && s[i] == '-') {
    neg = true;
    ++i;
  }
  if (i >= s.size() || !is_digit(s[i])) return number::none;
  int v = 0;
  bool large = false;
  for (; i < s.size() && is_digit(s[i]); ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > max_format_number) {
      large = true;
      v = 0;
    }
  }
  if (large) return number::too_large;
  n = neg ? -v : v;
  return number::ok;
}

constexpr void skip_blanks(std::string_view s, std::size_t& i) {
  while (i < s.size() && s[i] == ' ') ++i;
}

// The sub-parsers below start just after the characters that name their
// directive ("@[", "@;", "%" ...), advance i past what they read, and return
// false once they have reported an error to the handler.

// The arguments in angle brackets of "@[<kind indent>" and "@;<spaces offset>":
// blanks, then a number into n.  An optional number may be left out, when
// the next character is the closing ">" (or the string ends).
template <class Handler>
constexpr bool angle_number(std::string_view s, std::size_t& i, Handler& h, int& n, bool allow_sign, bool optional,
                            const char* bad, const char* too_large) {
  skip_blanks(s, i);
  if (optional && (i >= s.size() || s[i] == '>')) return true;
  switch (parse_int(s, i, n, allow_sign)) {
    case number::ok: return true;
    case number::none: h.error(bad); return false;
    case number::too_large: h.error(too_large); return false;
  }
  return false;
}

// Blanks, then the ">" that closes the arguments.
template <class Handler>
constexpr bool angle_close(std::string_view s, std::size_t& i, Handler& h, const char* unterminated) {
  skip_blanks(s, i);
  if (i >= s.size() || s[i] != '>') {
    h.error(unterminated);
    return false;
  }
  ++i;
  return true;
}

// "@[", "@[<n>", "@[<kind>", "@[<kind n>".
template <class Handler>
constexpr bool parse_box_open(std::string_view s, std::size_t& i, Handler& h) {
  box_kind kind = box_kind::b;
  int indent = 0;
  if (i < s.size() && s[i] == '<') {
    ++i;
    skip_blanks(s, i);
    const std::size_t w = i;
    while (i < s.size() && s[i] >= 'a' && s[i] <= 'z') ++i;
    const std::string_view word = s.substr(w, i - w);
    if (word == "h")
      kind = box_kind::h;
    else if (word == "v")
      kind = box_kind::v;
    else if (word == "hv")
      kind = box_kind::hv;
    else if (word == "hov")
      kind = box_kind::hov;
    else if (word == "b" || word.empty())
      kind = box_kind::b;
    else
      return h.error("unknown box kind in \"@[<...>\" (expected h, v, hv, hov or b)"), false;
    if (!angle_number(s, i, h, indent, true, true, "bad indentation in \"@[<...>\"",
                      "indentation too large in \"@[<...>\" (above 4096)") ||
        !angle_close(s, i, h, "unterminated \"@[<...>\""))
      return false;
  }
  h.open_box(kind, indent);
  return true;
}

// "@;", "@;<n>", "@;<n offset>".
template <class Handler>
constexpr bool parse_break_hint(std::string_view s, std::size_t& i, Handler& h) {
  int spaces = 1, offset = 0;
  if (i < s.size() && s[i] == '<') {
    ++i;
    if (!angle_number(s, i, h, spaces, false, false, "bad number of spaces in \"@;<n off>\"",
                      "number of spaces too large in \"@;<n off>\" (above 4096)") ||
        !angle_number(s, i, h, offset, true, true, "bad offset in \"@;<n off>\"",
                      "offset too large in \"@;<n off>\" (above 4096)") ||
        !angle_close(s, i, h, "unterminated \"@;<n off>\""))
      return false;
  }
  h.brk(spaces, offset);
  return true;
}

// "@{<name>".
template <class Handler>
constexpr bool parse_tag(std::string_view s, std::size_t& i, Handler& h) {
  if (i >= s.size() || s[i] != '<') return h.error("\"@{\" must be followed by \"<tag>\""), false;
  const std::size_t name = ++i;
  while (i < s.size() && s[i] != '>') ++i;
  if (i >= s.size()) return h.error("unterminated \"@{<tag>\""), false;
  h.open_tag(s.substr(name, i - name));
  ++i;
  return true;
}

// "@<n>".
template <class Handler>
constexpr bool parse_width_hint(std::string_view s, std::size_t& i, Handler& h) {
  int w = 0;
  const number r = parse_int(s, i, w, false);
  if (r == number::too_large) return h.error("width too large in \"@<n>\" (above 4096)"), false;
  if (r == number::none || i >= s.size() || s[i] != '>')
    return h.error("bad \"@<n>\" (expected a number of columns)"), false;
  ++i;
  h.width(w);
  return true;
}

// Reports a letter that is no conversion.  The message lists the letters of
// conversion_rules so that a compiler quoting the line that reports it shows
// them; the assertion after parse_conversion keeps the list in step.
template <class Handler>
constexpr void unknown_conversion(Handler& h) {
  h.error("unknown conversion (expected one of d i u x X o f e E g G s S c C b B a t % @ , !)");
}

// "N$" at s[i..], as it starts a positional conversion or a "*M$": true
// with n set and i past the "$", or false with i unchanged when s[i..] is
// not one.  Reports an error (and sets `failed`) for a position 0 or above
// 4096.
template <class Handler>
constexpr bool arg_position(std::string_view s, std::size_t& i, Handler& h, int& n, bool& failed) {
  std::size_t j = i;
  while (j < s.size() && is_digit(s[j])) ++j;
  if (j == i || j >= s.size() || s[j] != '$') return false;
  if (parse_int(s, i, n, false) == number::too_large)
    return failed = true, h.error("argument position too large in \"%N$\" (above 4096)"), false;
  if (n == 0) return failed = true, h.error("argument positions in \"%N$\" count from 1"), false;
  ++i;
  return true;
}

// "%" [N$] [flags] [width|*|*M$] [.precision|.*|.*M$] [l|L|n] letter.
// `order` is how the string's earlier conversions name their arguments.
template <class Handler>
constexpr bool parse_conversion(std::string_view s, std::size_t& i, Handler& h, arg_order& order) {
  const std::size_t start = i;
  conversion cv;
  arg_positions at;
  bool failed = false, group = false;
  if (i < s.size() && is_digit(s[i]) && !arg_position(s, i, h, at.value, failed) && failed) return false;
  for (; i < s.size(); ++i) {
    const char f = s[i];
    if (f == '-')
      cv.minus = true;
    else if (f == '0')
      cv.zero = true;
    else if (f == '+')
      cv.plus = true;
    else if (f == ' ')
      cv.space = true;
    else if (f == '#')
      cv.hash = true;
    else if (f == '\'')
      group = true;
    else
      break;
  }
  if (i < s.size() && s[i] == '*') {
    cv.star_width = true;
    ++i;
    if (!arg_position(s, i, h, at.width, failed) && failed) return false;
  } else if (parse_int(s, i, cv.width, false) == number::too_large) {
    return h.error("width too large (above 4096)"), false;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    cv.precision = 0;
    if (i < s.size() && s[i] == '*') {
      cv.star_precision = true;
      ++i;
      if (!arg_position(s, i, h, at.precision, failed) && failed) return false;
    } else if (parse_int(s, i, cv.precision, false) == number::too_large) {
      return h.error("precision too large (above 4096)"), false;
    }
  }
  if (i < s.size() && (s[i] == 'l' || s[i] == 'L' || s[i] == 'n')) cv.length = s[i++];
  if (i >= s.size()) return h.error("incomplete conversion at the end of the format string"), false;
  cv.rule = find_conversion(s[i++]);
  if (cv.rule.letter == 0) return unknown_conversion(h), false;
  if (!cv.rule.modifiers && i - start != 1)
    return h.error("\"%%\", \"%@\", \"%,\" and \"%!\" take no flags or width"), false;
  if (!cv.rule.length && cv.length != 0)
    return h.error("a length modifier (l, L, n) applies to integer conversions only"), false;
  if (group) {
    if (cv.rule.printf_letter != 'd' && cv.rule.printf_letter != 'u')
      return h.error("the \"'\" flag (digits in groups) applies to %d, %i and %u only"), false;
    cv.rule.out = writes::grouped_integer;
  }
  switch (cv.rule.out) {
    case writes::letter: h.text(s.substr(i - 1, 1)); break;
    case writes::nothing: break;
    case writes::flush: h.flush(); break;
    default:
      if (at.value == 0) {
        if (at.width != 0 || at.precision != 0)
          return h.error("a \"*M$\" width or precision belongs to a positional conversion (\"%N$\")"), false;
        if (order == arg_order::positional)
          return h.error("positional (\"%N$\") and sequential conversions are mixed in one format string"), false;
        order = arg_order::sequential;
        h.conv(cv);
      } else {
        if ((cv.star_width && at.width == 0) || (cv.star_precision && at.precision == 0))
          return h.error("a \"*\" width or precision of a positional conversion names its argument (\"*M$\")"), false;
        if (order == arg_order::sequential)
          return h.error("positional (\"%N$\") and sequential conversions are mixed in one format string"), false;
        order = arg_order::positional;
        h.conv_at(cv, at);
      }
  }
  return true;
}

namespace check {

// Takes the message unknown_conversion() reports and tells whether it lists
// exactly the letters of conversion_rules, each once.
struct message_reader {
  std::string_view message;
  constexpr void error(const char* m) { message = m; }
};

constexpr bool lists_every_conversion() {
  message_reader r;
  unknown_conversion(r);
  const std::string_view list = r.message.substr(r.message.find("one of ") + 7);
  std::size_t letters = 0;
  for (std::size_t k = 0; k < list.size(); k += 2) {
    if (find_conversion(list[k]).letter == 0 || list.find(list[k]) != k) return false;
    ++letters;
  }
  return letters == std::size(conversion_rules) && list.back() == ')';
}

static_assert(lists_every_conversion(), "the message of unknown_conversion() must list every conversion letter");

}  // namespace check

// Walks format string `s`, calling the handler for each piece:
//   text(string_view)  open_box(box_kind, int)  close_box()  brk(int, int)
//   force_newline()  print_newline()  flush()  open_tag(string_view)
//   close_tag()  width(int)  conv(const conversion&)
//   conv_at(const conversion&, const arg_positions&)  error(const char*)
// After error() the walk stops.
template <class Handler>
constexpr void parse_format(std::string_view s, Handler& h) {
  std::size_t i = 0, lit = 0;
  arg_order order = arg_order::unknown;
  const char* const base = s.data();
  while (i < s.size()) {
    // Skip the literal text up to the next directive.
    std::size_t j = i;
    while (j < s.size() && base[j] != '@' && base[j] != '%') ++j;
    if (j == s.size()) break;
    i = j;
    if (i > lit) h.text(s.substr(lit, i - lit));
    const std::size_t start = i++;
    bool ok = true;
    if (s[start] == '%') {
      ok = parse_conversion(s, i, h, order);
    } else if (i >= s.size()) {
      // A lone "@" at the end prints as it is.
      h.text(s.substr(start, 1));
    } else {
      switch (s[i++]) {
        case '[': ok = parse_box_open(s, i, h); break;
        case ']': h.close_box(); break;
        case ' ': h.brk(1, 0); break;
        case ',': h.brk(0, 0); break;
        case ';': ok = parse_break_hint(s, i, h); break;
        case '\n': h.force_newline(); break;
        case '.': h.print_newline(); break;
        case '?': h.flush(); break;
        case '{': ok = parse_tag(s, i, h); break;
        case '}': h.close_tag(); break;
        case '<': ok = parse_width_hint(s, i, h); break;
        case '@':
        case '%': h.text(s.substr(i - 1, 1)); break;
        default:
          // Not a directive: both characters print as they are.
          lit = start;
          continue;
      }
    }
    if (!ok) return;
    lit = i;
  }
  if (s.size() > lit) h.text(s.substr(lit));
}

}  // namespace quarn::detail

// SPDX-License-Identifier: MIT
// A format string turned into the list of operations that print it.  A
// string checked at compile time is compiled there too, so a call only runs
// the list; strings given at run time, and the rare ones whose list does not
// fit, are parsed on every call instead.
//
// The list is a few dozen bytes inside the format string object, which every
// call builds on its stack: it is kept small, one to five bytes an
// operation, so that building it costs a handful of stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quarn/detail/conversions.hpp"
#include "quarn/detail/format_parse.hpp"
#include "quarn/formatter.hpp"

namespace quarn::detail {

// An operation's first byte holds its code in the low four bits and, for
// some, a variant in the high four.  What follows it:
//   text, open_tag   the offset of the text in the string, its size (a byte each)
//   conv             the rule's position in conversion_rules, then the flags,
//                    the width (2 bytes), the precision (2 bytes) and the
//                    length modifier, each only when its variant bit is set
//   conv_at          as conv, then the positions of the arguments (a byte
//                    each): the value's, then the "*" width's and the "*"
//                    precision's when the flags have them
//   brk              nothing for "@ " and "@,", else spaces and offset (2 bytes each)
//   open_box         the kind in the variant's low three bits; the indentation
//                    (2 bytes) when the variant's high bit is set
//   width            the columns (2 bytes)
// Numbers are at most 4096 in magnitude and stored as 16-bit two's complement.
enum class op_code : unsigned char {
  text,
  conv,
  brk,
  open_box,
  close_box,
  force_newline,
  print_newline,
  flush,
  open_tag,
  close_tag,
  width,
  conv_at,
};

inline constexpr unsigned char conv_minus = 1, conv_zero = 2, conv_plus = 4, conv_space = 8, conv_hash = 16,
                               conv_star_width = 32, conv_star_precision = 64, conv_group = 128;
inline constexpr unsigned char conv_has_flags = 1, conv_has_width = 2, conv_has_precision = 4, conv_has_length = 8;
inline constexpr unsigned char brk_space = 0, brk_cut = 1, brk_numbers = 2;
inline constexpr unsigned char box_has_indent = 8;

struct compiled_format {
  // Enough for all but a few strings: "@[<2>Some@ @[%a@]@]" takes 12 bytes.
  static constexpr std::size_t capacity = 64;
  // Texts are kept as one-byte offsets.
  static constexpr std::size_t max_string = 255;
  static constexpr unsigned char not_compiled = 0xff;

  unsigned char size = not_compiled;  // bytes of `ops` in use
  // No box, hint, new line, flush, tag or printer: only texts and the text of
  // conversions, so that on a fresh formatter the output is the text itself
  // whatever the margin.
  bool flat = true;
  unsigned char ops[capacity]{};

  [[nodiscard]] constexpr bool compiled() const noexcept { return size != not_compiled; }
};

// A parse handler that writes the operations of string `s` into `out`.
// Texts and tag names are kept as positions in `s`, so the list is valid for
// any copy of the string.
class format_compiler {
public:
  constexpr format_compiler(std::string_view s, compiled_format& out) : s_(s), out_(out) {
    out_.size = s.size() <= compiled_format::max_string ? 0 : compiled_format::not_compiled;
  }

  constexpr void text(std::string_view t) { add_text(op_code::text, t); }
  constexpr void open_box(box_kind kind, int indent) {
    const auto variant =
        static_cast<unsigned char>(static_cast<unsigned char>(kind) | (indent != 0 ? box_has_indent : 0));
    op(op_code::open_box, variant);
    if (indent != 0) number(indent);
  }
  constexpr void close_box() { op(op_code::close_box); }
  constexpr void brk(int spaces, int offset) {
    if (offset == 0 && (spaces == 1 || spaces == 0)) return op(op_code::brk, spaces == 1 ? brk_space : brk_cut);
    op(op_code::brk, brk_numbers);
    number(spaces);
    number(offset);
  }
  constexpr void force_newline() { op(op_code::force_newline); }
  constexpr void print_newline() { op(op_code::print_newline); }
  constexpr void flush() { op(op_code::flush); }
  constexpr void open_tag(std::string_view name) { add_text(op_code::open_tag, name); }
  constexpr void close_tag() { op(op_code::close_tag); }
  constexpr void width(int w) {
    op(op_code::width);
    number(w);
  }
  constexpr void conv(const conversion& cv) { add_conv(op_code::conv, cv, arg_positions{}); }
  constexpr void conv_at(const conversion& cv, const arg_positions& at) {
    // A position above a byte names an argument that no call has: the
    // checker reports it.
    if (at.value > 255 || at.width > 255 || at.precision > 255) return error("");
    add_conv(op_code::conv_at, cv, at);
  }
  // A string with an error is never run from its list.
  constexpr void error(const char*) { out_.size = compiled_format::not_compiled; }

private:
  constexpr void add_conv(op_code code, const conversion& cv, const arg_positions& at) {
    unsigned char rule = 0;
    while (conversion_rules[rule].letter != cv.rule.letter) ++rule;
    if (cv.rule.arg == takes::printer_and_value || cv.rule.arg == takes::callable) out_.flat = false;
    const auto flags = static_cast<unsigned char>(
        (cv.minus ? conv_minus : 0) | (cv.zero ? conv_zero : 0) | (cv.plus ? conv_plus : 0) |
        (cv.space ? conv_space : 0) | (cv.hash ? conv_hash : 0) | (cv.star_width ? conv_star_width : 0) |
        (cv.star_precision ? conv_star_precision : 0) | (cv.rule.out == writes::grouped_integer ? conv_group : 0));
    const auto variant = static_cast<unsigned char>(
        (flags != 0 ? conv_has_flags : 0) | (cv.width >= 0 ? conv_has_width : 0) |
        (cv.precision >= 0 ? conv_has_precision : 0) | (cv.length != 0 ? conv_has_length : 0));
    op(code, variant);
    byte(rule);
    if (flags != 0) byte(flags);
    if (cv.width >= 0) number(cv.width);
    if (cv.precision >= 0) number(cv.precision);
    if (cv.length != 0) byte(static_cast<unsigned char>(cv.length));
    if (code == op_code::conv_at) {
      byte(static_cast<unsigned char>(at.value));
      if (cv.star_width) byte(static_cast<unsigned char>(at.width));
      if (cv.star_precision) byte(static_cast<unsigned char>(at.precision));
    }
  }
  constexpr void byte(unsigned char b) {
    if (!out_.compiled()) return;
    if (out_.size == compiled_format::capacity) {
      out_.size = compiled_format::not_compiled;
      return;
    }
    out_.ops[out_.size++] = b;
  }
  constexpr void op(op_code code, unsigned char variant = 0) {
    if (code != op_code::text && code != op_code::conv && code != op_code::conv_at && code != op_code::width)
      out_.flat = false;
    byte(static_cast<unsigned char>(static_cast<unsigned char>(code) | (variant << 4)));
  }
  constexpr void number(int n) {
    const auto u = static_cast<std::uint16_t>(n);
    byte(static_cast<unsigned char>(u & 0xff));
    byte(static_cast<unsigned char>(u >> 8));
  }
  constexpr void add_text(op_code code, std::string_view t) {
    op(code);
    byte(static_cast<unsigned char>(t.data() - s_.data()));
    byte(static_cast<unsigned char>(t.size()));
  }

  std::string_view s_;
  compiled_format& out_;
};

// The 16-bit number at p, which it moves past.
inline int read_number(const unsigned char*& p) {
  const auto n = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
  p += 2;
  return static_cast<int>(n);
}

// The conversion of a conv or conv_at operation whose variant is `variant`,
// read from p (just after the operation's first byte), which it moves past.
inline conversion read_conv(const unsigned char*& p, unsigned variant) {
  conversion cv;
  cv.rule = conversion_rules[*p++];
  if (variant & conv_has_flags) {
    const unsigned flags = *p++;
    cv.minus = (flags & conv_minus) != 0;
    cv.zero = (flags & conv_zero) != 0;
    cv.plus = (flags & conv_plus) != 0;
    cv.space = (flags & conv_space) != 0;
    cv.hash = (flags & conv_hash) != 0;
    cv.star_width = (flags & conv_star_width) != 0;
    cv.star_precision = (flags & conv_star_precision) != 0;
    if (flags & conv_group) cv.rule.out = writes::grouped_integer;
  }
  if (variant & conv_has_width) cv.width = read_number(p);
  if (variant & conv_has_precision) cv.precision = read_number(p);
  if (variant & conv_has_length) cv.length = static_cast<char>(*p++);
  return cv;
}

// Runs the conv_at operation whose first byte is p[-1] and returns its end.
// Out of run_format's loop, and reading the variant again: positional
// strings are rare, and the loop's common operations keep the code they
// have without them.
template <class Handler>
[[gnu::noinline]] const unsigned char* run_conv_at(const unsigned char* p, Handler& h) {
  const conversion cv = read_conv(p, p[-1] >> 4);
  arg_positions at;
  at.value = *p++;
  if (cv.star_width) at.width = *p++;
  if (cv.star_precision) at.precision = *p++;
  h.conv_at(cv, at);
  return p;
}

// Calls the handler for each operation of `c`, a list compiled from `s` (or
// from a copy of it), as parse_format(s, h) would.
template <class Handler>
void run_format(std::string_view s, const compiled_format& c, Handler& h) {
  const unsigned char* p = c.ops;
  const unsigned char* const end = p + c.size;
  const auto number = [&p] { return read_number(p); };
  // Tests rather than a switch: a jump table's one indirect branch, taken
  // from every operation of every string, is mispredicted far more often
  // than these, whose outcomes follow the string's own pattern.
  while (p != end) {
    const auto code = static_cast<op_code>(*p & 0xf);
    const unsigned variant = *p++ >> 4;
    if (code == op_code::text) {
      h.text(s.substr(p[0], p[1]));
      p += 2;
    } else if (code == op_code::conv) {
      h.conv(read_conv(p, variant));
    } else if (code == op_code::brk) {
      if (variant == brk_space) {
        h.brk(1, 0);
      } else if (variant == brk_cut) {
        h.brk(0, 0);
      } else {
        const int spaces = number();
        h.brk(spaces, number());
      }
    } else if (code == op_code::open_box) {
      h.open_box(static_cast<box_kind>(variant & 7), (variant & box_has_indent) != 0 ? number() : 0);
    } else if (code == op_code::close_box) {
      h.close_box();
    } else {
      switch (code) {
        case op_code::force_newline: h.force_newline(); break;
        case op_code::print_newline: h.print_newline(); break;
        case op_code::flush: h.flush(); break;
        case op_code::open_tag:
          h.open_tag(s.substr(p[0], p[1]));
          p += 2;
          break;
        case op_code::close_tag: h.close_tag(); break;
        case op_code::width: h.width(number()); break;
        case op_code::conv_at: p = run_conv_at(p, h); break;
        default: break;
      }
    }
  }
}

}  // namespace quarn::detail

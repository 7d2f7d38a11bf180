// A format string turned into the list of operations that print it.  A
// string checked at compile time is compiled there too, so a call only runs
// the list; strings given at run time, and the rare ones with more
// operations than the list holds, are parsed on every call instead.
#pragma once

#include <climits>
#include <cstddef>
#include <string_view>

#include "quarn/detail/conversions.hpp"
#include "quarn/detail/format_parse.hpp"
#include "quarn/formatter.hpp"

namespace quarn::detail {

enum class op_code : unsigned char {
  text,           // a: offset of the text in the string, b: its size
  open_box,       // kind: the box_kind, a: indentation
  close_box,      //
  brk,            // a: spaces, b: offset
  force_newline,  //
  print_newline,  //
  flush,          //
  open_tag,       // a: offset of the tag's name in the string, b: its size
  close_tag,      //
  width,          // a: columns
  conv,           // kind: position of the rule in conversion_rules, flags,
                  // length, a: width, b: precision
};

struct format_op {
  op_code code = op_code::text;
  unsigned char kind = 0;
  unsigned char flags = 0;  // conv_minus | conv_zero ...
  char length = 0;
  int a = 0;
  int b = 0;
};

inline constexpr unsigned char conv_minus = 1, conv_zero = 2, conv_plus = 4, conv_space = 8, conv_hash = 16;

struct compiled_format {
  // Enough for all but a few format strings ("@[<2>Some@ @[%a@]@]" takes 7).
  static constexpr std::size_t capacity = 16;
  static constexpr unsigned char not_compiled = 0xff;

  unsigned char size = not_compiled;
  // No box, hint, new line, flush, tag or printer: only texts and the text of
  // conversions, so that on a fresh formatter the output is the text itself
  // whatever the margin.
  bool flat = true;
  format_op ops[capacity]{};

  [[nodiscard]] constexpr bool compiled() const noexcept { return size != not_compiled; }
};

// The conversion that a conv operation stands for.
constexpr conversion conversion_of(const format_op& op) {
  conversion cv;
  cv.rule = conversion_rules[op.kind];
  cv.minus = (op.flags & conv_minus) != 0;
  cv.zero = (op.flags & conv_zero) != 0;
  cv.plus = (op.flags & conv_plus) != 0;
  cv.space = (op.flags & conv_space) != 0;
  cv.hash = (op.flags & conv_hash) != 0;
  cv.width = op.a;
  cv.precision = op.b;
  cv.length = op.length;
  return cv;
}

// A parse handler that writes the operations of string `s` into `out`.
// Texts and tag names are kept as positions in `s`, so the list is valid for
// any copy of the string.
class format_compiler {
public:
  constexpr format_compiler(std::string_view s, compiled_format& out) : s_(s), out_(out) {
    out_.size = s.size() <= INT_MAX ? 0 : compiled_format::not_compiled;
  }

  constexpr void text(std::string_view t) { add({op_code::text, 0, 0, 0, offset(t), static_cast<int>(t.size())}); }
  constexpr void open_box(box_kind kind, int indent) {
    add({op_code::open_box, static_cast<unsigned char>(kind), 0, 0, indent, 0});
  }
  constexpr void close_box() { add({op_code::close_box}); }
  constexpr void brk(int spaces, int offset) { add({op_code::brk, 0, 0, 0, spaces, offset}); }
  constexpr void force_newline() { add({op_code::force_newline}); }
  constexpr void print_newline() { add({op_code::print_newline}); }
  constexpr void flush() { add({op_code::flush}); }
  constexpr void open_tag(std::string_view name) {
    add({op_code::open_tag, 0, 0, 0, offset(name), static_cast<int>(name.size())});
  }
  constexpr void close_tag() { add({op_code::close_tag}); }
  constexpr void width(int w) { add({op_code::width, 0, 0, 0, w, 0}); }
  constexpr void conv(const conversion& cv) {
    unsigned char rule = 0;
    while (conversion_rules[rule].letter != cv.rule.letter) ++rule;
    const auto flags = static_cast<unsigned char>((cv.minus ? conv_minus : 0) | (cv.zero ? conv_zero : 0) |
                                                  (cv.plus ? conv_plus : 0) | (cv.space ? conv_space : 0) |
                                                  (cv.hash ? conv_hash : 0));
    add({op_code::conv, rule, flags, cv.length, cv.width, cv.precision});
  }
  // A string with an error is never run from its list.
  constexpr void error(const char*) { out_.size = compiled_format::not_compiled; }

private:
  constexpr int offset(std::string_view t) const { return static_cast<int>(t.data() - s_.data()); }
  constexpr void add(const format_op& op) {
    if (op.code != op_code::text && op.code != op_code::width &&
        !(op.code == op_code::conv && conversion_rules[op.kind].arg != takes::printer_and_value &&
          conversion_rules[op.kind].arg != takes::callable))
      out_.flat = false;
    if (!out_.compiled()) return;
    if (out_.size == compiled_format::capacity) {
      out_.size = compiled_format::not_compiled;
      return;
    }
    out_.ops[out_.size++] = op;
  }

  std::string_view s_;
  compiled_format& out_;
};

// Calls the handler for each operation of `c`, a list compiled from `s` (or
// from a copy of it), as parse_format(s, h) would.
template <class Handler>
void run_format(std::string_view s, const compiled_format& c, Handler& h) {
  for (std::size_t k = 0; k < c.size; ++k) {
    const format_op& op = c.ops[k];
    switch (op.code) {
      case op_code::text: h.text(s.substr(static_cast<std::size_t>(op.a), static_cast<std::size_t>(op.b))); break;
      case op_code::open_box: h.open_box(static_cast<box_kind>(op.kind), op.a); break;
      case op_code::close_box: h.close_box(); break;
      case op_code::brk: h.brk(op.a, op.b); break;
      case op_code::force_newline: h.force_newline(); break;
      case op_code::print_newline: h.print_newline(); break;
      case op_code::flush: h.flush(); break;
      case op_code::open_tag: h.open_tag(s.substr(static_cast<std::size_t>(op.a), static_cast<std::size_t>(op.b))); break;
      case op_code::close_tag: h.close_tag(); break;
      case op_code::width: h.width(op.a); break;
      case op_code::conv: h.conv(conversion_of(op)); break;
    }
  }
}

}  // namespace quarn::detail
